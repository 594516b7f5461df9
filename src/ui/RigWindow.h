#pragma once
// "Rig Interface Setup", RigControlfrm: which radio is attached and how to
// reach it, Test / End Test, and what the radio last said. One window for
// the life of the program: closing only hides it, so polling goes on. It
// owns the radio's port and the rig link that polls it.

#include "rig/RigLink.h"
#include "rig/RigView.h"
#include "devices/SerialLine.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace zelq {

class AppContext;

class RigWindow final : public QWidget, private RigView {
    Q_OBJECT
public:
    // `line` replaces the real serial port (tests); null: the real one.
    RigWindow(AppContext& app, QWidget* parent = nullptr, std::unique_ptr<SerialLine> line = {});
    ~RigWindow() override;

    RigLink& link() { return *rig; }
    const QString& RigType() const { return rig->settings.rigType; }

    void Test();
    void EndTest();
    // Tunes the radio (MHz) after setting the band plan's mode there; acts
    // only while polling. Callers from other windows use these.
    void ChangeFrequency(float mhz) { rig->ChangeFrequency(mhz); }
    void ChangeMode(float mhz, const QString& mode) { rig->ChangeMode(mhz, mode); }
    void Done();
    void ChangeFrequencyButton();
    void CopyUnprocessed();
    // Program end: the Yaesu stop bytes, then the port closes.
    void unloadRig();

    // Shows the frequency test window modally (replaceable by tests).
    std::function<void()> openFrequencyTest;
    // Done asks the log window to save the preferences.
    std::function<void()> savePreferences;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // RigView
    void showFrequency(const QString& text) override;
    void showMode(const QString& text) override;
    void showUnprocessed(const QString& text) override;
    void showPolling(bool on) override;
    void enableEndTest(bool on) override;
    void showLinkProblem(const QString& text) override;
    bool isShown() const override { return isVisible(); }
    bool convertFromHex() const override;
    void showForCorrection() override;

    void build();
    void LoadRigSettings();
    void SaveRigSettings();
    void List1_Click();
    // The option buttons into the settings (items 1-4 and 7-10).
    void collectOptions();
    void selectOption(QButtonGroup* group, const QString& value);
    void showTypeFields();

    AppContext& app;
    std::unique_ptr<SerialLine> port;
    RigLink* rig = nullptr;
    bool loading = false;

    QListWidget* list1 = nullptr;
    QButtonGroup* baud = nullptr;
    QButtonGroup* parity = nullptr;
    QButtonGroup* dataBits = nullptr;
    QButtonGroup* stopBits = nullptr;
    QButtonGroup* comm = nullptr;
    QButtonGroup* power = nullptr;
    QButtonGroup* pollRate = nullptr;
    QButtonGroup* modeBy = nullptr;
    QLineEdit* txtMode = nullptr;
    QLineEdit* txtFreq = nullptr;
    QLineEdit* txtHost = nullptr;
    QLineEdit* txtPort = nullptr;
    QWidget* hamlibBox = nullptr;
    QCheckBox* chkConvToHex = nullptr;
    QCheckBox* chkFrequency = nullptr;
    QCheckBox* chkConvHex = nullptr;
    QLabel* lblFreq = nullptr;
    QLabel* lblMode = nullptr;
    QLabel* lblUnProcess = nullptr;
    QLabel* lblPolling = nullptr;
    QLabel* lblIcomNote = nullptr;
    QLabel* lblLinkStatus = nullptr;
    QPushButton* command1 = nullptr;
    QPushButton* command2 = nullptr;
    QPushButton* cmdDone = nullptr;
};

} // namespace zelq
