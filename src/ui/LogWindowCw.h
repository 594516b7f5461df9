#pragma once
// The CW keyer on the log window: the keyer logic, its setup window and
// the message list, wired to the window's keyboard, status line, call
// field and logging. The log window owns one and asks it before closing.

#include <QObject>

namespace zelq {

class AppContext;
class CwControl;
class CwSetupWindow;
class CwStringsWindow;
class LogWindow;
class PhoneControl;
class RigKeyer;
class WinKeyer;
class WinKeyWindow;

class LogWindowCw : public QObject {
    Q_OBJECT
public:
    LogWindowCw(AppContext& app, LogWindow& window);
    ~LogWindowCw() override;

    CwControl& control() { return *cw; }
    CwSetupWindow& setupWindow() { return *frmCW; }
    CwStringsWindow& stringsWindow() { return *strings; }
    WinKeyer& winKey() { return *winKeyer; }
    WinKeyWindow& winKeyWindow() { return *frmWinKey; }
    RigKeyer& radioKeyer() { return *rigKeyer; }

    // The window asks to close: false (refused) while the keyer sends.
    bool allowClose();

    void showSetup();
    void showStrings();

    // The WinKeyer and the voice keyer's PTT may be set to one serial
    // port: whichever opens it takes it from the other.
    void sharePortWith(PhoneControl& phone);

private:
    void setUpWinKey(AppContext& app);
    void setUpRigKeyer();

    LogWindow& window;
    CwControl* cw = nullptr;
    CwSetupWindow* frmCW = nullptr;
    CwStringsWindow* strings = nullptr;
    WinKeyer* winKeyer = nullptr;
    WinKeyWindow* frmWinKey = nullptr;
    RigKeyer* rigKeyer = nullptr;
};

} // namespace zelq
