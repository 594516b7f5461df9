#include "keying/PhoneControl.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "devices/ParallelKeyLine.h"
#include "devices/QtSerialLine.h"
#include "devices/SerialKeyLine.h"
#include "keying/CwMessages.h"
#include "keying/KeyRelease.h"
#include "keying/RigCommandChannel.h"
#include "keying/WavePlayer.h"
#include "log/KeyDispatch.h"

#include <QPointer>

namespace zelq {

namespace {

const QString PhoneOwner = QStringLiteral("Phone keying");
constexpr int WatchMs = 40;
constexpr int WatchdogSlackMs = 1000;

bool isPhoneKey(int code)
{
    return code >= KeyF1 && code <= KeyF1 + 8;
}

} // namespace

QString cannotPlayText(int keyCode, const QString& path)
{
    return QStringLiteral("Cannot play F%1: %2").arg(keyCode - KeyF1 + 1).arg(path);
}

PhoneControl::PhoneControl(DeviceRegistry& r, QString folder, OperatorDialogs& d, Beeper& b, WavePlayer& p,
                           QObject* parent)
    : QObject(parent), registry(r), installFolder(std::move(folder)), dialogs(d), beeper(b), player(p)
{
    repeatTimer.setObjectName(QStringLiteral("tmrRepeat"));
    repeatTimer.setSingleShot(true);
    repeatTimer.setTimerType(Qt::PreciseTimer);
    connect(&repeatTimer, &QTimer::timeout, this, [this] { FKeyPhone(KeyF1); });
    watch.setObjectName(QStringLiteral("Timer1"));
    watch.setInterval(WatchMs);
    watch.setTimerType(Qt::PreciseTimer);
    connect(&watch, &QTimer::timeout, this, [this] {
        if (!player.isPlaying())
            messageEnded();
    });
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, [this] {
        player.stop();
        messageEnded();
        if (showStatus)
            showStatus(PttHeldTooLongText, StatusColour::Normal);
    });
    // The end as the player reports it drops the PTT without waiting for
    // the watch's next tick; a failure does the same.
    connect(&player, &WavePlayer::finished, this, [this](bool) { messageEnded(); });
    liftKeysOnEndSignals();
}

PhoneControl::~PhoneControl()
{
    player.stop();
    setPtt(false);
    closePorts();
}

void PhoneControl::LoadPhoneSettings()
{
    phone = PhoneSettings::load(installFolder);
    repeatTimer.setInterval(phone.repeatMs());
    emit settingsApplied();
    PhoneSetup();
    checkRig();
}

void PhoneControl::setRigChannel(RigCommandChannel* channel)
{
    if (rig)
        rig->disconnect(this);
    rig = channel;
    if (rig) {
        connect(rig, &RigCommandChannel::linkChanged, this, [this] {
            if (rigReleaseOwed && !keyed)
                setRigPtt(false);
            if (!rigKeyed && !rigReleaseOwed)
                checkRig();
        });
        // The link closes at End Test and program end: the PTT cannot be
        // held without it, so the message ends and "T 0" goes first.
        connect(rig, &RigCommandChannel::closing, this, [this] {
            if (!rigKeyed)
                return;
            cancelRepeat();
            player.stop();
            messageEnded();
        });
    }
    checkRig();
}

void PhoneControl::checkRig()
{
    if (phone.line != PttLine::Rig)
        setRigNote(QString());
    else
        setRigNote(rig ? rig->unavailableReason() : RigNotRigctldText);
}

void PhoneControl::setRigNote(const QString& text)
{
    if (text == rigProblem)
        return;
    rigProblem = text;
    emit rigNoteChanged(text);
}

void PhoneControl::setRigPtt(bool down)
{
    if (down == rigKeyed && !(rigReleaseOwed && !down))
        return;
    if (!rig) {
        checkRig();
        return;
    }
    const QByteArray command = down ? QByteArrayLiteral("T 1") : QByteArrayLiteral("T 0");
    QPointer<PhoneControl> self(this);
    const bool queued = rig->send(command, [self, command](bool accepted, const QByteArray& reply) {
        if (!self)
            return;
        if (accepted)
            self->setRigNote(QString());
        else
            self->setRigNote(reply.isEmpty() ? RigNoAnswerText : rigRefusedText(command, reply));
    });
    // A "T 1" that could not go keyed nothing; a "T 0" that could not go
    // is owed, and goes when the link is back.
    rigKeyed = down && queued;
    rigReleaseOwed = !down && !queued;
    // While the radio may be keyed, the release goes also from the
    // end-signal handler.
    rig->armOnEnd(rigKeyed || rigReleaseOwed ? QByteArrayLiteral("T 0") : QByteArray());
    if (!queued)
        setRigNote(rig->unavailableReason().isEmpty() ? RigNoAnswerText : rig->unavailableReason());
}

void PhoneControl::applySettings(const PhoneSettings& s)
{
    const bool reopen = s.port != phone.port || s.line != phone.line || s.address != phone.address;
    phone = s;
    repeatTimer.setInterval(phone.repeatMs());
    emit settingsApplied();
    if (reopen)
        PhoneSetup();
    checkRig();
}

bool PhoneControl::save(QString* errorText)
{
    return phone.save(installFolder, errorText);
}

void PhoneControl::setLineOverride(KeyLine* line)
{
    override = line;
    PhoneSetup();
}

void PhoneControl::releaseSerialPort()
{
    if (!serialPtt)
        return;
    if (keyed)
        setPtt(false);
    unregisterKeyUp(serialSlot);
    serialSlot = -1;
    serialPtt->close();
    serialPtt.reset();
}

void PhoneControl::closePorts()
{
    unregisterKeyUp(serialSlot);
    unregisterKeyUp(parallelSlot);
    serialSlot = parallelSlot = -1;
    if (serialPtt)
        serialPtt->close();
    serialPtt.reset();
    if (parallelPtt)
        parallelPtt->close();
    parallelPtt.reset();
}

void PhoneControl::PhoneSetup()
{
    if (keyed)
        setPtt(false);
    closePorts();
    if (override)
        return;
    if (phone.portNumber() > 0 && phone.line != PttLine::Rig) {
        if (beforeOpen)
            beforeOpen(phone.portNumber());
        auto line = std::make_unique<SerialKeyLine>(std::make_unique<QtSerialLine>(registry, installFolder),
                                                    phone.line == PttLine::Dtr ? KeyPin::Dtr : KeyPin::Rts);
        QString reason;
        if (!line->open(phone.portNumber(), PhoneOwner, InvalidPhonePortText, &reason))
            return portFailed(reason);
        serialPtt = std::move(line);
        serialSlot = registerKeyUp(serialPtt->keyUpCall());
        connect(&serialPtt->serial(), &SerialLine::failed, this, [this](const QString&) {
            unregisterKeyUp(serialSlot);
            serialSlot = -1;
        });
    }
    if (phone.line == PttLine::Parallel) {
        auto line = std::make_unique<ParallelKeyLine>(registry);
        QString reason;
        if (!line->open(phone.address, PhoneOwner, InvalidPhonePortText, &reason))
            return portFailed(reason);
        parallelPtt = std::move(line);
        parallelSlot = registerKeyUp(parallelPtt->keyUpCall());
    }
}

void PhoneControl::portFailed(const QString& reason)
{
    closePorts();
    beeper.beep();
    QString text = InvalidPhonePortText;
    if (!reason.isEmpty() && reason != InvalidPhonePortText)
        text += QStringLiteral("\n\n") + reason;
    dialogs.message(InvalidPhonePortTitle, text, {DialogButton::Ok}, DialogIcon::Information);
    if (setupVisible && showSetup && !setupVisible())
        showSetup();
}

void PhoneControl::setPtt(bool down)
{
    if (override)
        override->setKey(down);
    if (serialPtt && serialPtt->isOpen())
        serialPtt->setKey(down);
    if (parallelPtt && parallelPtt->isOpen())
        parallelPtt->setKey(down);
    // The radio's PTT is released also when the line choice changed since.
    if (phone.line == PttLine::Rig || rigKeyed || rigReleaseOwed)
        setRigPtt(down && phone.line == PttLine::Rig);
    if (keyed != down) {
        keyed = down;
        emit pttChanged(down);
    }
}

bool PhoneControl::playing() const
{
    return player.isPlaying();
}

void PhoneControl::FKeyPhone(int keyCode)
{
    if (!isPhoneKey(keyCode))
        return;
    // A new key ends the message in progress; the PTT stays up when the
    // next message follows at once.
    player.stop();
    watch.stop();
    watchdog.stop();
    const QString path = phone.files[size_t(keyCode - KeyF1)].trimmed();
    if (keyCode == KeyF1 && phone.repeatMs() > 0)
        repeat = true;
    if (path.isEmpty()) {
        setPtt(false);
        return;
    }
    // The file and the sound device are readied before the PTT goes up:
    // a message that cannot play never keys the transmitter.
    QString reason;
    if (!player.open(path, &reason))
        return cannotPlay(keyCode, path);
    if (phone.portNumber() > 0 && phone.line != PttLine::Rig && !serialPtt && !override)
        PhoneSetup();
    setPtt(true);
    if (!player.play(&reason))
        return cannotPlay(keyCode, path);
    watch.start();
    watchdog.start(int(std::min<qint64>(player.lengthMs() + WatchdogSlackMs, 24 * 3600 * 1000)));
}

void PhoneControl::cannotPlay(int keyCode, const QString& path)
{
    player.stop();
    watch.stop();
    watchdog.stop();
    setPtt(false);
    repeat = false;
    repeatTimer.stop();
    if (showStatus)
        showStatus(cannotPlayText(keyCode, path), StatusColour::Normal);
}

void PhoneControl::messageEnded()
{
    if (!watch.isActive() && !keyed)
        return;
    watch.stop();
    watchdog.stop();
    setPtt(false);
    if (repeat && phone.repeatMs() > 0)
        repeatTimer.start();
}

void PhoneControl::cancelRepeat()
{
    repeat = false;
    repeatTimer.stop();
}

bool PhoneControl::keyDownStep(const KeyStroke& k)
{
    cancelRepeat();
    if (!mode || mode() != QLatin1String("PH"))
        return false;
    if (k.key == Qt::Key_F10)
        return true;
    if (k.key >= Qt::Key_F1 && k.key <= Qt::Key_F9 && !k.ctrl && !k.alt) {
        FKeyPhone(functionKeyCode(k.key - Qt::Key_F1 + 1));
        return true;
    }
    return false;
}

bool PhoneControl::characterStep(const KeyStroke& k)
{
    if (k.ch != KeyStroke::Escape || !mode || mode() != QLatin1String("PH") || !player.isPlaying())
        return false;
    player.stop();
    messageEnded();
    return true;
}

} // namespace zelq
