#pragma once
// The log window, Form1: the entry fields, status line, band, clocks and
// multiplier grid, and the menu bar. It wires widgets to the logic in the
// log and settings libraries and owns nothing but widgets.

#include "ui/LogWindowMenu.h"

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zelq {

class AppContext;
class SectionGrid;
class SetupCommand;

class LogWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit LogWindow(AppContext& app, QWidget* parent = nullptr);
    ~LogWindow() override;

    // Station setup (menu "Setup" and the start-up sequence).
    SetupCommand& setupCommand() { return *setup; }

    // Shows the saved band in the menu and the band label.
    void showBand(const QString& band);
    // Sizes the window to the form-size and taskbar settings.
    void applyFormSize();
    // The own call, S/P/C and first name in their labels.
    void refreshStationLabels();
    void setStatus(const QString& text);
    void focusCall();

    // Menu commands.
    void mnuBandChoose(const QString& band);
    void cmdClear_Click();
    void mnuColors_Click();
    void mnuHelp_Click();
    void mnuSetup_Click();

    const LogWindowMenu& menu() const { return menus; }

signals:
    void exitRequested(int code);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void connectMenu();
    void paintGridForReload();
    void Timer2_Timer();
    void txtCall_Change();
    void txtCntry_Change();

    AppContext& app;
    LogWindowMenu menus;
    SetupCommand* setup = nullptr;
    QTimer* timer2 = nullptr;

    QLineEdit* txtCall = nullptr;
    QLineEdit* txtRSTR = nullptr;
    QLineEdit* txtCntry = nullptr;
    QLabel* label19 = nullptr; // continent
    QLabel* label22 = nullptr; // bearing
    QLabel* label23 = nullptr; // miles
    QLabel* label3 = nullptr;  // "New"
    QLabel* lblDialog = nullptr;
    QLabel* lblDupe = nullptr;
    QLabel* label24 = nullptr; // band
    QLabel* lblOwnCall = nullptr;
    QLabel* lblOwnSpc = nullptr;
    QLabel* lblOwnName = nullptr;
    QLabel* lblutctime = nullptr;
    QLabel* lblCurTime = nullptr;
    QLabel* label16 = nullptr;
    QPushButton* cmdClear = nullptr;
    SectionGrid* grid = nullptr;
};

// The status-line text shown at start-up.
inline const QString StartupPrompt = QStringLiteral("Select a band. Click Log \"Time On\" below!");

} // namespace zelq
