#pragma once
// "Phone Wave Selections" (PhoneFrm): the nine message files with their
// Browse buttons, the PTT port and line, the parallel address, the F1
// pause, the sound output the radio listens to, Test, Stop and Done. It
// stays loaded for the whole run; Done saves "wave2.txt" and hides it.

#include "keying/PhoneSettings.h"

#include <QWidget>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelq {

class Beeper;
class OperatorDialogs;
class PhoneControl;

class PhoneWindow : public QWidget {
    Q_OBJECT
public:
    PhoneWindow(PhoneControl& control, OperatorDialogs& dialogs, Beeper& beeper, QString installFolder,
                QWidget* parent = nullptr);

    void showSettings(const PhoneSettings& s);
    PhoneSettings fieldSettings() const;

    void browse(int index); // Command2 … Command10
    void Command1_Click();  // Done
    void Command11_Click(); // Test
    void Command12_Click(); // Stop

signals:
    void done();

private:
    void buildLayout();
    void applyFields();
    void portLeft();
    void loopLeft();

    PhoneControl& control;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    QString installFolder;
    std::array<QLineEdit*, 9> files {};
    std::array<QRadioButton*, 4> lines {}; // RTS, DTR, Parallel, Rig
    QLineEdit* text10 = nullptr;  // PTT port
    QLineEdit* text11 = nullptr;  // parallel address
    QLineEdit* txtPHLoop = nullptr;
    QComboBox* cboOutput = nullptr;
    QLabel* lblRigNote = nullptr; // why the radio's PTT cannot be keyed
    QPushButton* command1 = nullptr;
    QPushButton* command12 = nullptr;
    bool loading = false;
};

} // namespace zelq
