#include "rig/RigCommander.h"

#include "core/OperatorDialogs.h"
#include "devices/SerialLine.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommands.h"
#include "rig/RigLink.h"
#include "rig/RigctldClient.h"
#include "settings/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

namespace zelq {

using namespace RigTypes;

RigCommander::RigCommander(RigLink& l) : QObject(&l), link(l)
{
    stepTimer.setSingleShot(true);
    stepTimer.setTimerType(Qt::PreciseTimer);
    connect(&stepTimer, &QTimer::timeout, this, &RigCommander::nextStep);
    drainTimer.setInterval(DrainCheckMs);
    drainTimer.setTimerType(Qt::PreciseTimer);
    connect(&drainTimer, &QTimer::timeout, this, [this] {
        if (outputDrained() || drainClock.elapsed() >= drainLimit) {
            drainTimer.stop();
            nextStep();
        }
    });
}

QString RigCommander::BandPlanMode(float mhz) const
{
    return zelq::BandPlanMode(bandPlan, mhz);
}

void RigCommander::ChangeFrequency(float mhz)
{
    if (!link.isPolling())
        return;
    // Only the newest frequency still waiting is worth sending.
    jobs.removeIf([](const Job& j) { return j.frequency; });
    jobs.append(Job{true, mhz, {}});
    if (!running)
        startNext();
}

void RigCommander::ChangeMode(float mhz, const QString& mode)
{
    if (link.settings.rigType == None)
        return;
    const QString m = mode.isEmpty() ? BandPlanMode(mhz) : mode;
    if (m.isEmpty())
        return;
    jobs.append(Job{false, mhz, m});
    if (!running)
        startNext();
}

void RigCommander::cancel()
{
    stepTimer.stop();
    drainTimer.stop();
    jobs.clear();
    steps.clear();
    const bool was = running;
    running = false;
    holdingPoll = false;
    link.dropPollHold();
    if (was)
        emit sequenceFinished();
}

void RigCommander::startNext()
{
    while (!jobs.isEmpty() && !running) {
        const Job job = jobs.takeFirst();
        if (job.frequency && !link.isPolling())
            continue; // polling ended after an error: the rest is dropped
        running = true;
        frequencyJob = job.frequency;
        holdingPoll = link.holdPolling();
        sequenceClock.start();
        build(job);
        runStep();
    }
}

bool RigCommander::portReady(const QString& title, const QString& prefix)
{
    const QString& type = link.settings.rigType;
    QString why;
    if (type == Hamlib) {
        if (!link.daemon().isConnected())
            why = QStringLiteral("rigctld at %1 is not connected.").arg(link.daemon().address());
    } else if (usesSerialPort(type) && !link.serialPort().isOpen()) {
        // The port's own failure, without the link's note about retrying:
        // after this error polling stops until Test.
        why = link.linkProblem();
        const qsizetype retry = why.indexOf(QLatin1String(" Trying again"));
        if (retry >= 0)
            why.truncate(retry);
        if (why.isEmpty())
            why = QStringLiteral("The rig's port is not open.");
    }
    if (why.isEmpty())
        return true;
    link.reportCommandError(title, prefix + why);
    return false;
}

bool RigCommander::write(const QByteArray& bytes, const QString& title, const QString& prefix)
{
    if (bytes.isEmpty())
        return true;
    const bool sent = link.settings.rigType == Hamlib ? link.daemon().sendCommand(bytes)
                                                      : link.serialPort().write(bytes);
    if (sent)
        return true;
    if (portReady(title, prefix))
        link.reportCommandError(title, prefix + QStringLiteral("The radio's port refused the command."));
    return false;
}

void RigCommander::addModeSteps(const QString& mode, bool standalone)
{
    const RigSettings& s = link.settings;
    const bool hamlib = s.rigType == Hamlib;
    const QByteArray bytes = hamlib ? hamlibModeCommand(mode)
                                    : modeCommand({s.rigType, s.frequencyPoll, s.modePoll,
                                                   link.reading.kenwoodVfo}, mode);
    if (standalone) {
        steps.append({Step::Act, 0, [this, mode] {
                          return portReady(ModeErrorTitle, mode + QLatin1Char(' '));
                      }});
    }
    if (bytes.isEmpty())
        return;
    steps.append({Step::WaitForOutputDrain, 0, {}});
    if (!hamlib)
        steps.append({Step::PauseMilliseconds, ModePauseMs, {}});
    steps.append({Step::Act, 0, [this, bytes, mode] {
                      return write(bytes, ModeErrorTitle, mode + QLatin1Char(' '));
                  }});
    steps.append({Step::WaitForOutputDrain, 0, {}});
}

void RigCommander::build(const Job& job)
{
    steps.clear();
    if (!job.frequency) {
        addModeSteps(job.mode, true);
        return;
    }
    const RigSettings& s = link.settings;
    const QString type = s.rigType;
    const float mhz = job.mhz;
    if (type == Pegasus) {
        steps.append({Step::Act, 0, [] { return true; }});
    } else {
        // What the radio said before the command is not a reply to it.
        steps.append({Step::Act, 0, [this] {
                          if (!portReady(FrequencyErrorTitle, {}))
                              return false;
                          if (link.settings.rigType != Hamlib)
                              link.serialPort().readAll();
                          return true;
                      }});
    }
    const QString mode = BandPlanMode(mhz);
    if (!mode.isEmpty())
        addModeSteps(mode, false);
    steps.append({Step::WaitForOutputDrain, 0, {}});
    const FrequencyPauses pauses = frequencyPauses(type);
    if (pauses.firstMs > 0)
        steps.append({Step::PauseMilliseconds, pauses.firstMs, {}});
    if (pauses.secondMs > 0)
        steps.append({Step::PauseMilliseconds, pauses.secondMs, {}});
    if (type == Pegasus) {
        steps.append({Step::Act, 0, [this, mhz] {
                          const QString folder = QFileInfo(link.settings.pegasusFile()).path();
                          const QString path = QDir(folder).filePath(QStringLiteral("PEGASUS.IN"));
                          QString error;
                          if (writeFileAtomically(path, pegasusInText(mhz, link.reading.mode), &error))
                              return true;
                          link.reportCommandError(FrequencyErrorTitle, error);
                          return false;
                      }});
        return;
    }
    const QByteArray bytes = type == Hamlib
        ? hamlibFrequencyCommand(mhz)
        : frequencyCommand({type, s.frequencyPoll, s.modePoll, link.reading.kenwoodVfo}, mhz);
    if (bytes.isEmpty())
        return;
    steps.append({Step::Act, 0, [this, bytes] { return write(bytes, FrequencyErrorTitle, {}); }});
    steps.append({Step::WaitForOutputDrain, 0, {}});
}

bool RigCommander::outputDrained() const
{
    if (link.settings.rigType == Hamlib)
        return !link.daemon().isConnected() || link.daemon().isIdle();
    const SerialLine& port = link.serialPort();
    return !port.isOpen() || port.bytesWaiting() == 0;
}

void RigCommander::nextStep()
{
    if (!running)
        return;
    if (!steps.isEmpty())
        steps.removeFirst();
    runStep();
}

void RigCommander::runStep()
{
    if (!running)
        return;
    if (steps.isEmpty()) {
        finish(false);
        return;
    }
    const qint64 elapsed = sequenceClock.elapsed();
    Step& step = steps.first();
    switch (step.kind) {
    case Step::PauseMilliseconds:
        // A pause that would end past the limit is not begun: the command
        // after it would come too late.
        if (elapsed + step.ms > SequenceLimitMs) {
            finish(false);
            return;
        }
        stepTimer.start(step.ms);
        return;
    case Step::WaitForOutputDrain:
        if (outputDrained()) {
            nextStep();
            return;
        }
        drainLimit = int(qMin<qint64>(DrainLimitMs, qMax<qint64>(0, SequenceLimitMs - elapsed)));
        drainClock.start();
        drainTimer.start();
        return;
    case Step::Act: {
        if (elapsed > SequenceLimitMs) {
            finish(false);
            return;
        }
        const std::function<bool()> act = step.act;
        if (!act()) {
            if (running)
                finish(frequencyJob);
            return;
        }
        nextStep();
        return;
    }
    }
}

void RigCommander::finish(bool failedFrequency)
{
    stepTimer.stop();
    drainTimer.stop();
    steps.clear();
    running = false;
    if (failedFrequency) {
        jobs.removeIf([](const Job& j) { return j.frequency; });
        link.stopPollingAfterError();
    } else if (holdingPoll) {
        link.releasePolling();
    }
    holdingPoll = false;
    emit sequenceFinished();
    if (!jobs.isEmpty())
        QTimer::singleShot(0, this, &RigCommander::startNext);
}

} // namespace zelq
