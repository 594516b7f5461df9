#pragma once
// The station setup window: the station's identity, mode, transmitter
// number and the log's path. "Done" connects to the log; the window stays
// open until that works or the operator cancels. Shown at every start and
// from the Setup menu; the caller saves the preferences and reloads the log
// after it is accepted, and ends the program when it is cancelled.

#include "settings/StationSetup.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelq {

class Beeper;
class LogSession;
class OperatorDialogs;
class PrefixTable;
class SharedPreferences;
struct Preferences;

class StationSetupWindow : public QDialog {
    Q_OBJECT
public:
    StationSetupWindow(Preferences& prefs, const PrefixTable& prefixes, SharedPreferences& shared,
                       LogSession& session, OperatorDialogs& dialogs, Beeper& beeper,
                       const QString& installFolder, QWidget* parent = nullptr);

signals:
    // "Cancel": the operator gives up on connecting (the connection, if
    // open, is closed) and the program ends. Closing the window by its frame
    // only ends the modal run; what follows is the caller's choice.
    void cancelRequested();
    // The operator asked for the help window.
    void helpRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void fill(const StationFields& f);
    StationFields fields() const;
    bool typeKey(QLineEdit* edit, QChar typed);
    void leaveField(QLineEdit* edit);
    void onDone();
    void onBrowse();
    void onNewLog();
    void onHelp();
    void onCancel();
    void updateTyrmEnabled();

    Preferences& prefs;
    const PrefixTable& prefixes;
    SharedPreferences& shared;
    LogSession& session;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    QString installFolder;
    QString currentMode;

    QLineEdit* text1 = nullptr;  // call
    QLineEdit* text5 = nullptr;  // S/P/C
    QLineEdit* text2 = nullptr;  // country
    QLineEdit* text3 = nullptr;  // longitude
    QLineEdit* text4 = nullptr;  // latitude
    QLineEdit* text6 = nullptr;  // UTC offset
    QLineEdit* text7 = nullptr;  // continent
    QLineEdit* text8 = nullptr;  // first name
    QLineEdit* text10 = nullptr; // transmitter #
    QLineEdit* text9 = nullptr;  // log path
    QRadioButton* option1 = nullptr;
    QRadioButton* option2 = nullptr;
    QRadioButton* option3 = nullptr;
    QCheckBox* chkTyrm = nullptr;
    QLabel* lblTyrm = nullptr;
    QLineEdit* fldigiHost = nullptr;
    QLineEdit* fldigiPort = nullptr;
    QLabel* lblFldigiHost = nullptr;
    QLabel* lblFldigiPort = nullptr;
    QPushButton* command1 = nullptr; // Done
    QPushButton* command2 = nullptr; // Browse
    QPushButton* command3 = nullptr; // Cancel
    QPushButton* command4 = nullptr; // Help
    QPushButton* newLog = nullptr;
};

} // namespace zelq
