#include "keying/WinKeyer.h"

#include "core/OperatorDialogs.h"
#include "devices/QtSerialLine.h"
#include "keying/WinKeyProtocol.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <cmath>

namespace zelq {

namespace {

QString openFailedText(int port)
{
    return QStringLiteral("Unable to establish connection with WinKey on com port %1.  Please check to make "
                          "sure that you have specified the correct port and that the Winkey device is "
                          "properly connected.")
        .arg(port);
}

// Letters go as capitals: the keyer's echo is then the character given.
QChar keyerCharacter(QChar c)
{
    return c.unicode() >= 'a' && c.unicode() <= 'z' ? c.toUpper() : c;
}

} // namespace

QString WinKeyer::resultText(int code)
{
    switch (code) {
    case Success: return QStringLiteral("WK Success!");
    case NoEchoResponse: return QStringLiteral("No Echo Response");
    case EchoMismatch: return QStringLiteral("Echo Mismatch");
    case NoOpenResponse: return QStringLiteral("No Open Response");
    case ComOpenFailed: return QStringLiteral("Com Open Failed");
    case GetComStateFailed: return QStringLiteral("Get Com ST Failed");
    case SetComStateFailed: return QStringLiteral("Set Com ST Failed");
    case AlreadyOpen: return QStringLiteral("WK Already Open");
    case NotOpen: return QStringLiteral("WK Not Open");
    default: break;
    }
    return {};
}

WinKeyer::WinKeyer(DeviceRegistry& r, QString folder, OperatorDialogs& d, QObject* parent)
    : CwSender(parent), registry(r), installFolder(std::move(folder)), dialogs(d)
{
    quietTimer.setSingleShot(true);
    connect(&quietTimer, &QTimer::timeout, this, &WinKeyer::quiet);
    settleTimer.setSingleShot(true);
    connect(&settleTimer, &QTimer::timeout, this, [this] {
        if (busy || inFlight.isEmpty())
            return;
        inFlight.clear(); // the keyer is idle: these were never sent
        pump();
        finishIfDone();
    });
}

WinKeyer::~WinKeyer()
{
    close();
}

void WinKeyer::setLineOverride(SerialLine* l)
{
    close();
    override = l;
}

SerialLine& WinKeyer::line()
{
    SerialLine* l = override;
    if (!l) {
        if (!ownLine)
            ownLine = std::make_unique<QtSerialLine>(registry, installFolder);
        l = ownLine.get();
    }
    attachLine(*l);
    return *l;
}

void WinKeyer::attachLine(SerialLine& l)
{
    if (attached == &l)
        return;
    if (attached)
        attached->disconnect(this);
    attached = &l;
    connect(&l, &SerialLine::readyRead, this, &WinKeyer::readable);
    connect(&l, &SerialLine::failed, this, &WinKeyer::lineFailed);
}

void WinKeyer::load()
{
    cfg = WinKeySettings::load(installFolder);
    emit settingsChanged();
}

bool WinKeyer::save(QString* errorText) const
{
    return cfg.save(installFolder, errorText);
}

bool WinKeyer::write(const QByteArray& bytes)
{
    return attached && attached->isOpen() && attached->write(bytes);
}

// ---- settings -------------------------------------------------------------

void WinKeyer::sendField(WinKeyField f)
{
    if (f == WinKeyField::LeadIn || f == WinKeyField::Tail) {
        const FieldCheck lead = checkField(WinKeyField::LeadIn, cfg.leadIn);
        const FieldCheck tail = checkField(WinKeyField::Tail, cfg.tail);
        cfg.leadIn = lead.text;
        cfg.tail = tail.text;
        if (lead.value && tail.value)
            write(wk::pttLeadTail(*lead.value, *tail.value));
        return;
    }
    const FieldCheck c = checkField(f, cfg.text(f));
    cfg.text(f) = c.text;
    if (!c.value)
        return;
    switch (f) {
    case WinKeyField::Speed: write(wk::speed(*c.value)); break;
    case WinKeyField::Weight: write(wk::weight(*c.value)); break;
    case WinKeyField::Ratio: write(wk::ditDahRatio(*c.value)); break;
    case WinKeyField::LeadIn:
    case WinKeyField::Tail: break;
    }
}

QString WinKeyer::applyField(WinKeyField f, const QString& text)
{
    cfg.text(f) = text;
    sendField(f);
    return cfg.text(f);
}

void WinKeyer::SendWinKeySettings()
{
    for (WinKeyField f : {WinKeyField::Speed, WinKeyField::Weight, WinKeyField::LeadIn, WinKeyField::Ratio})
        sendField(f);
    write(wk::pinConfig(quint8(cfg.pinConfig)));
    // Serial echo is what tells how far the keyer has got.
    write(wk::modeRegister(quint8(cfg.keyerMode) | wk::SerialEcho));
    write(wk::speedPotSetup(wk::MinPotWpm, wk::PotRange));
    emit settingsChanged();
}

void WinKeyer::setPinConfig(int value)
{
    cfg.pinConfig = value & 0xFF;
    if (isOpen())
        SendWinKeySettings();
}

void WinKeyer::setKeyerMode(int value)
{
    cfg.keyerMode = value & 0xFF;
    if (isOpen())
        SendWinKeySettings();
}

void WinKeyer::setWpm(double wpm)
{
    const long n = std::lround(wpm);
    if (n < 5 || n > 99)
        return;
    cfg.speed = QString::number(n);
    if (isOpen())
        write(wk::speed(quint8(n)));
    emit settingsChanged();
}

// ---- open and close -------------------------------------------------------

int WinKeyer::open()
{
    if (isOpen()) {
        emit opened(AlreadyOpen);
        return AlreadyOpen;
    }
    if (opening)
        return NotOpen;
    opening = true;
    if (beforeOpen)
        beforeOpen();
    quint8 v = 0;
    const int code = attemptOpen(v);
    if (v == 0) {
        pending.clear(); // text sent meanwhile has nowhere to go
        sending = false;
        QString text = openFailedText(cfg.port);
        if (!failure.isEmpty())
            text += QStringLiteral("\n\n") + failure;
        dialogs.message(WinKeyOpenFailedTitle, text, {DialogButton::Ok}, DialogIcon::Warning);
        lastFailure.start(); // counted from when the operator has read it
    } else {
        version = v;
        lastFailure.invalidate();
    }
    SendWinKeySettings();
    opening = false;
    emit opened(code);
    pump();
    finishIfDone();
    return code;
}

int WinKeyer::attemptOpen(quint8& versionByte)
{
    failure.clear();
    SerialLine& l = line();
    SerialOpenRequest request;
    request.port = cfg.port;
    request.settings = SerialSettings {wk::Baud, Parity::None, 8, 2};
    request.owner = WinKeyOwner;
    if (!l.open(request)) {
        failure = l.openFailure();
        return ComOpenFailed;
    }
    l.setDtr(true); // a refusal (a pty) is no failure
    l.setRts(false);
    l.readAll();
    answers.clear();
    auto giveUp = [&](int code) {
        l.close();
        return code;
    };
    write(wk::openNulls() + wk::echoTest());
    if (!waitForAnswer())
        return giveUp(NoEchoResponse);
    if (answers.at(0) != wk::EchoProbe)
        return giveUp(EchoMismatch);
    answers.clear();
    write(wk::hostOpen());
    if (!waitForAnswer() || answers.at(0) == 0)
        return giveUp(NoOpenResponse);
    versionByte = quint8(answers.at(0));
    answers.clear();
    busy = xoff = false;
    return Success;
}

// Waits for one answer byte; status and pot bytes of a keyer left in host
// mode by an earlier run are passed over.
bool WinKeyer::waitForAnswer()
{
    QDeadlineTimer deadline(AnswerTimeoutMs);
    while (answers.isEmpty() && !deadline.hasExpired() && attached && attached->isOpen()) {
        QEventLoop loop;
        waiting = &loop;
        QTimer::singleShot(std::max<qint64>(1, deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        waiting = nullptr;
    }
    return !answers.isEmpty();
}

void WinKeyer::close()
{
    const bool wasSending = sending;
    if (attached && attached->isOpen()) {
        if (version != 0) {
            write(wk::hostClose());
            // The close command goes out before the port does.
            QDeadlineTimer deadline(100);
            while (attached->bytesWaiting() > 0 && !deadline.hasExpired()) {
                QEventLoop loop;
                QTimer::singleShot(5, &loop, &QEventLoop::quit);
                loop.exec(QEventLoop::ExcludeUserInputEvents);
            }
        }
        attached->close();
    }
    const bool wasOpen = version != 0;
    resetState();
    if (wasOpen)
        emit closed(QString());
    if (wasSending)
        emit bufferEmpty();
}

void WinKeyer::lineFailed(const QString& reason)
{
    const bool wasSending = sending;
    const bool wasOpen = version != 0;
    resetState();
    if (wasOpen)
        emit closed(reason);
    if (wasSending)
        emit bufferEmpty();
}

void WinKeyer::resetState()
{
    version = 0;
    pending.clear();
    inFlight.clear();
    busy = xoff = sending = false;
    quietTimer.stop();
    settleTimer.stop();
}

// ---- what the keyer sends ---------------------------------------------------

void WinKeyer::readable()
{
    if (!attached)
        return;
    const QByteArray bytes = attached->readAll();
    if (opening) {
        for (char b : bytes)
            if (!(quint8(b) & 0x80))
                answers.append(b);
        if (!answers.isEmpty() && waiting)
            waiting->quit();
        return;
    }
    if (isOpen())
        take(bytes);
}

void WinKeyer::take(const QByteArray& bytes)
{
    if (!inFlight.isEmpty() || busy)
        quietTimer.start(QuietMs);
    for (const wk::Received& r : wk::sortReceived(bytes)) {
        switch (r.kind) {
        case wk::Received::Kind::Status: status(r.value()); break;
        case wk::Received::Kind::SpeedPot:
            emit speedFromPot(std::clamp(wk::MinPotWpm + int(r.value()), 5, 99));
            break;
        case wk::Received::Kind::Echo: echoed(QChar(r.byte)); break;
        }
    }
    pump();
    finishIfDone();
}

void WinKeyer::echoed(QChar c)
{
    // Characters before the echoed one that never came back were skipped.
    const qsizetype at = inFlight.indexOf(c);
    if (at < 0)
        return; // not ours (the keyer's own messages, the paddles)
    inFlight.remove(0, at + 1);
    if (settleTimer.isActive())
        settleTimer.start(SettleMs);
    emit characterSent(c, inFlight + pending);
}

void WinKeyer::status(quint8 bits)
{
    busy = bits & wk::StatusBusy;
    xoff = bits & wk::StatusXoff;
    if (!busy && !inFlight.isEmpty())
        settleTimer.start(SettleMs);
    else
        settleTimer.stop();
}

void WinKeyer::quiet()
{
    if (!isOpen() || (inFlight.isEmpty() && !busy))
        return;
    write(wk::requestStatus());
    quietTimer.start(QuietMs);
}

int WinKeyer::WinKeyStatus() const
{
    return int(inFlight.size()) + (busy ? 1 : 0);
}

// ---- sending ----------------------------------------------------------------

void WinKeyer::pump()
{
    if (!isOpen() || opening)
        return;
    QByteArray out;
    while (!pending.isEmpty() && WinKeyStatus() < MaxOutstanding && !xoff) {
        const QChar c = keyerCharacter(pending.front());
        pending.remove(0, 1);
        if (!wk::isSendable(c))
            continue; // below 0x20 it would be taken as a command
        out.append(char(c.unicode()));
        inFlight.append(c);
    }
    if (!out.isEmpty()) {
        write(out);
        quietTimer.start(QuietMs);
    }
}

void WinKeyer::finishIfDone()
{
    if (!sending || !pending.isEmpty() || !inFlight.isEmpty() || busy || opening)
        return;
    sending = false;
    // Told from the event loop, as the keying thread tells it: the caller
    // of send() or clearBuffer() is not re-entered.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!isSending())
                emit bufferEmpty();
        },
        Qt::QueuedConnection);
}

void WinKeyer::send(const QString& text)
{
    pending += text;
    sending = true;
    if (!isOpen()) {
        if (opening)
            return; // the open under way takes it
        if (lastFailure.isValid() && !lastFailure.hasExpired(RetryHoldMs)) {
            pending.clear();
            sending = false;
            return;
        }
        open();
        if (!isOpen()) {
            pending.clear();
            sending = false;
            return;
        }
    }
    pump();
    finishIfDone();
}

void WinKeyer::clearBuffer()
{
    pending.clear();
    if (isOpen() && (busy || !inFlight.isEmpty()))
        write(wk::clearBuffer());
    inFlight.clear();
    busy = false;
    settleTimer.stop();
    quietTimer.stop();
    finishIfDone();
}

void WinKeyer::stop()
{
    pending.clear();
    if (isOpen())
        write(wk::clearBuffer());
    inFlight.clear();
    busy = false;
    finishIfDone();
}

void WinKeyer::dropUnsent()
{
    pending.clear();
    finishIfDone();
}

bool WinKeyer::removeLast()
{
    if (!pending.isEmpty()) {
        pending.chop(1);
        finishIfDone();
        return true;
    }
    if (!isOpen() || WinKeyStatus() == 0)
        return false;
    write(wk::backspace());
    if (inFlight.isEmpty())
        return false;
    inFlight.chop(1);
    return true;
}

} // namespace zelq
