#include "keying/VoiceNavigation.h"

#include "keying/WavePlayer.h"

namespace zelq {

VoiceNavigation::VoiceNavigation(WavePlayer& p, std::function<QString(const QString&)> path, QObject* parent)
    : QObject(parent), player(p), promptPath(std::move(path))
{
    connect(&player, &WavePlayer::finished, this, [this](bool) {
        if (!holding)
            return;
        holding = false;
        const QString next = std::exchange(waiting, QString());
        if (!next.isEmpty())
            BlindKeyPhone(next);
    });
}

void VoiceNavigation::BlindKeyPhone(const QString& name)
{
    if (holding) {
        waiting = name;
        return;
    }
    player.stop();
    const QString path = promptPath ? promptPath(name) : QString();
    if (path.isEmpty())
        return;
    // A prompt that cannot play says nothing: the operator keeps working.
    QString reason;
    if (player.open(path, &reason) && player.play(&reason))
        history.append(name);
}

void VoiceNavigation::playHeld(const QString& name, const QString& then)
{
    holding = false;
    waiting.clear();
    BlindKeyPhone(name);
    if (player.isPlaying()) {
        holding = true;
        waiting = then;
    } else if (!then.isEmpty()) {
        BlindKeyPhone(then);
    }
}

void VoiceNavigation::fieldFocused(EntryField field)
{
    if (field == EntryField::Call && NavigationMode >= 1)
        BlindKeyPhone(QStringLiteral("Call"));
    else if (field == EntryField::Name && NavigationMode == 2)
        BlindKeyPhone(QStringLiteral("Name"));
    else if (field == EntryField::Spc && NavigationMode == 2)
        BlindKeyPhone(QStringLiteral("SPC"));
}

void VoiceNavigation::duplicateFound()
{
    if (NavigationMode == 0)
        BlindKeyPhone(QStringLiteral("Dupe"));
    else
        playHeld(QStringLiteral("Dupe"), QString());
}

void VoiceNavigation::optionChosen(int mode)
{
    if (mode == 0)
        BlindKeyPhone(QStringLiteral("NavDis"));
    else if (mode == 1)
        playHeld(QStringLiteral("NavEn"), QStringLiteral("Call"));
    else
        BlindKeyPhone(QStringLiteral("NavEn"));
}

} // namespace zelq
