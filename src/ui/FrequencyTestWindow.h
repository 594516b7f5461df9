#pragma once
// "Test Change Frequency Function", frmFrequencyTest: from the rig window
// while polling, for trying a raw command from a radio's manual (as text
// or as hex pairs) and the frequency command of the chosen type.

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace zelq {

class RigLink;

class FrequencyTestWindow final : public QDialog {
    Q_OBJECT
public:
    explicit FrequencyTestWindow(RigLink& link, QWidget* parent = nullptr);

    // Send: the command box as text, or as hex pairs with "Convert to Hex".
    void Command1_Click();
    // Send: ChangeFrequency with the frequency box.
    void Command2_Click();

private:
    RigLink& link;
    QLineEdit* text1 = nullptr;
    QCheckBox* check1 = nullptr;
    QLineEdit* text2 = nullptr;
};

} // namespace zelq
