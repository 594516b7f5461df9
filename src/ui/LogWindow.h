#pragma once
// The log window, Form1: the entry fields, status line, band, clocks and
// multiplier grid, and the menu bar. It wires widgets to the logic in the
// log and settings libraries and owns nothing but widgets.

#include "export/Backup.h"
#include "ui/LogWindowMenu.h"

#include <QMainWindow>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zelq {

class AppContext;
class ContactEntry;
class EntryPanel;
class KeyDispatch;
class LogWindowKeys;
class LogWindowCw;
class LogWindowRtty;
class LogWindowPhone;
class AdifCountryTable;
class ContactEditCommands;
class ContactListView;
class LogChangeListener;
class LogFileWatcher;
class RefreshPoll;
class RatePanel;
class RigWindow;
class ScorePanel;
class SectionGrid;
class SetupCommand;
class LogWindowSpots;
class SpotPanel;

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
    // The stored operating time in its label.
    void ShowOperatingTime();
    void focusCall();

    ContactEntry& contactEntry() { return *entry; }
    // The window's keyboard: Ctrl shortcuts and the keyer modes add to it.
    KeyDispatch& keyDispatch();
    EntryPanel& entryPanel() { return *panel; }

    // Menu commands.
    void mnuBandChoose(const QString& band);
    void mnuPostContest_Click();
    void mnuExit_Click();
    void mnuColors_Click();
    void mnuHelp_Click();
    void mnuSetup_Click();

    const LogWindowMenu& menu() const { return menus; }

    // The rig interface window, made on first use and then only hidden.
    RigWindow& rigWindow();
    void showRigWindow();
    // The logging band follows the radio's frequency (MHz).
    void BandFreqConversion(float frequency);
    // Start-up: a stored radio other than "None" starts polling.
    void startRigIfChosen();
    // Tunes the radio (MHz) in the band plan's mode; nothing unless the
    // rig window is polling. For spots, band maps and the tune window.
    void ChangeFrequency(double mhz);
    // Ctrl+G: the tune window; Ctrl+F and "&Privileges": the band plan.
    void showRigTune();
    void showBandPlan();
    ContactListView& contactListView() { return *contactList; }
    // The spot store, spot list, band maps and the spotting window.
    LogWindowSpots& spots() { return *spotsPart; }
    ContactEditCommands& contactEditCommands() { return *editCommands; }
    // The CW keyer, its setup window and message list.
    LogWindowCw& cwKeyer() { return *cw; }
    LogWindowRtty& rttyLink() { return *rtty; }
    // The voice keyer and the spoken prompts.
    LogWindowPhone& voiceKeyer() { return *phone; }

signals:
    void exitRequested(int code);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectMenu();
    // List, country list, grid and score from the in-memory log.
    void refreshScore();
    // The 60- and 20-minute rates.
    void TimeStats();
    void showEditButtons();
    void hideEditButtons();
    void Timer2_Timer();
    void logOffAtExit();
    void runBackup();

    AppContext& app;
    LogWindowMenu menus;
    SetupCommand* setup = nullptr;
    QTimer* timer2 = nullptr;

    EntryPanel* panel = nullptr;
    LogWindowKeys* keys = nullptr;
    std::unique_ptr<ContactEntry> entry;
    QLabel* label24 = nullptr; // band
    QLabel* lblOwnCall = nullptr;
    QLabel* lblOwnSpc = nullptr;
    QLabel* lblOwnName = nullptr;
    QLabel* lblutctime = nullptr;
    QLabel* lblCurTime = nullptr;
    QLabel* label16 = nullptr;
    QLabel* lblttrack = nullptr; // operating time
    SectionGrid* grid = nullptr;
    ScorePanel* score = nullptr;
    RatePanel* rates = nullptr;
    QTimer* timer1 = nullptr; // rates
    ContactListView* contactList = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;
    ContactEditCommands* editCommands = nullptr;
    std::unique_ptr<RefreshPoll> poll;
    std::unique_ptr<AdifCountryTable> adifCountries; // read once per run
    QTimer* timer3 = nullptr; // the poll of the shared log
    BackupRunner backups;
    LogChangeListener* listener = nullptr;
    LogWindowCw* cw = nullptr;
    LogWindowRtty* rtty = nullptr;
    LogWindowPhone* phone = nullptr;
    LogFileWatcher* fileWatcher = nullptr;
    bool listInUse = false; // a list click holds reloads until the call field is back
    RigWindow* rig = nullptr;
    SpotPanel* spotPanel = nullptr;
    LogWindowSpots* spotsPart = nullptr;
    void connectSpots();
    // The band change of a menu choice, without taking the focus.
    void selectBand(const QString& band);
};

// The status-line text shown at start-up.
inline const QString StartupPrompt = QStringLiteral("Select a band. Click Log \"Time On\" below!");

} // namespace zelq
