#include "rig/RigLink.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "devices/SerialLine.h"
#include "rig/BandFromFrequency.h"
#include "rig/HexText.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "rig/RigPollCommands.h"
#include "rig/RigView.h"
#include "rig/RigctldClient.h"

#include <QEventLoop>

namespace zelq {

using namespace RigTypes;

const QString RigLink::InvalidCommText = QStringLiteral(
    "The comm port that you selected for rig interface is either in use, invalid or the settings "
    "that you have selected are invalid.  Please select another combination or choose None for "
    "your rig selection.");

QString formatRigFrequency(float mhz)
{
    QString s = QString::number(double(mhz), 'f', 5);
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    return s;
}

RigLink::RigLink(SerialLine& p, OperatorDialogs& d, Beeper& b, QObject* parent)
    : QObject(parent), port(p), dialogs(d), beeper(b), rigctld(new RigctldClient(this))
{
    tmrGetData.setObjectName(QStringLiteral("tmrGetData"));
    tmrGetData.setInterval(1000);
    connect(&tmrGetData, &QTimer::timeout, this, &RigLink::pollTick);
    reopenTimer.setInterval(ReopenMs);
    connect(&reopenTimer, &QTimer::timeout, this, &RigLink::retryOpen);
    connect(&port, &SerialLine::failed, this, &RigLink::onPortFailed);
    connect(rigctld, &RigctldClient::failed, this, &RigLink::onRigctldFailed);
    connect(rigctld, &RigctldClient::connected, this, [this] { setProblem(QString()); });
    // What the daemon refused is said in the window until a command passes.
    connect(rigctld, &RigctldClient::commandAnswered, this,
            [this](const QByteArray& command, bool accepted, const QByteArray& reply) {
                if (!accepted)
                    setProblem(QStringLiteral("rigctld refused \"%1\": %2")
                                   .arg(QString::fromLatin1(command), QString::fromLatin1(reply)));
                else if (problem.startsWith(QLatin1String("rigctld refused")))
                    setProblem(QString());
            });
    commands = new RigCommander(*this);
}

RigLink::~RigLink()
{
    tmrGetData.stop();
    reopenTimer.stop();
}

bool RigLink::isLinkOpen() const
{
    if (settings.rigType == Hamlib)
        return rigctld->isConnected();
    return port.isOpen();
}

void RigLink::Test()
{
    commands->cancel();
    const bool rig = settings.rigType != None;
    if (rig && view) {
        view->showMode(NoResponse);
        view->showFrequency(NoResponse);
        view->enableEndTest(true);
        view->showPolling(true);
    }
    if (rig)
        reading.mode.clear();
    settings.portSettings = settings.builtPortSettings();
    if (!rig)
        return;
    bool opened = true;
    if (settings.rigType != Pegasus)
        opened = OpenRigPort();
    if (!opened) {
        if (view) {
            view->enableEndTest(false);
            view->showPolling(false);
        }
        return;
    }
    silentReads = 0;
    pollTick();
    StartPolling();
}

void RigLink::EndTest()
{
    commands->cancel();
    if (view) {
        view->showMode(QString());
        view->showFrequency(QString());
        view->showUnprocessed(QString());
        view->showPolling(false);
        view->enableEndTest(false);
    }
    tmrGetData.stop();
    reopenTimer.stop();
    emit aboutToClose();
    drainDaemon();
    setProblem(QString());
    if (port.isOpen())
        port.close();
    rigctld->close();
}

void RigLink::openFailed(const QString& reason, bool quiet)
{
    // A retry that fails again keeps the first message.
    if (quiet)
        return;
    setProblem(reason);
    beeper.beep();
    dialogs.message(InvalidCommTitle, InvalidCommText, {DialogButton::Ok}, DialogIcon::Information);
    if (view && !view->isShown())
        view->showForCorrection();
}

bool RigLink::OpenRigPort(bool quiet)
{
    const QString& type = settings.rigType;
    if (type == Hamlib) {
        rigctld->close();
        if (settings.hamlibHost.trimmed().isEmpty() || settings.hamlibPort < 1
            || settings.hamlibPort > 65535) {
            openFailed(QStringLiteral("No rigctld host and port are set."), quiet);
            return false;
        }
        // Connecting goes on in the background; a failure is said in the
        // window and retried like a port's.
        rigctld->connectTo(settings.hamlibHost.trimmed(), quint16(settings.hamlibPort));
        return true;
    }
    if (port.isOpen())
        port.close();
    SerialOpenRequest request;
    request.port = settings.port;
    request.handshake = (type == FrontPanel || type == Orion) ? Handshake::RtsCts : Handshake::None;
    request.settingsText = settings.portSettings;
    request.owner = QStringLiteral("rig interface");
    if (!port.open(request)) {
        openFailed(port.openFailure(), quiet);
        return false;
    }
    port.lowerDtrAndRts();
    if (settings.power == QLatin1String("R"))
        port.setRts(true);
    else if (settings.power == QLatin1String("D"))
        port.setDtr(true);
    if (isYaesuBinaryType(type))
        port.write(QByteArray(5, '\0'));
    if (type == Orion)
        port.write(QByteArrayLiteral("X\r"));
    setProblem(QString());
    return true;
}

void RigLink::StartPolling()
{
    if (const int ms = settings.pollIntervalMs())
        tmrGetData.setInterval(ms);
    tmrGetData.start();
}

void RigLink::pollTick()
{
    if (pollPhase)
        readTick();
    else
        sendTick();
}

void RigLink::sendTick()
{
    const QString& type = settings.rigType;
    if (type == Hamlib) {
        rigctld->requestReading();
    } else if (usesSerialPort(type) && port.isOpen() && port.bytesWaiting() == 0) {
        PollRequest request{type, settings.frequencyPoll, settings.modePoll,
                            settings.convertToHex != 0};
        const std::optional<QByteArray> bytes = pollBytes(request, queryToggle);
        if (!bytes)
            return; // a poll string that is not hex: the next tick tries again
        if (!bytes->isEmpty())
            port.write(*bytes);
    }
    pollPhase = true;
}

void RigLink::readTick()
{
    const QString& type = settings.rigType;
    QByteArray input;
    bool data = type == Pegasus;
    if (type == Hamlib) {
        if (std::optional<RigctldClient::Reading> r = rigctld->takeReading()) {
            input = r->raw;
            reading.frequency = r->frequency;
            if (!r->mode.isEmpty())
                reading.mode = r->mode;
            data = true;
        }
    } else if (type != Pegasus) {
        input = port.readAll();
        data = !input.isEmpty();
    }

    if (data) {
        silentReads = 0;
        if (type != Hamlib) {
            const PollStrings polls{settings.frequencyPoll, settings.modePoll, settings.pegasusFile()};
            decodeReply(type, input, polls, queryToggle, reading);
        }
        if (settings.modeSource == RigSettings::ModeFromFrequency)
            reading.mode = ModeFromFrequency(reading.frequency, reading.mode);
        if (view) {
            if (reading.frequency > 0)
                view->showFrequency(formatRigFrequency(reading.frequency));
            view->showMode(reading.mode);
            view->showUnprocessed(view->convertFromHex() ? hexDisplay(input)
                                                         : QString::fromLatin1(input));
        }
        if (settings.useFrequency == 1 && bandFreqConversion)
            bandFreqConversion(reading.frequency);
        if (settings.modeSource != RigSettings::ModeNotUsed && modeSelection)
            modeSelection(reading.mode);
    } else if (isPolling() && ++silentReads == SilentReadsForNoResponse && view) {
        // The radio went quiet: its last values are no longer live.
        view->showFrequency(NoResponse);
        view->showMode(NoResponse);
    }
    pollPhase = false;
}

void RigLink::setProblem(const QString& text)
{
    if (text == problem)
        return;
    problem = text;
    if (view)
        view->showLinkProblem(text);
}

void RigLink::onPortFailed(const QString& reason)
{
    if (!isPolling() || settings.rigType == Hamlib)
        return;
    setProblem(QStringLiteral("%1 Trying again every %2 seconds.")
                   .arg(reason.endsWith(QLatin1Char('.')) ? reason : reason + QLatin1Char('.'))
                   .arg(ReopenMs / 1000));
    reopenTimer.start();
}

void RigLink::onRigctldFailed(const QString& reason)
{
    if (settings.rigType != Hamlib || !isPolling())
        return;
    // The connection's own words name the address too: said once here.
    const QString address = rigctld->address();
    QString why = reason;
    if (why.startsWith(address + QStringLiteral(": ")))
        why.remove(0, address.size() + 2);
    else if (why.startsWith(address + QLatin1Char(' ')))
        why.replace(0, address.size(), QStringLiteral("the daemon"));
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    setProblem(QStringLiteral("Cannot reach rigctld at %1: %2.").arg(address, why));
    reopenTimer.start();
}

void RigLink::retryOpen()
{
    if (!isPolling()) {
        reopenTimer.stop();
        return;
    }
    if (settings.rigType == Hamlib) {
        if (!rigctld->isConnected())
            OpenRigPort(true);
        reopenTimer.stop(); // a new failure starts it again
        return;
    }
    if (OpenRigPort(true)) {
        reopenTimer.stop();
        silentReads = 0;
    }
}

void RigLink::ChangeFrequency(float mhz)
{
    commands->ChangeFrequency(mhz);
}

void RigLink::ChangeMode(float mhz, const QString& mode)
{
    commands->ChangeMode(mhz, mode);
}

bool RigLink::writeRaw(const QByteArray& bytes)
{
    if (!usesSerialPort(settings.rigType) || !port.isOpen())
        return false;
    return port.write(bytes);
}

bool RigLink::holdPolling()
{
    if (!tmrGetData.isActive())
        return false;
    tmrGetData.stop();
    pollHeld = true;
    return true;
}

void RigLink::releasePolling()
{
    if (!pollHeld)
        return;
    pollHeld = false;
    tmrGetData.start();
}

void RigLink::stopPollingAfterError()
{
    pollHeld = false;
    tmrGetData.stop();
    reopenTimer.stop();
    if (view)
        view->showPolling(false);
    setProblem(PollingStoppedText);
}

void RigLink::reportCommandError(const QString& title, const QString& text)
{
    dialogs.message(title, text, {DialogButton::Ok}, DialogIcon::Critical);
}

void RigLink::drainDaemon()
{
    if (!rigctld->isConnected() || rigctld->isIdle())
        return;
    // A local loop that takes no operator input and always ends.
    QEventLoop wait;
    QTimer check;
    check.setInterval(10);
    connect(&check, &QTimer::timeout, &wait, [&] {
        if (!rigctld->isConnected() || rigctld->isIdle())
            wait.quit();
    });
    QTimer::singleShot(500, &wait, &QEventLoop::quit);
    check.start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

void RigLink::unload()
{
    const bool polling = isPolling();
    commands->cancel();
    reopenTimer.stop();
    tmrGetData.stop(); // no poll may follow the stop bytes
    emit aboutToClose();
    drainDaemon();
    if (isYaesuBinaryType(settings.rigType) && polling && port.isOpen()) {
        port.write(QByteArray::fromHex("0000000080"));
        // Let the bytes leave before the port closes: a local loop, at
        // most half a second, that takes no operator input.
        QEventLoop wait;
        QTimer check;
        check.setInterval(10);
        connect(&check, &QTimer::timeout, &wait, [&] {
            if (!port.isOpen() || port.bytesWaiting() == 0)
                wait.quit();
        });
        QTimer::singleShot(500, &wait, &QEventLoop::quit);
        check.start();
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (port.isOpen())
        port.close();
    rigctld->close();
}

} // namespace zelq
