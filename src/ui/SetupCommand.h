#pragma once
// The station setup command: the setup window opens over the log window,
// connects to the log itself, and on success the settings are saved and
// the log reloaded. It runs at every start and from the Setup menu.

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTimer;
class QWidget;

namespace zelq {

class AppContext;
class StationSetupWindow;

class SetupCommand : public QObject {
    Q_OBJECT
public:
    SetupCommand(AppContext& app, QWidget* window);

    // Opens the setup window (window-modal; returns at once).
    void start();
    // The open window, while it is open (tests drive it).
    StationSetupWindow* window() const;
    // The log window's poll timer, stopped while setup is open.
    void setPollTimer(QTimer* timer) { pollTimer = timer; }

signals:
    void applied();    // connected, saved and reloaded
    void cancelled();  // the operator chose Cancel: the program ends
    void helpRequested();

private:
    void finish();

    AppContext& app;
    QWidget* parentWindow;
    QPointer<StationSetupWindow> form;
    QPointer<QTimer> pollTimer;
    bool cancelledByOperator = false;
};

} // namespace zelq
