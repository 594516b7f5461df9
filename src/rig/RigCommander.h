#pragma once
// Tuning the radio and setting its mode. Each command is a sequence of
// timed steps run by timers - a pause, a wait for the port's output to
// drain, a write - so the window keeps working while the radio is told.
// A frequency sequence holds the poll off from its first step to its last;
// a newer frequency replaces one still waiting to start; every sequence
// ends within SequenceLimitMs, the poll running again.
//
// Errors are said once in a box ("Error Changing Frequency", "Error
// Changing Mode"); after a frequency error the poll stays stopped until
// the operator presses Test again, so a scan cannot raise a box per tick.

#include "rig/BandPlan.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace zelq {

class RigLink;

class RigCommander final : public QObject {
    Q_OBJECT
public:
    explicit RigCommander(RigLink& link);

    // Tunes the radio (MHz), after the mode the band plan gives there.
    // Does nothing unless the link is polling.
    void ChangeFrequency(float mhz);
    // Sets the radio's mode; an empty mode is looked up in the band plan at
    // `mhz`. Needs no polling; nothing for rig type "None".
    void ChangeMode(float mhz, const QString& mode);
    QString BandPlanMode(float mhz) const;

    // A sequence is running or waiting.
    bool isBusy() const { return running || !jobs.isEmpty(); }
    // Drops the running sequence and every waiting one (Test, End Test).
    void cancel();

    // The class "E" rows of the band plan, loaded once with the window.
    QList<BandPlanRecord> bandPlan;

    static constexpr int DrainLimitMs = 2000;
    static constexpr int SequenceLimitMs = 2500;
    static constexpr int DrainCheckMs = 2;
    static inline const QString FrequencyErrorTitle = QStringLiteral("Error Changing Frequency");
    static inline const QString ModeErrorTitle = QStringLiteral("Error Changing Mode");

signals:
    // A sequence ended (sent, failed or dropped).
    void sequenceFinished();

private:
    struct Job {
        bool frequency = false;
        float mhz = 0;
        QString mode;
    };
    // PauseMilliseconds: at least `ms`, by a timer. WaitForOutputDrain:
    // until the port has sent everything (checked every DrainCheckMs) or
    // DrainLimitMs have passed. Act: a write or a check.
    struct Step {
        enum Kind { PauseMilliseconds, WaitForOutputDrain, Act } kind;
        int ms = 0;
        std::function<bool()> act; // false: an error was reported, stop
    };

    void startNext();
    void build(const Job& job);
    void addModeSteps(const QString& mode, bool standalone);
    void runStep();
    void nextStep();
    void finish(bool failedFrequency);
    bool outputDrained() const;
    bool portReady(const QString& title, const QString& prefix);
    bool write(const QByteArray& bytes, const QString& title, const QString& prefix);

    RigLink& link;
    QList<Job> jobs;
    QList<Step> steps;
    bool running = false;
    bool holdingPoll = false;
    bool frequencyJob = false;
    QElapsedTimer sequenceClock;
    QElapsedTimer drainClock;
    QTimer stepTimer;
    QTimer drainTimer;
    int drainLimit = 0;
};

} // namespace zelq
