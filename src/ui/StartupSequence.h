#pragma once
// What happens once the log window is up: preferences, the UTC offset
// check, the band, the prefix table, station setup (which connects and
// loads the log), and the question whether to continue the log. Every
// question goes through the operator dialogs; the setup window is opened
// window-modal, so the sequence continues when it closes.

#include <QObject>

namespace zelq {

class AppContext;
class LogWindow;

class StartupSequence : public QObject {
    Q_OBJECT
public:
    enum ExitCode { ExitLoadFailed = 1, ExitSetupCancelled = 2 };
    enum class State { NotStarted, InSetup, Ready, Stopped, Ended };

    StartupSequence(AppContext& app, LogWindow& window);

    void run();
    State state() const { return current; }

signals:
    // The sequence is done and the operator can log.
    void ready();
    // The start-up stopped early (bad preferences file); the window stays.
    void stopped();
    // The program must end with this code.
    void exitRequested(int code);

private:
    void afterSetup();
    void end(int code);

    AppContext& app;
    LogWindow& window;
    State current = State::NotStarted;
};

} // namespace zelq
