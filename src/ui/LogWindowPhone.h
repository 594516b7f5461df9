#pragma once
// The voice keyer and the spoken prompts on the log window: the keyer
// logic with its window ("&Voice Setup", Ctrl+P), the navigation prompts
// with theirs ("&Voice Navigation"), wired to the window's keyboard,
// status line, entry fields and duplicate checking.

#include <QObject>

namespace zelq {

class AppContext;
class BlindWindow;
class LogWindow;
class PhoneControl;
class PhoneWindow;
class QtWavePlayer;
class VoiceNavigation;

class LogWindowPhone : public QObject {
    Q_OBJECT
public:
    LogWindowPhone(AppContext& app, LogWindow& window);
    ~LogWindowPhone() override;

    PhoneControl& control() { return *phone; }
    PhoneWindow& phoneWindow() { return *frmPhone; }
    BlindWindow& blindWindow() { return *frmBlind; }
    VoiceNavigation& navigation() { return *prompts; }
    QtWavePlayer& keyerPlayer() { return *keyerOut; }
    QtWavePlayer& promptPlayer() { return *promptOut; }

    void showPhoneSetup();
    void showNavigation();

private:
    AppContext& app;
    LogWindow& window;
    QtWavePlayer* keyerOut = nullptr;
    QtWavePlayer* promptOut = nullptr;
    PhoneControl* phone = nullptr;
    VoiceNavigation* prompts = nullptr;
    PhoneWindow* frmPhone = nullptr;
    BlindWindow* frmBlind = nullptr;
};

} // namespace zelq
