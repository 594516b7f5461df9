#pragma once
// The link to fldigi on the log window: made when the station setup closes
// in mode "RY" with "Connect to fldigi?" ticked, fed by the call field and
// the keyboard, and feeding the call, name and S/P/C fields.

#include <QObject>

namespace zelq {

class AppContext;
class LogWindow;
class RttyLink;

class LogWindowRtty : public QObject {
    Q_OBJECT
public:
    LogWindowRtty(AppContext& app, LogWindow& window);
    ~LogWindowRtty() override;

    RttyLink& link() { return *rtty; }

    // After the station setup: connect (again at once), or end the link.
    void afterSetup();

private:
    AppContext& app;
    LogWindow& window;
    RttyLink* rtty = nullptr;
};

} // namespace zelq
