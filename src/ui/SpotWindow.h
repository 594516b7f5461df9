#pragma once
// "DX Spotting Setup", PacketSpotfrm: which source of cluster traffic is
// used and how to reach it, the raw traffic, a line to send back, and the
// spot of the last contact. One window for the life of the program: Done
// only hides it, so the connection stays up. It owns the cluster link and
// hands every spot line on to the log window's spot store. The sources:
// a cluster over Telnet, a TNC on a serial port, or a cluster node reached
// through an AGW packet engine.

#include "spots/SpotSettings.h"
#include "spots/SpotStore.h"

#include <QWidget>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace zelq {

class AgwLink;
class Beeper;
class ClusterLink;
class OperatorDialogs;
class SerialLine;
class TncPort;

class SpotWindow final : public QWidget {
    Q_OBJECT
public:
    // `settingsPath`: PackSpot.txt in the installation folder.
    SpotWindow(const QString& settingsPath, QWidget* parent = nullptr);
    ~SpotWindow() override;

    void Command1_Click(); // Open Port
    void Command2_Click(); // Close Port
    void Command3_Click(); // Spot Last
    void cmdDone_Click();
    void sendTyped();      // Enter in the send box

    ClusterLink& cluster() { return *link; }
    AgwLink& agwLink() { return *agw; }
    // The serial line a TNC is reached through (the window's own; set
    // once, before the first open). Without one, TNC cannot be opened.
    void setSerialLine(SerialLine* line);
    TncPort* tncPort() const { return tnc; }
    // Esc or Ctrl+C with the TNC open: the command-mode character.
    bool Form_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    const SpotSettings& settings() const { return stored; }
    bool listening() const;
    QString paneText() const;

    // The pane: appended text is trimmed to the newest traffic.
    void appendTraffic(const QString& text);
    void TrimTrafficWindow();

    // Filled in by the log window.
    std::function<QString()> ownCall;
    std::function<QString()> lastLoggedCall;
    // A spot line: frequency text (kHz), call and the line.
    std::function<void(const QString&, const QString&, const QString&)> AddSpot;
    // The list / band-map choice changed (true: the list).
    std::function<void(bool)> displayChanged;
    // Every 361st tick of the 333 ms timer: the band map is redrawn.
    std::function<void()> redrawBandMap;
    OperatorDialogs* dialogs = nullptr;
    Beeper* beeper = nullptr;
    // A spot arrived: the tick count starts again.
    void spotArrived() { ticker.reset(); }
    QTimer* timer() const { return timer1; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void LoadSpotSettings();
    void SaveSpotSettings();
    void collect();
    void List1_Click();
    void Timer1_Timer();
    void ConnectTelnet();
    void OpenTnc();
    void ConnectAgw();
    void SendAgwText(const QString& text);
    void agwFailed();
    void showMessage(const QString& title, const QString& text);
    void beep(int times = 1);
    void lineArrived(const QString& line);
    void tncLineArrived(const QString& line);

    const QString path;
    SpotSettings stored;
    ClusterLink* link = nullptr;
    AgwLink* agw = nullptr;
    TncPort* tnc = nullptr;
    BandMapTicker ticker;
    bool loading = false;

    QListWidget* list1 = nullptr;
    QButtonGroup* baud = nullptr;
    QButtonGroup* parity = nullptr;
    QButtonGroup* dataBits = nullptr;
    QButtonGroup* stopBits = nullptr;
    QButtonGroup* comm = nullptr;
    QButtonGroup* power = nullptr;
    QButtonGroup* handshaking = nullptr;
    QWidget* serialBox = nullptr;
    QWidget* telnetBox = nullptr;
    QWidget* agwBox = nullptr;
    QLineEdit* txtAgwHost = nullptr;
    QLineEdit* txtAgwPort = nullptr;
    QCheckBox* chkConvToHex = nullptr;
    QCheckBox* chkDX = nullptr;
    QRadioButton* optList = nullptr;
    QRadioButton* optBand = nullptr;
    QLineEdit* txtHex = nullptr;
    QLineEdit* txtTelnetHost = nullptr;
    QLineEdit* txtTelnetPort = nullptr;
    QLineEdit* txtLoginCall = nullptr;
    QPlainTextEdit* txtUnProcessed = nullptr;
    QLineEdit* txtSent = nullptr;
    QLabel* lblSend = nullptr;
    QLabel* label4 = nullptr;
    QLabel* lblHelp = nullptr;
    QPushButton* command1 = nullptr;
    QPushButton* command2 = nullptr;
    QPushButton* command3 = nullptr;
    QPushButton* cmdDone = nullptr;
    QTimer* timer1 = nullptr;
};

} // namespace zelq
