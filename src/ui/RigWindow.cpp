#include "ui/RigWindow.h"

#include "ui/FormControls.h"

#include "core/OperatorDialogs.h"
#include "devices/QtSerialLine.h"
#include "rig/BandPlan.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "ui/AppContext.h"
#include "ui/FrequencyTestWindow.h"
#include "ui/Labels.h"
#include "ui/PortsWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelq {

using namespace RigTypes;
using form::button;
using form::checkedValue;
using form::optionGroup;

namespace {

QLabel* shownValue(const char* name, const QString& accessible, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText); // what a radio sends is never markup
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(110);
    l->setAccessibleName(accessible);
    return l;
}

} // namespace

RigWindow::RigWindow(AppContext& context, QWidget* parent, std::unique_ptr<SerialLine> line)
    : QWidget(parent, Qt::Window), app(context), port(std::move(line))
{
    setObjectName(QStringLiteral("RigControlfrm"));
    setWindowTitle(QStringLiteral("Rig Interface Setup"));
    if (!port)
        port = std::make_unique<QtSerialLine>(app.devices, app.folders.install);
    port->setParent(this);
    rig = new RigLink(*port, app.dialogs, app.beeper, this);
    rig->setView(this);
    build();

    loading = true;
    list1->addItems(rigCatalogue());
    LoadRigSettings();
    rig->commander().bandPlan = LoadBandPlan(app.installOrShippedFile(BandPlanFileName));
    loading = false;
    rig->reading.kenwoodVfo = 10;
    openFrequencyTest = [this] {
        FrequencyTestWindow frmFrequencyTest(*rig, this);
        frmFrequencyTest.exec();
    };
}

RigWindow::~RigWindow()
{
    rig->setView(nullptr);
    // The port goes with the window; the link must not outlive its use.
    delete rig;
    rig = nullptr;
}

void RigWindow::build()
{
    auto* outer = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    auto* listLabel = new QLabel(QStringLiteral("Select Rig:"), this);
    list1 = new QListWidget(this);
    list1->setObjectName(QStringLiteral("List1"));
    list1->setAccessibleName(QStringLiteral("Select Rig:"));
    listLabel->setBuddy(list1);
    left->addWidget(listLabel);
    left->addWidget(list1, 1);
    lblIcomNote = new QLabel(QStringLiteral(
        "Icom radio users will have to replace the 64 in the string with the ID for your particular "
        "radio.  Please check your Icom user's manual for details."), this);
    lblIcomNote->setObjectName(QStringLiteral("lblIcomNote"));
    lblIcomNote->setWordWrap(true);
    lblIcomNote->hide();
    left->addWidget(lblIcomNote);
    hamlibBox = new QGroupBox(QStringLiteral("rigctld"), this);
    hamlibBox->setObjectName(QStringLiteral("fraHamlib"));
    auto* hamlib = new QGridLayout(hamlibBox);
    txtHost = new QLineEdit(hamlibBox);
    txtHost->setObjectName(QStringLiteral("txtHamlibHost"));
    txtHost->setAccessibleName(QStringLiteral("rigctld host:"));
    txtPort = new QLineEdit(hamlibBox);
    txtPort->setObjectName(QStringLiteral("txtHamlibPort"));
    txtPort->setAccessibleName(QStringLiteral("rigctld port:"));
    txtPort->setValidator(new QIntValidator(1, 65535, txtPort));
    hamlib->addWidget(new QLabel(QStringLiteral("Host:"), hamlibBox), 0, 0);
    hamlib->addWidget(txtHost, 0, 1);
    hamlib->addWidget(new QLabel(QStringLiteral("Port:"), hamlibBox), 1, 0);
    hamlib->addWidget(txtPort, 1, 1);
    left->addWidget(hamlibBox);
    outer->addLayout(left, 1);

    auto* middle = new QVBoxLayout;
    middle->addWidget(optionGroup(this, QStringLiteral("Baud Rate (k):"),
                                  {{"optBaud12", "1.2", "1200"}, {"optBaud24", "2.4", "2400"},
                                   {"optBaud48", "4.8", "4800"}, {"optBaud96", "9.6", "9600"},
                                   {"optBaud144", "14.4", "14400"}, {"optBaud192", "19.2", "19200"},
                                   {"optBaud288", "28.8", "28800"}, {"optBaud384", "38.4", "38400"},
                                   {"optBaud560", "56", "56000"}},
                                  baud, 3));
    auto* line = new QHBoxLayout;
    line->addWidget(optionGroup(this, QStringLiteral("Parity"),
                                {{"optParityOdd", "Odd", "O"}, {"optParityNone", "None", "N"},
                                 {"optParityEven", "Even", "E"}},
                                parity));
    line->addWidget(optionGroup(this, QStringLiteral("Data Bits"),
                                {{"optData7", "7", "7"}, {"optData8", "8", "8"}}, dataBits));
    line->addWidget(optionGroup(this, QStringLiteral("Stop Bits"),
                                {{"optStop1", "1", "1"}, {"optStop2", "2", "2"}}, stopBits));
    middle->addLayout(line);
    {
        auto* box = new QGroupBox(QStringLiteral("Comm Port"), this);
        auto* grid = new QGridLayout(box);
        comm = new QButtonGroup(box);
        for (int i = 0; i < 10; ++i) {
            auto* b = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), box);
            b->setObjectName(QStringLiteral("optComm_%1").arg(i));
            b->setAccessibleName(QStringLiteral("Comm Port COM%1").arg(i + 1));
            b->setProperty(form::OptionValue, QString::number(i + 1));
            comm->addButton(b, i);
            grid->addWidget(b, i / 5, i % 5);
        }
        QPushButton* ports = button("cmdPorts", QStringLiteral("Ports…"), box);
        connect(ports, &QPushButton::clicked, this, [this] {
            PortsWindow w(app.devices, app.folders.install, app.dialogs, this);
            w.exec();
        });
        grid->addWidget(ports, 2, 0, 1, 2);
        middle->addWidget(box);
    }
    line = new QHBoxLayout;
    line->addWidget(optionGroup(this, QStringLiteral("Connection Power:"),
                                {{"optPowerNone", "None", "N"}, {"optPowerRTS", "RTS", "R"},
                                 {"optPowerDTR", "DTR", "D"}},
                                power));
    line->addWidget(optionGroup(this, QStringLiteral("Radio Polling Rate:"),
                                {{"optPollFast", "100 ms", "F"}, {"optPollMed", "500 ms", "M"},
                                 {"optPollSlow", "2 Sec", "S"}, {"optReallySlow", "10 Sec", "R"}},
                                pollRate));
    line->addWidget(optionGroup(this, QStringLiteral("Mode by:"),
                                {{"OptRig", "Rig", "1"}, {"OptFreq", "Frequency", "2"},
                                 {"OptDont", "Don't Use", "3"}},
                                modeBy));
    middle->addLayout(line);
    outer->addLayout(middle, 2);

    auto* right = new QGridLayout;
    int row = 0;
    auto labelled = [&](const QString& caption, QWidget* w) {
        auto* l = new QLabel(caption, this);
        l->setBuddy(w);
        right->addWidget(l, row, 0);
        right->addWidget(w, row++, 1);
    };
    txtFreq = new QLineEdit(this);
    txtFreq->setObjectName(QStringLiteral("txtFreq"));
    txtFreq->setAccessibleName(QStringLiteral("String to read frequency:"));
    labelled(QStringLiteral("String to read frequency:"), txtFreq);
    txtMode = new QLineEdit(this);
    txtMode->setObjectName(QStringLiteral("txtMode"));
    txtMode->setAccessibleName(QStringLiteral("String to read mode:"));
    labelled(QStringLiteral("String to read mode:"), txtMode);
    chkConvToHex = new QCheckBox(QStringLiteral("Convert to Hex"), this);
    chkConvToHex->setObjectName(QStringLiteral("chkConvToHex"));
    chkConvToHex->setAccessibleName(QStringLiteral("Convert to Hex"));
    chkFrequency = new QCheckBox(QStringLiteral("Use Frequency"), this);
    chkFrequency->setObjectName(QStringLiteral("chkFrequency"));
    chkFrequency->setAccessibleName(QStringLiteral("Use Frequency"));
    chkConvHex = new QCheckBox(QStringLiteral("Convert from Hex"), this);
    chkConvHex->setObjectName(QStringLiteral("ChkConvHex"));
    chkConvHex->setAccessibleName(QStringLiteral("Convert from Hex"));
    right->addWidget(chkConvToHex, row, 0);
    right->addWidget(chkFrequency, row++, 1);
    lblFreq = shownValue("lblFreq", QStringLiteral("Frequency"), this);
    scaleWidgetFont(lblFreq, 1.3, true);
    labelled(QStringLiteral("Frequency:"), lblFreq);
    lblMode = shownValue("lblMode", QStringLiteral("Mode"), this);
    scaleWidgetFont(lblMode, 1.3, true);
    labelled(QStringLiteral("Mode:"), lblMode);
    right->addWidget(new QLabel(QStringLiteral("Unprocessed data returned:"), this), row++, 0, 1, 2);
    lblUnProcess = shownValue("lblUnProcess", QStringLiteral("Unprocessed data returned:"), this);
    lblUnProcess->setWordWrap(true);
    lblUnProcess->setMinimumHeight(48);
    right->addWidget(lblUnProcess, row++, 0, 1, 2);
    right->addWidget(chkConvHex, row++, 0, 1, 2);
    lblPolling = new QLabel(QStringLiteral("Polling Rig"), this);
    lblPolling->setObjectName(QStringLiteral("lblPolling"));
    QSizePolicy keepPlace = lblPolling->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true); // the buttons stay put
    lblPolling->setSizePolicy(keepPlace);
    lblPolling->hide();
    right->addWidget(lblPolling, row++, 0, 1, 2);
    lblLinkStatus = shownValue("lblLinkStatus", QStringLiteral("Link status"), this);
    lblLinkStatus->setWordWrap(true);
    lblLinkStatus->setFrameShape(QFrame::NoFrame);
    lblLinkStatus->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
    right->addWidget(lblLinkStatus, row++, 0, 1, 2);

    command1 = button("Command1", QStringLiteral("Test"), this);
    command2 = button("Command2", QStringLiteral("End Test"), this);
    command2->setEnabled(false);
    auto* command3 = button("Command3", QStringLiteral("Change Frequency"), this);
    auto* command4 = button("Command4", QStringLiteral("Copy unprocessed data to clipboard"), this);
    cmdDone = button("cmdDone", QStringLiteral("&Done"), this);
    right->addWidget(command1, row, 0);
    right->addWidget(command2, row++, 1);
    right->addWidget(command3, row, 0);
    right->addWidget(command4, row++, 1);
    right->addWidget(cmdDone, row++, 1);
    right->setRowStretch(row, 1);
    outer->addLayout(right, 2);

    connect(command1, &QPushButton::clicked, this, &RigWindow::Test);
    connect(command2, &QPushButton::clicked, this, &RigWindow::EndTest);
    connect(command3, &QPushButton::clicked, this, &RigWindow::ChangeFrequencyButton);
    connect(command4, &QPushButton::clicked, this, &RigWindow::CopyUnprocessed);
    connect(cmdDone, &QPushButton::clicked, this, &RigWindow::Done);
    // A click on the chosen type applies its defaults again, as a new
    // choice (by mouse or by the arrow keys) does.
    connect(list1, &QListWidget::currentRowChanged, this, &RigWindow::List1_Click);
    connect(list1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item && item->text() == RigType())
            List1_Click();
    });

    // A serial parameter changed: the running test no longer matches it.
    for (QButtonGroup* g : {comm, baud, parity, dataBits, stopBits, power, pollRate})
        connect(g, &QButtonGroup::buttonClicked, this, [this] { EndTest(); });
    connect(modeBy, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* b) {
        rig->settings.modeSource = b->property(form::OptionValue).toInt();
        showMode(RigLink::NoResponse);
        rig->reading.mode.clear();
    });
    txtFreq->installEventFilter(this);
    txtMode->installEventFilter(this);
    connect(txtFreq, &QLineEdit::textChanged, this, [this](const QString& t) { rig->settings.frequencyPoll = t; });
    connect(txtMode, &QLineEdit::textChanged, this, [this](const QString& t) { rig->settings.modePoll = t; });
    connect(txtHost, &QLineEdit::textEdited, this, [this](const QString& t) {
        EndTest();
        rig->settings.hamlibHost = t.trimmed();
    });
    connect(txtPort, &QLineEdit::textEdited, this, [this](const QString& t) {
        EndTest();
        rig->settings.hamlibPort = t.toInt();
    });
    connect(chkConvToHex, &QCheckBox::toggled, this, [this](bool on) {
        rig->settings.convertToHex = on ? 1 : 0;
        chkConvHex->setChecked(on);
    });
    connect(chkFrequency, &QCheckBox::toggled, this, [this](bool on) { rig->settings.useFrequency = on ? 1 : 0; });

    setTabOrder(list1, txtFreq);
    setTabOrder(txtFreq, txtMode);
    setTabOrder(txtMode, command1);
    setTabOrder(command1, command2);
    setTabOrder(command2, cmdDone);
}

bool RigWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == txtFreq || watched == txtMode))
        EndTest();
    return QWidget::eventFilter(watched, event);
}

void RigWindow::selectOption(QButtonGroup* group, const QString& value)
{
    form::selectOption(group, value);
}

void RigWindow::LoadRigSettings()
{
    RigSettings& s = rig->settings;
    s.rigType = app.prefs.rigType;
    readRigSettings(QDir(app.folders.install).filePath(RigSettings::fileName()), s);
    app.prefs.rigType = s.rigType;

    chkConvToHex->setChecked(s.convertToHex == 1);
    chkFrequency->setChecked(s.useFrequency == 1);
    if (s.modeSource >= 1 && s.modeSource <= 3)
        selectOption(modeBy, QString::number(s.modeSource));
    else
        s.modeSource = RigSettings::ModeFromRig;
    txtFreq->setText(s.frequencyPoll);
    txtMode->setText(s.modePoll);
    const auto found = list1->findItems(s.rigType, Qt::MatchExactly);
    if (!found.isEmpty())
        list1->setCurrentItem(found.first());
    chkConvToHex->setEnabled(s.rigType == Other);
    lblIcomNote->setVisible(showsIcomNote(s.rigType));
    selectOption(comm, QString::number(s.port));
    selectOption(baud, s.baud.trimmed());
    selectOption(parity, s.parity);
    selectOption(dataBits, s.dataBits);
    selectOption(stopBits, s.stopBits);
    selectOption(power, s.power);
    selectOption(pollRate, s.pollRate);
    txtHost->setText(s.hamlibHost);
    txtPort->setText(QString::number(s.hamlibPort));
    showTypeFields();
}

void RigWindow::showTypeFields()
{
    hamlibBox->setVisible(rig->settings.rigType == Hamlib);
}

void RigWindow::List1_Click()
{
    if (loading || !list1->currentItem())
        return;
    EndTest();
    RigSettings& s = rig->settings;
    s.rigType = list1->currentItem()->text();
    const RigTypeDefaults d = rigTypeDefaults(s.rigType);
    chkConvToHex->setChecked(false);
    chkConvToHex->setEnabled(false);
    lblIcomNote->hide();
    if (d.baud)
        selectOption(baud, *d.baud);
    if (d.dataBits)
        selectOption(dataBits, *d.dataBits);
    if (d.stopBits)
        selectOption(stopBits, *d.stopBits);
    if (d.parity)
        selectOption(parity, *d.parity);
    txtFreq->setText(d.frequencyPoll);
    txtMode->setText(d.modePoll);
    chkConvToHex->setChecked(d.convertToHex);
    chkConvToHex->setEnabled(s.rigType == Other);
    lblIcomNote->setVisible(showsIcomNote(s.rigType));
    showTypeFields();
}

void RigWindow::collectOptions()
{
    RigSettings& s = rig->settings;
    s.baud = checkedValue(baud);
    s.parity = checkedValue(parity);
    s.dataBits = checkedValue(dataBits);
    s.stopBits = checkedValue(stopBits);
    s.port = checkedValue(comm).toInt();
    s.power = checkedValue(power);
    s.pollRate = checkedValue(pollRate);
    s.portSettings = s.builtPortSettings();
}

void RigWindow::Test()
{
    collectOptions();
    rig->Test();
}

void RigWindow::EndTest()
{
    rig->EndTest();
}

void RigWindow::Done()
{
    if (RigType() != None)
        Test();
    app.prefs.rigType = RigType();
    if (savePreferences)
        savePreferences();
    SaveRigSettings();
    hide();
    setWindowModality(Qt::NonModal);
}

void RigWindow::SaveRigSettings()
{
    collectOptions();
    RigSettings& s = rig->settings;
    const QString source = checkedValue(modeBy);
    s.modeSource = (source == QLatin1String("2") || source == QLatin1String("3")) ? source.toInt() : 1;
    saveRigSettings(QDir(app.folders.install).filePath(RigSettings::fileName()), s);
}

void RigWindow::ChangeFrequencyButton()
{
    if (rig->isPolling()) {
        if (openFrequencyTest)
            openFrequencyTest();
        return;
    }
    const QString title = QStringLiteral("You must be polling your rig to test this function.");
    app.dialogs.message(title,
                        title + QStringLiteral("  Please select your rig type and click the Test "
                                               "command button."),
                        {DialogButton::Ok}, DialogIcon::Information);
}

void RigWindow::CopyUnprocessed()
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(lblUnProcess->text());
    cmdDone->setFocus();
}

void RigWindow::unloadRig()
{
    rig->unload();
}

void RigWindow::closeEvent(QCloseEvent* event)
{
    // Only hidden: polling and the port stay.
    event->ignore();
    hide();
    setWindowModality(Qt::NonModal);
}

void RigWindow::showFrequency(const QString& text) { lblFreq->setText(text); }
void RigWindow::showMode(const QString& text) { lblMode->setText(text); }
void RigWindow::showUnprocessed(const QString& text) { lblUnProcess->setText(text); }
void RigWindow::showPolling(bool on) { lblPolling->setVisible(on); }
void RigWindow::enableEndTest(bool on) { command2->setEnabled(on); }
void RigWindow::showLinkProblem(const QString& text) { lblLinkStatus->setText(text); }
bool RigWindow::convertFromHex() const { return chkConvHex->isChecked(); }

void RigWindow::showForCorrection()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

} // namespace zelq
