#pragma once
// "CW String Selections" (CWFrm): the keying method and port, speed, word
// spacing, timing method, and the eleven function-key messages. It stays
// loaded for the whole run; Done saves and hides it.

#include "keying/CwSettings.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelq {

class Beeper;
class CwControl;
class OperatorDialogs;

class CwSetupWindow : public QWidget {
    Q_OBJECT
public:
    CwSetupWindow(CwControl& control, OperatorDialogs& dialogs, Beeper& beeper, QWidget* parent = nullptr);

    // The fields from the keyer's settings.
    void showSettings(const CwSettings& s);
    // The settings as the fields hold them.
    CwSettings fieldSettings() const;

    void Command1_Click(); // Done
    void Command4_Click(); // Test

    // A line under the keying methods about the chosen one (the radio's
    // keyer not reachable, say); empty hides it.
    void showMethodNote(const QString& text);

signals:
    // Done: the window is hidden; the log window takes the focus back.
    void done();
    // "Configure Winkey" and "Send Code Practice".
    void configureWinKey();
    void codePractice();

protected:
    // Esc closes the window as Done does: every change is already in use.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    void chooseTiming(CwTiming t);
    void applyFields();
    void spaceStep(int step);
    void loopFieldLeft();
    void speedStep(int step);

    CwControl& control;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    std::array<QLineEdit*, 11> messageFields {};
    std::array<QRadioButton*, 6> methodOptions {}; // None, RTS, DTR, Printer, WinKey, Rig
    QPushButton* cmdConfWinkey = nullptr;
    QLabel* lblMethodNote = nullptr;
    QLineEdit* text10 = nullptr; // port
    QLineEdit* text14 = nullptr; // parallel address
    QLineEdit* text11 = nullptr; // speed
    QLineEdit* txtSpace = nullptr;
    QLineEdit* txtCWLoop = nullptr;
    QRadioButton* optTimer = nullptr;
    QRadioButton* optSleep = nullptr;
    QRadioButton* optLoop = nullptr;
    QLineEdit* txtLoop = nullptr;
    QLabel* lblLoop = nullptr;
    QPushButton* cmdLoopFaster = nullptr;
    QPushButton* cmdLoopSlower = nullptr;
    QCheckBox* check1 = nullptr;
    QLabel* lblSending = nullptr;
    QLabel* lblRealtime = nullptr;
    QPushButton* command1 = nullptr;
    bool loading = false;
};

} // namespace zelq
