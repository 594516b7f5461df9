#pragma once
// "Change Frequency and Mode (Ctrl G (Go))", frmRigTune: type a frequency
// or pick a band and Go, nudge it by a step, set the mode, or scan a range
// every 299 ms. Made for each opening (modal), so it starts fresh.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zelq {

class RigWindow;

class RigTuneWindow final : public QDialog {
    Q_OBJECT
public:
    explicit RigTuneWindow(RigWindow& rig, QWidget* parent = nullptr);

    // Go: the frequency box to the radio, when it is a number and a rig is chosen.
    void Go();
    void cmdBand_Click(int index);
    void cmdTune_Click(int index);
    void modeButton(const QString& mode);
    void chkScan_Click();
    // One scan step (Timer1).
    void Timer1_Timer();

    static constexpr int ScanIntervalMs = 299;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void frequencyEdited();
    double scanStep() const;

    RigWindow& rig;
    QLineEdit* txtFreq = nullptr;
    QLineEdit* txtFrom = nullptr;
    QLineEdit* txtTo = nullptr;
    QCheckBox* chkScan = nullptr;
    QPushButton* command1 = nullptr;
    QPushButton* cmdDone = nullptr;
    QList<QPushButton*> steps;
    QButtonGroup* scanSteps = nullptr;
    QTimer* timer1 = nullptr;
};

// "####.#####": at most five decimals, no trailing zeros.
QString scanFrequencyText(float mhz);
// The next scan frequency: one step up, back to `from` past `to`.
float nextScanFrequency(float current, float from, float to, float step);

} // namespace zelq
