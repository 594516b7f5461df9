#pragma once
// Spoken prompts for operators who cannot see the screen: the name of the
// entry field that gets the focus, "Dupe" when a duplicate is found, and
// the navigation choice itself. Prompts play on the default output from
// "<name>.wav" files found through the installation folder. A prompt
// asked for while "Dupe" (with navigation on) or "NavEn" (before "Call")
// is still playing waits for it instead of cutting it off.

#include "log/EntryView.h"

#include <QObject>
#include <QString>
#include <functional>

namespace zelq {

class WavePlayer;

class VoiceNavigation : public QObject {
    Q_OBJECT
public:
    // `promptPath` gives the file of a prompt name (empty when none exists).
    VoiceNavigation(WavePlayer& player, std::function<QString(const QString&)> promptPath,
                    QObject* parent = nullptr);

    // 0 off, 1 call field only, 2 all data fields.
    int NavigationMode = 0;

    // Plays a prompt; it does not wait for the end.
    void BlindKeyPhone(const QString& name);
    // An entry field got the focus.
    void fieldFocused(EntryField field);
    // Duplicate checking found a duplicate.
    void duplicateFound();
    // An option of the navigation window was chosen.
    void optionChosen(int mode);

    // The prompts started, in order (for the window's tests).
    const QStringList& played() const { return history; }

private:
    void playHeld(const QString& name, const QString& then);

    WavePlayer& player;
    std::function<QString(const QString&)> promptPath;
    QString waiting; // played when the held prompt ends
    bool holding = false;
    QStringList history;
};

} // namespace zelq
