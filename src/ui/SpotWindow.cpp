#include "ui/SpotWindow.h"

#include "ui/FormControls.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "spots/AgwLink.h"
#include "spots/ClusterLink.h"
#include "spots/SpotLine.h"
#include "spots/TncInput.h"
#include "spots/TncPort.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace zelq {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Caption = QStringLiteral("DX Spotting Setup");
const QString AgwIntro = QStringLiteral(
    "Unable to connect to the AGW Packet Engine.  To use the AGW Packet Engine to send and receive packet "
    "with your soundcard or devices such a Baypac:");
const QString AgwWhere = QStringLiteral(
    "- The AGW Packet Engine runs on Windows; on Linux, Direwolf (package direwolf) offers the same "
    "TCP/IP interface, by default on port 8000.");
constexpr int PaneLimit = 10000;
constexpr int PaneKept = 9000;

using form::button;
using form::checkedValue;
using form::edit;
using form::optionGroup;

// Stored values may carry blanks or another case than the options.
void selectOption(QButtonGroup* group, const QString& value)
{
    form::selectOption(group, value.trimmed(), Qt::CaseInsensitive);
}

QString helpFor(const QString& source)
{
    if (source == SourceTelnet)
        return QStringLiteral("Type the cluster's host name and port, then click Open Port.  The program "
                              "logs in with the login call (your own call when left empty).");
    if (source == SourceTnc)
        return QStringLiteral("Choose the serial port and settings of your TNC, then click Open Port.");
    if (source == SourceAgw)
        return QStringLiteral("Start the AGW Packet Engine (or Direwolf), then click Open Port.  Connect to a "
                              "cluster node with :C CALL, leave it with :D.");
    return QStringLiteral("Choose a source of DX spots.");
}

} // namespace

SpotWindow::SpotWindow(const QString& settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window), path(settingsPath)
{
    setObjectName(QStringLiteral("PacketSpotfrm"));
    setWindowTitle(QStringLiteral("DX Spotting Setup"));
    link = new ClusterLink(this);
    agw = new AgwLink(this);
    build();
    timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(333);
    connect(timer1, &QTimer::timeout, this, &SpotWindow::Timer1_Timer);

    connect(link, &ClusterLink::lineReceived, this, &SpotWindow::lineArrived);
    connect(link, &ClusterLink::note, this, [this](const QString& text) { appendTraffic(text + CrLf); });
    connect(link, &ClusterLink::openFailed, this, [this] {
        label4->hide();
        timer1->stop();
    });

    connect(agw, &AgwLink::note, this, [this](const QString& text) { appendTraffic(text + CrLf); });
    connect(agw, &AgwLink::lineReceived, this, &SpotWindow::lineArrived);
    connect(agw, &AgwLink::opened, this, [this] {
        appendTraffic(CrLf + QStringLiteral("** Successfully connected to AGW Packet Engine **") + CrLf + CrLf);
    });
    connect(agw, &AgwLink::openFailed, this, &SpotWindow::agwFailed);
    connect(agw, &AgwLink::lost, this, [this] {
        setWindowTitle(Caption);
        label4->hide();
        timer1->stop();
    });
    connect(agw, &AgwLink::stationConnected, this, [this](const QString& call) {
        appendTraffic(QStringLiteral("** Connected to ") + call + QStringLiteral(" **") + CrLf);
        setWindowTitle(Caption + QStringLiteral(" - Connected to ") + call);
        beep();
    });
    connect(agw, &AgwLink::stationDisconnected, this, [this](const QString& call) {
        beep(2);
        appendTraffic(CrLf + QStringLiteral("** Disconnected from ") + call + QStringLiteral(" **") + CrLf);
        setWindowTitle(Caption);
    });

    loading = true;
    list1->addItems({SourceNone, SourceTnc, SourceTelnet, SourceAgw});
    LoadSpotSettings();
    loading = false;
}

SpotWindow::~SpotWindow() = default;

void SpotWindow::build()
{
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;

    auto* sourceColumn = new QVBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("Spot source:"), this);
    list1 = new QListWidget(this);
    list1->setObjectName(QStringLiteral("List1"));
    list1->setAccessibleName(QStringLiteral("Spot source"));
    list1->setMaximumHeight(90);
    listLabel->setBuddy(list1);
    sourceColumn->addWidget(listLabel);
    sourceColumn->addWidget(list1);
    lblHelp = new QLabel(this);
    lblHelp->setObjectName(QStringLiteral("lblHelp"));
    lblHelp->setWordWrap(true);
    lblHelp->setMaximumWidth(260);
    // room for the longest help text, so the window keeps its shape
    lblHelp->setMinimumHeight(lblHelp->fontMetrics().lineSpacing() * 4);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sourceColumn->addWidget(lblHelp);

    telnetBox = new QGroupBox(QStringLiteral("Telnet"), this);
    telnetBox->setObjectName(QStringLiteral("fraTelnet"));
    auto* telnet = new QGridLayout(telnetBox);
    txtTelnetHost = edit("txtTelnetHost", QStringLiteral("Host"), telnetBox);
    txtTelnetPort = edit("txtTelnetPort", QStringLiteral("Port"), telnetBox);
    txtTelnetPort->setValidator(new QIntValidator(0, 65535, txtTelnetPort));
    txtTelnetPort->setMaximumWidth(80);
    txtLoginCall = edit("txtLoginCall", QStringLiteral("Login call"), telnetBox);
    txtLoginCall->setPlaceholderText(QStringLiteral("own call"));
    txtLoginCall->setMaximumWidth(120);
    int row = 0;
    for (auto [caption, field] : {std::pair{"Host:", txtTelnetHost}, std::pair{"Port:", txtTelnetPort},
                                  std::pair{"Login call:", txtLoginCall}}) {
        auto* l = new QLabel(QString::fromLatin1(caption), telnetBox);
        l->setBuddy(field);
        telnet->addWidget(l, row, 0);
        telnet->addWidget(field, row++, 1);
    }
    sourceColumn->addWidget(telnetBox);

    agwBox = new QGroupBox(QStringLiteral("AGW Packet Engine"), this);
    agwBox->setObjectName(QStringLiteral("fraAgw"));
    auto* agwGrid = new QGridLayout(agwBox);
    txtAgwHost = edit("txtAgwHost", QStringLiteral("AGW host"), agwBox);
    txtAgwPort = edit("txtAgwPort", QStringLiteral("AGW port"), agwBox);
    txtAgwPort->setValidator(new QIntValidator(1, 65535, txtAgwPort));
    txtAgwPort->setMaximumWidth(80);
    row = 0;
    for (auto [caption, field] : {std::pair{"Host:", txtAgwHost}, std::pair{"Port:", txtAgwPort}}) {
        auto* l = new QLabel(QString::fromLatin1(caption), agwBox);
        l->setBuddy(field);
        agwGrid->addWidget(l, row, 0);
        agwGrid->addWidget(field, row++, 1);
    }
    sourceColumn->addWidget(agwBox);
    sourceColumn->addStretch(1);
    top->addLayout(sourceColumn);

    serialBox = new QWidget(this);
    auto* serial = new QGridLayout(serialBox);
    serial->setContentsMargins(0, 0, 0, 0);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Baud"),
                                  {{"optBaud12", "1.2k", "1200"}, {"optBaud24", "2.4k", "2400"},
                                   {"optBaud48", "4.8k", "4800"}, {"optBaud96", "9.6k", "9600"},
                                   {"optBaud144", "14.4k", "14400"}, {"optBaud192", "19.2k", "19200"}},
                                  baud, 2), 0, 0);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Parity"),
                                  {{"optParityO", "Odd", "O"}, {"optParityN", "None", "N"}, {"optParityE", "Even", "E"}},
                                  parity), 0, 1);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Data Bits"),
                                  {{"optData7", "7", "7"}, {"optData8", "8", "8"}}, dataBits), 0, 2);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Stop Bits"),
                                  {{"optStop1", "1", "1"}, {"optStop2", "2", "2"}}, stopBits), 0, 3);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Com Port"),
                                  {{"optComm_0", "1", "1"}, {"optComm_1", "2", "2"}, {"optComm_2", "3", "3"},
                                   {"optComm_3", "4", "4"}, {"optComm_4", "5", "5"}, {"optComm_5", "6", "6"},
                                   {"optComm_6", "7", "7"}, {"optComm_7", "8", "8"}, {"optComm_8", "9", "9"},
                                   {"optComm_9", "10", "10"}},
                                  comm, 5), 1, 0, 1, 2);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Connection Power"),
                                  {{"optPowerRTS", "RTS", "R"}, {"optPowerDTR", "DTR", "D"}, {"optPowerNone", "None", "N"}},
                                  power), 1, 2);
    serial->addWidget(optionGroup(serialBox, QStringLiteral("Handshaking"),
                                  {{"Option1", "None", "1"}, {"Option2", "Xon Xoff", "2"}, {"Option3", "RTS", "3"},
                                   {"Option4", "RTS OnOff", "4"}},
                                  handshaking), 1, 3);
    chkConvToHex = new QCheckBox(QStringLiteral("Convert to Hex"), serialBox);
    chkConvToHex->setObjectName(QStringLiteral("chkConvToHex"));
    chkConvToHex->setAccessibleName(chkConvToHex->text());
    serial->addWidget(chkConvToHex, 2, 0);
    auto* hexLabel = new QLabel(QStringLiteral("Command-mode character (hex):"), serialBox);
    txtHex = edit("txtHex", QStringLiteral("Command-mode character"), serialBox);
    txtHex->setMaximumWidth(50);
    hexLabel->setBuddy(txtHex);
    serial->addWidget(hexLabel, 2, 1, 1, 2, Qt::AlignRight);
    serial->addWidget(txtHex, 2, 3);
    top->addWidget(serialBox, 1);
    outer->addLayout(top);

    auto* options = new QHBoxLayout;
    chkDX = new QCheckBox(QStringLiteral("List DX Only (also controls main form)"), this);
    chkDX->setObjectName(QStringLiteral("chkDX"));
    chkDX->setAccessibleName(chkDX->text());
    options->addWidget(chkDX);
    auto* display = new QGroupBox(QStringLiteral("Main Form Display"), this);
    auto* displayRow = new QHBoxLayout(display);
    optList = new QRadioButton(QStringLiteral("List"), display);
    optList->setObjectName(QStringLiteral("OptList"));
    optList->setAccessibleName(QStringLiteral("Main Form Display List"));
    optBand = new QRadioButton(QStringLiteral("Band Map"), display);
    optBand->setObjectName(QStringLiteral("OptBand"));
    optBand->setAccessibleName(QStringLiteral("Main Form Display Band Map"));
    displayRow->addWidget(optList);
    displayRow->addWidget(optBand);
    options->addWidget(display);
    options->addStretch(1);
    label4 = new QLabel(QStringLiteral("Listening"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setStyleSheet(QStringLiteral("color: rgb(0, 128, 0); font-weight: bold"));
    label4->hide();
    options->addWidget(label4);
    outer->addLayout(options);

    txtUnProcessed = new QPlainTextEdit(this);
    txtUnProcessed->setObjectName(QStringLiteral("txtUnProcessed"));
    txtUnProcessed->setAccessibleName(QStringLiteral("Cluster traffic"));
    txtUnProcessed->setReadOnly(true);
    txtUnProcessed->installEventFilter(this);
    txtUnProcessed->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    txtUnProcessed->setFont(mono);
    txtUnProcessed->setMinimumSize(620, 240);
    outer->addWidget(txtUnProcessed, 1);

    lblSend = new QLabel(QStringLiteral("Type text to send and press enter:"), this);
    lblSend->setObjectName(QStringLiteral("lblSend"));
    txtSent = edit("txtSent", QStringLiteral("Text to send"), this);
    lblSend->setBuddy(txtSent);
    txtSent->installEventFilter(this);
    outer->addWidget(lblSend);
    outer->addWidget(txtSent);

    auto* buttons = new QHBoxLayout;
    command1 = button("Command1", QStringLiteral("Open Port"), this);
    command2 = button("Command2", QStringLiteral("Close Port"), this);
    command3 = button("Command3", QStringLiteral("&Spot Last"), this);
    cmdDone = button("cmdDone", QStringLiteral("&Done"), this);
    for (QPushButton* b : {command1, command2, command3})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdDone);
    outer->addLayout(buttons);

    connect(command1, &QPushButton::clicked, this, &SpotWindow::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &SpotWindow::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &SpotWindow::Command3_Click);
    connect(cmdDone, &QPushButton::clicked, this, &SpotWindow::cmdDone_Click);
    connect(list1, &QListWidget::currentRowChanged, this, &SpotWindow::List1_Click);
    connect(optList, &QRadioButton::toggled, this, [this] {
        if (!loading && displayChanged)
            displayChanged(optList->isChecked());
    });
    setTabOrder(list1, txtTelnetHost);
    setTabOrder(txtTelnetHost, txtTelnetPort);
    setTabOrder(txtTelnetPort, txtLoginCall);
    setTabOrder(txtLoginCall, txtAgwHost);
    setTabOrder(txtAgwHost, txtAgwPort);
}

void SpotWindow::LoadSpotSettings()
{
    readSpotSettings(path, stored);
    selectOption(baud, stored.baud);
    selectOption(parity, stored.parity);
    selectOption(dataBits, stored.dataBits);
    selectOption(stopBits, stored.stopBits);
    selectOption(comm, QString::number(stored.comPort));
    // anything but R or D is no connection power
    selectOption(power, stored.power == QLatin1String("R") || stored.power == QLatin1String("D")
                            ? stored.power : QStringLiteral("N"));
    selectOption(handshaking, QString::number(stored.handshaking));
    chkConvToHex->setChecked(stored.convertToHex != 0);
    chkDX->setChecked(stored.dxOnly != 0);
    (stored.showList ? optList : optBand)->setChecked(true);
    txtHex->setText(stored.commandChar);
    txtTelnetPort->setText(stored.telnetPort);
    txtTelnetHost->setText(stored.telnetHost);
    txtLoginCall->setText(stored.loginCall);
    txtAgwHost->setText(stored.agwHost);
    txtAgwPort->setText(QString::number(stored.agwPort));
    const QList<QListWidgetItem*> match = list1->findItems(stored.source, Qt::MatchExactly);
    list1->setCurrentItem(match.isEmpty() ? list1->item(0) : match.first());
    List1_Click();
}

void SpotWindow::collect()
{
    stored.baud = checkedValue(baud);
    stored.parity = checkedValue(parity);
    stored.dataBits = checkedValue(dataBits);
    stored.stopBits = checkedValue(stopBits);
    stored.comPort = checkedValue(comm).toInt();
    stored.power = checkedValue(power);
    stored.handshaking = checkedValue(handshaking).toInt();
    stored.convertToHex = chkConvToHex->isChecked() ? 1 : 0;
    stored.dxOnly = chkDX->isChecked() ? 1 : 0;
    stored.showList = optList->isChecked();
    stored.commandChar = txtHex->text();
    stored.telnetPort = txtTelnetPort->text();
    stored.telnetHost = txtTelnetHost->text().trimmed();
    stored.loginCall = txtLoginCall->text().trimmed().toUpper();
    stored.agwHost = txtAgwHost->text().trimmed();
    if (stored.agwHost.isEmpty())
        stored.agwHost = SpotSettings().agwHost;
    bool portOk = false;
    const int agwPort = txtAgwPort->text().trimmed().toInt(&portOk);
    stored.agwPort = portOk && agwPort >= 1 && agwPort <= 65535 ? agwPort : SpotSettings().agwPort;
    if (list1->currentItem())
        stored.source = list1->currentItem()->text();
}

void SpotWindow::SaveSpotSettings()
{
    collect();
    QString error;
    if (!saveSpotSettings(path, stored, &error))
        appendTraffic(QStringLiteral("** Unable to save %1: %2 **").arg(SpotSettings::fileName(), error) + CrLf);
}

void SpotWindow::List1_Click()
{
    const QString source = list1->currentItem() ? list1->currentItem()->text() : SourceNone;
    serialBox->setEnabled(source == SourceTnc);
    telnetBox->setEnabled(source == SourceTelnet);
    agwBox->setEnabled(source == SourceAgw);
    lblHelp->setText(helpFor(source));
    if (source == SourceTnc) {
        if (!loading)
            txtHex->setText(QStringLiteral("03"));
        lblSend->setText(QStringLiteral("Send text  (Ctrl C or Esc for TNC Command mode):"));
    } else if (source == SourceAgw) {
        lblSend->setText(QStringLiteral("Send text (use : to send cmds such as :C DORVY or :D)"));
    } else if (source == SourceTelnet) {
        lblSend->setText(QStringLiteral("Type text to send and press enter:"));
    }
}

bool SpotWindow::listening() const
{
    return !label4->isHidden();
}

QString SpotWindow::paneText() const
{
    return txtUnProcessed->toPlainText();
}

void SpotWindow::appendTraffic(const QString& text)
{
    // The pane is plain text: the document keeps paragraphs, so CR LF
    // becomes one line break.
    QString t = text;
    t.replace(CrLf, QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor c(txtUnProcessed->document());
    c.movePosition(QTextCursor::End);
    c.insertText(t);
    TrimTrafficWindow();
}

void SpotWindow::TrimTrafficWindow()
{
    if (txtUnProcessed->document()->characterCount() > PaneLimit)
        txtUnProcessed->setPlainText(txtUnProcessed->toPlainText().right(PaneKept));
    if (txtUnProcessed->document()->characterCount() >= 3) {
        txtUnProcessed->moveCursor(QTextCursor::End);
        txtUnProcessed->verticalScrollBar()->setValue(txtUnProcessed->verticalScrollBar()->maximum());
    }
}

void SpotWindow::Command1_Click()
{
    collect();
    txtUnProcessed->setPlainText(QStringLiteral("** Attempting to Open Port **\n\n"));
    if (tnc)
        tnc->close();
    if (stored.source == SourceNone)
        return;
    label4->show();
    if (isVisible())
        txtSent->setFocus();
    if (stored.source == SourceTelnet)
        ConnectTelnet();
    else if (stored.source == SourceTnc)
        OpenTnc();
    else if (stored.source == SourceAgw)
        ConnectAgw();
}

void SpotWindow::OpenTnc()
{
    link->close();
    agw->AGWClose();
    QString failure = QStringLiteral("No serial port is available.");
    if (tnc && tnc->OpenTncPort(stored, &failure)) {
        appendTraffic(QStringLiteral("** TNC Serial Port Open **") + CrLf + CrLf);
        timer1->start();
        return;
    }
    appendTraffic(QStringLiteral("** Unable to open TNC Serial Port **") + CrLf + CrLf + failure + CrLf);
    label4->hide();
    showMessage(QStringLiteral("Invalid Comm Settings."),
                QStringLiteral("The comm port that you selected for DX Spotting is either in use, invalid or the "
                               "settings that you have selected are invalid.  Please select another combination "
                               "or choose None for your DX Spot selection."));
}

void SpotWindow::ConnectAgw()
{
    link->close();
    const QString call = (ownCall ? ownCall() : QString()).trimmed();
    if (call.isEmpty()) {
        label4->hide();
        beep();
        showMessage(QStringLiteral("Call Sign Required!"),
                    QStringLiteral("Please enter your call sign on the setup form to transmit!"));
        return;
    }
    setWindowTitle(Caption);
    appendTraffic(QStringLiteral("Attempting connection to the AGW Packet Engine at %1:%2")
                      .arg(stored.agwHost).arg(stored.agwPort) + CrLf);
    timer1->start();
    agw->AGWStartPoll(stored.agwHost, quint16(stored.agwPort), call);
}

void SpotWindow::agwFailed()
{
    label4->hide();
    timer1->stop();
    appendTraffic(CrLf + AgwIntro + CrLf
                  + QStringLiteral("- Run the Packet Engine software and configure it as described on the AGW Packet "
                                   "Engine website for your sound card or TNC.") + CrLf
                  + AgwWhere + CrLf + QStringLiteral("- Click Open from this program.") + CrLf);
    if (!isVisible())
        show();
    showMessage(QStringLiteral("Unable to connect to the AGW Packet Engine."),
                AgwIntro + QStringLiteral("\n\n- Make sure the AGW Packet Engine software is running and configure "
                                          "it as described on the AGW Packet Engine website.\n")
                    + AgwWhere);
}

void SpotWindow::SendAgwText(const QString& text)
{
    if (text.startsWith(QLatin1Char(':'))) {
        const QString command = text.mid(1, 1).toUpper();
        const QString argument = text.mid(2).trimmed().toUpper();
        if (command == QLatin1String("C")) {
            if (argument.isEmpty()) {
                showMessage(QStringLiteral("Call sign Required"),
                            QStringLiteral("You must enter a call sign to connect to such as :C DORVY"));
                return;
            }
            agw->AGWPutData(argument, {}, 'C');
        } else if (command == QLatin1String("D") && !agw->connectedStation().isEmpty()) {
            agw->AGWPutData(agw->connectedStation(), {}, 'd');
        }
        return;
    }
    if (!agw->connectedStation().isEmpty()) {
        agw->AGWPutData(agw->connectedStation(), text.toLatin1() + '\r', 'D');
        appendTraffic(text + CrLf);
    }
}

void SpotWindow::showMessage(const QString& title, const QString& text)
{
    if (dialogs)
        dialogs->message(title, text, {DialogButton::Ok}, DialogIcon::Warning);
}

void SpotWindow::beep(int times)
{
    for (int i = 0; beeper && i < times; ++i)
        beeper->beep();
}

void SpotWindow::setSerialLine(SerialLine* line)
{
    if (tnc || !line)
        return;
    tnc = new TncPort(*line, this);
    connect(tnc, &TncPort::note, this, [this](const QString& text) { appendTraffic(text + CrLf); });
}

bool SpotWindow::Form_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrlC = key == Qt::Key_C && (modifiers & Qt::ControlModifier);
    if (!(key == Qt::Key_Escape || ctrlC) || stored.source != SourceTnc || !tnc || !tnc->isOpen())
        return false;
    tnc->sendCommandCharacter(txtHex->text());
    return true;
}

void SpotWindow::ConnectTelnet()
{
    link->close();
    agw->AGWClose();
    bool ok = false;
    const uint port = stored.telnetPort.trimmed().toUInt(&ok);
    const QString host = stored.telnetHost;
    txtUnProcessed->setPlainText(QStringLiteral("Attempting connection to: %1:%2\n\n").arg(host, stored.telnetPort.trimmed()));
    timer1->start();
    link->open(host, ok && port <= 65535 ? quint16(port) : 0,
               stored.loginFor(ownCall ? ownCall() : QString()));
}

void SpotWindow::Command2_Click()
{
    if (!listening())
        return;
    label4->hide();
    appendTraffic(CrLf + CrLf + QStringLiteral("** Port Closed **"));
    if (tnc)
        tnc->close();
    link->close();
    agw->AGWClose(); // a connected station is disconnected first
    setWindowTitle(Caption);
    timer1->stop();
}

void SpotWindow::Command3_Click()
{
    const QString call = lastLoggedCall ? lastLoggedCall() : QString();
    txtSent->setText(QStringLiteral("DX Frequency in kHz ") + call);
    txtSent->setFocus();
    txtSent->setSelection(3, 16);
}

void SpotWindow::sendTyped()
{
    if (!listening())
        Command1_Click();
    const QString text = txtSent->text();
    if (stored.source == SourceTnc) {
        if (tnc)
            tnc->sendLine(text); // the TNC echoes it
    } else if (stored.source == SourceAgw) {
        if (timer1->isActive())
            SendAgwText(text);
    } else if (stored.source == SourceTelnet) {
        if (link->isConnected()) {
            link->sendLine(text);
            appendTraffic(text + CrLf);
        } else {
            appendTraffic(CrLf + CrLf
                          + QStringLiteral("**  Connection not yet established.  Please wait a moment and try again."));
        }
    }
    txtSent->clear();
}

void SpotWindow::lineArrived(const QString& line)
{
    const bool spot = isSpotLine(line);
    if (!spot && !chkDX->isChecked()) {
        appendTraffic(line + CrLf);
        return;
    }
    if (!spot)
        return;
    appendTraffic(line + CrLf);
    ticker.reset();
    if (const std::optional<SpotFields> f = parseSpotLine(line); f && AddSpot)
        AddSpot(f->frequency, f->call, line);
}

void SpotWindow::tncLineArrived(const QString& line)
{
    // A TNC repeats what it hears twice; a line still in view is dropped.
    if (line.trimmed().isEmpty() || shownRecently(paneText(), line))
        return;
    lineArrived(line);
}

void SpotWindow::Timer1_Timer()
{
    if (stored.source == SourceTnc && tnc)
        for (const QString& line : tnc->ReadTncInput())
            tncLineArrived(line);
    if (ticker.tick() && redrawBandMap)
        redrawBandMap();
}

void SpotWindow::cmdDone_Click()
{
    SaveSpotSettings();
    hide();
}

void SpotWindow::closeEvent(QCloseEvent* event)
{
    // Closing by the title bar hides too: the connection lives on.
    event->ignore();
    hide();
}

void SpotWindow::keyPressEvent(QKeyEvent* event)
{
    if (!Form_KeyDown(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

bool SpotWindow::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == txtSent || watched == txtUnProcessed)
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl+C would be copy in a text field: with the TNC open it is the
        // command-mode key.
        if (stored.source == SourceTnc && tnc && tnc->isOpen()
            && (key->key() == Qt::Key_Escape || (key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier)))) {
            if (event->type() == QEvent::ShortcutOverride) {
                key->accept();
                return true;
            }
            Form_KeyDown(key->key(), key->modifiers());
            return true;
        }
    }
    if (watched == txtSent && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            sendTyped();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            if (stored.source == SourceAgw)
                txtSent->insert(QStringLiteral(":"));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelq
