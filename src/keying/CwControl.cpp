#include "keying/CwControl.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "devices/ParallelKeyLine.h"
#include "devices/QtSerialLine.h"
#include "devices/SerialKeyLine.h"
#include "keying/CwMessages.h"
#include "keying/KeyRelease.h"
#include "keying/Morse.h"
#include "log/KeyDispatch.h"

#include <QtCore/qnamespace.h>
#include <cmath>

namespace zelq {

namespace {

const QString CwOwner = QStringLiteral("CW keying");

bool usesSerial(KeyingMethod m)
{
    return m == KeyingMethod::Rts || m == KeyingMethod::Dtr;
}

} // namespace

CwControl::CwControl(DeviceRegistry& r, QString folder, OperatorDialogs& d, Beeper& b, QObject* parent)
    : QObject(parent), registry(r), installFolder(std::move(folder)), dialogs(d), beeper(b)
{
    repeatTimer.setObjectName(QStringLiteral("tmrRepeat"));
    repeatTimer.setSingleShot(true);
    repeatTimer.setTimerType(Qt::PreciseTimer); // the pause is the operator's, not 5 % less
    connect(&repeatTimer, &QTimer::timeout, this, [this] { FKeyCW(KeyF1); });
    userTiming = CwUserTiming::load();
    keyer.setTiming(userTiming.timing, userTiming.loopCount);
    attach(keyer);
    connect(&keyer, &CwKeyer::realtimeRefused, this, &CwControl::realtimeRefused);
    connect(&keyer, &CwKeyer::watchdogLifted, this, &CwControl::watchdogLifted);
    connect(&keyer, &CwKeyer::watchdogLifted, this, [this] {
        if (showStatus)
            showStatus(KeyHeldTooLongText, statusColour());
    });
    connect(&keyer, &CwKeyer::keyFailed, this, [this] {
        if (showStatus)
            showStatus(KeyLineFailedText, statusColour());
    });
    liftKeysOnEndSignals();
}

CwControl::~CwControl()
{
    keyer.clearBuffer();
    closeLine();
}

void CwControl::attach(CwSender& s)
{
    // Only the sender of the current method speaks for the keyer: one left
    // behind by a change of method finishes unheard.
    connect(&s, &CwSender::characterSent, this, [this, &s](QChar c, const QString& rest) {
        if (&s != &active())
            return;
        if (cw.display && showStatus)
            showStatus(rest, statusColour());
        emit characterSent(c, rest);
    });
    connect(&s, &CwSender::contactMarkReached, this, [this, &s] {
        if (&s == &active() && callText && !callText().isEmpty() && logContact)
            logContact();
    });
    connect(&s, &CwSender::bufferEmpty, this, [this, &s] {
        if (&s == &active())
            onBufferEmpty();
    });
}

void CwControl::setSender(KeyingMethod method, CwSender* s)
{
    CwSender*& slot = method == KeyingMethod::WinKey ? winKey : rigKeyer;
    if (method != KeyingMethod::WinKey && method != KeyingMethod::Rig)
        return;
    if (slot)
        slot->disconnect(this);
    slot = s;
    if (s) {
        attach(*s);
        s->setWpm(speedOf(cw.speed));
    }
}

CwSender& CwControl::active()
{
    return const_cast<CwSender&>(std::as_const(*this).active());
}

const CwSender& CwControl::active() const
{
    if (cw.method == KeyingMethod::WinKey && winKey)
        return *winKey;
    if (cw.method == KeyingMethod::Rig && rigKeyer)
        return *rigKeyer;
    return keyer;
}

bool CwControl::handsOver() const
{
    return cw.method == KeyingMethod::WinKey || cw.method == KeyingMethod::Rig;
}

void CwControl::LoadCWSettings()
{
    cw = CwSettings::load(installFolder);
    keyer.setWpm(speedOf(cw.speed));
    if (&active() != &keyer)
        active().setWpm(speedOf(cw.speed));
    keyer.setWordSpace(cw.wordSpaceUnits());
    repeatTimer.setInterval(cw.repeatMs());
    CWSetup();
}

void CwControl::applySettings(const CwSettings& s)
{
    const bool reopen = s.method != cw.method || s.port != cw.port || s.address != cw.address;
    const double oldWpm = speedOf(cw.speed);
    cw = s;
    keyer.setWpm(speedOf(cw.speed));
    if (&active() != &keyer && (reopen || oldWpm != speedOf(cw.speed)))
        active().setWpm(speedOf(cw.speed));
    keyer.setWordSpace(cw.wordSpaceUnits());
    repeatTimer.setInterval(cw.repeatMs());
    // A port that failed is tried again when it is changed or a message
    // is sent, not at every change of another setting.
    if (reopen)
        CWSetup();
}

bool CwControl::save(QString* errorText)
{
    userTiming.save();
    return cw.save(installFolder, errorText);
}

void CwControl::setTiming(const CwUserTiming& t)
{
    userTiming = t;
    keyer.setTiming(t.timing, t.loopCount);
}

void CwControl::setLineOverride(KeyLine* line)
{
    override = line;
    CWSetup();
}

void CwControl::closeLine()
{
    keyer.setKeyLine(nullptr); // from here on the keyer leaves the line alone
    unregisterKeyUp(releaseSlot);
    releaseSlot = -1;
    activeLine = nullptr;
    if (serialKey)
        serialKey->close();
    serialKey.reset();
    if (parallelKey)
        parallelKey->close();
    parallelKey.reset();
}

void CwControl::CWSetup()
{
    closeLine();
    if (override) {
        activeLine = override;
    } else if (usesSerial(cw.method) && cw.portNumber() > 0) {
        auto key = std::make_unique<SerialKeyLine>(std::make_unique<QtSerialLine>(registry, installFolder),
                                                   cw.method == KeyingMethod::Rts ? KeyPin::Rts : KeyPin::Dtr);
        QString reason;
        if (!key->open(cw.portNumber(), CwOwner, InvalidCwPortText, &reason))
            return lineFailed(reason);
        serialKey = std::move(key);
        activeLine = serialKey.get();
        // A port that fails is closed by its line: its descriptor is no
        // longer ours to lift at a signal.
        connect(&serialKey->serial(), &SerialLine::failed, this, [this](const QString& reason) {
            unregisterKeyUp(releaseSlot);
            releaseSlot = -1;
            if (showStatus)
                showStatus(KeyLineFailedText + QLatin1Char(' ') + reason, statusColour());
        });
    } else if (cw.method == KeyingMethod::Printer) {
        auto key = std::make_unique<ParallelKeyLine>(registry);
        QString reason;
        if (!key->open(cw.address, CwOwner, InvalidCwPortText, &reason))
            return lineFailed(reason);
        parallelKey = std::move(key);
        activeLine = parallelKey.get();
    }
    if (activeLine) {
        releaseSlot = registerKeyUp(activeLine->keyUpCall());
        keyer.setKeyLine(activeLine);
    }
}

void CwControl::lineFailed(const QString& reason)
{
    beeper.beep();
    // The port another part holds is refused in the keyer's own words;
    // any other cause is told after them.
    QString text = InvalidCwPortText;
    if (!reason.isEmpty() && reason != InvalidCwPortText)
        text += QStringLiteral("\n\n") + reason;
    dialogs.message(InvalidCwPortTitle, text, {DialogButton::Ok}, DialogIcon::Warning);
    if (setupVisible && showSetup && !setupVisible())
        showSetup();
}

void CwControl::FKeyCW(int keyCode)
{
    // What a keying device already holds is still sent; only the text
    // not yet handed over goes.
    active().dropUnsent();
    const int slot = messageSlot(keyCode);
    if (cw.method == KeyingMethod::None || slot < 0)
        return;
    const QString& text = cw.messages[size_t(slot)];
    if (keyCode == KeyF1 && cw.repeatMs() > 0)
        repeat = true;
    if (text.isEmpty())
        return;
    LoopThroughCWBuffer(expandWildcards(text, callText ? callText() : QString(), heldReport));
}

void CwControl::LoopThroughCWBuffer(const QString& text)
{
    if (cw.method == KeyingMethod::None)
        return;
    CwSender& to = active();
    if (handsOver()) {
        // A device that keys on its own cannot say when it reaches the
        // mark: the contact is logged before the text goes to it.
        if (text.contains(QLatin1Char('!')) && callText && !callText().isEmpty() && logContact)
            logContact();
        QString rest = text;
        rest.remove(QLatin1Char('!'));
        if (!rest.isEmpty())
            to.send(rest);
    } else {
        if (usesSerial(cw.method) && !lineOpen() && cw.portNumber() > 0)
            CWSetup();
        to.send(text);
    }
    if (cw.display && showStatus)
        showStatus(to.buffer(), statusColour());
}

void CwControl::onBufferEmpty()
{
    if (active().isSending())
        return; // more came while this news was on its way
    emit sendingEnded();
    if (repeat && cw.repeatMs() > 0)
        repeatTimer.start();
    if (cw.display && showStatus)
        showStatus(keyboardMode ? KeyboardCwAfterSendText : QString(), statusColour());
}

StatusColour CwControl::statusColour() const
{
    return keyboardMode ? StatusColour::KeyboardMode : StatusColour::Normal;
}

void CwControl::stepSpeed(int step)
{
    const double now = speedOf(cw.speed);
    const double next = std::clamp(std::round(now) + step, MinWpm, MaxWpm);
    cw.speed = QString::number(int(next));
    keyer.setWpm(next);
    if (&active() != &keyer)
        active().setWpm(next);
    emit speedChanged(cw.speed);
}

void CwControl::cancelRepeat()
{
    if (!repeat)
        return;
    active().clearBuffer();
    repeat = false;
    repeatTimer.stop();
}

void CwControl::toggleKeyboardMode()
{
    keyboardMode = !keyboardMode;
    if (showStatus)
        showStatus(keyboardMode ? KeyboardCwOnText : QString(), statusColour());
}

bool CwControl::keyDownStep(const KeyStroke& k)
{
    cancelRepeat();
    if (cw.method == KeyingMethod::None || !mode || mode() != QLatin1String("CW"))
        return false;
    int step = 0;
    switch (k.key) {
    case Qt::Key_Up: step = 1; break;
    case Qt::Key_Down: step = -1; break;
    case Qt::Key_PageUp: step = 5; break;
    case Qt::Key_PageDown: step = -5; break;
    default: break;
    }
    if (step != 0 && !k.ctrl && !k.alt) {
        stepSpeed(step);
        if (showStatus)
            showStatus(cw.speed + QStringLiteral(" WPM"), statusColour());
        return true;
    }
    if (k.key >= Qt::Key_F1 && k.key <= Qt::Key_F12) {
        const int n = k.key - Qt::Key_F1 + 1;
        if (n == 12)
            toggleKeyboardMode();
        else
            FKeyCW(functionKeyCode(n));
        return true;
    }
    return false;
}

bool CwControl::characterStep(const KeyStroke& k)
{
    if (k.ch == KeyStroke::Escape) {
        if (!active().isSending())
            return false; // the entry's own Esc: clear
        active().clearBuffer();
        return true;
    }
    if (!keyboardMode)
        return false;
    if (k.ch == KeyStroke::Backspace) {
        if (active().isSending())
            active().removeLast();
        return true;
    }
    if (!mode || mode() != QLatin1String("CW"))
        return false;
    // Enter and Tab have no sign: used up, nothing sent.
    if (k.ch.isPrint()) {
        const QChar c = k.ch.unicode() >= 'a' && k.ch.unicode() <= 'z' ? k.ch.toUpper() : k.ch;
        LoopThroughCWBuffer(QString(c));
    }
    return true;
}

bool CwControl::closeRequested()
{
    active().clearBuffer();
    return !active().isSending();
}

} // namespace zelq
