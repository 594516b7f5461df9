#include "ui/LogWindow.h"

#include "core/Clock.h"
#include "log/CountryLookup.h"
#include "log/SectionRules.h"
#include "settings/AppearanceCommands.h"
#include "ui/AppContext.h"
#include "ui/ClockDisplay.h"
#include "ui/ColoursWindow.h"
#include "ui/HelpWindow.h"
#include "ui/SectionGrid.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/WindowLayout.h"
#include "zelq_build_info.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zelq {

namespace {

QColor fromStored(quint32 v)
{
    return QColor(StoredColour::red(v), StoredColour::green(v), StoredColour::blue(v));
}

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return l;
}

QLabel* value(const char* name, QWidget* parent, int minChars = 6)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QLatin1Char('W')) * minChars);
    return l;
}

void scaleFontOf(QWidget* w, double factor, bool bold = false)
{
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * factor);
    f.setBold(bold);
    w->setFont(f);
}

void setBackground(QLabel* l, const QColor& c)
{
    QPalette p = l->palette();
    p.setColor(QPalette::Window, c);
    l->setPalette(p);
    l->setAutoFillBackground(true);
}

} // namespace

LogWindow::LogWindow(AppContext& context, QWidget* parent) : QMainWindow(parent), app(context)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZELQ Logger " ZELQ_VERSION));
    menus.build(menuBar());
    buildLayout();
    setup = new SetupCommand(app, this);
    connectMenu();

    app.session.addReloadStep([this] { paintGridForReload(); });
    app.session.onStatus = [this](const QString& text) { setStatus(text); };
    app.session.resetOperatingTime = [this] { app.prefs.operatingSeconds = 0; };
    app.session.savePreferences = [this] { app.SavePref(); };

    timer2 = new QTimer(this);
    timer2->setObjectName(QStringLiteral("Timer2"));
    timer2->setInterval(1000);
    connect(timer2, &QTimer::timeout, this, &LogWindow::Timer2_Timer);
    timer2->start();
    Timer2_Timer();

    label3->hide();
    setStatus(StartupPrompt);
    grid->paintAll(fromStored(app.prefs.remainingColour));
    txtCall->setFocus();
}

LogWindow::~LogWindow() = default;

void LogWindow::buildLayout()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    // The station and the time.
    auto* top = new QHBoxLayout;
    lblOwnCall = value("lblOwnCall", central, 8);
    lblOwnSpc = value("lblOwnSpc", central, 4);
    lblOwnName = value("lblOwnName", central, 8);
    for (auto [caption, label] : {std::pair{"CALL", lblOwnCall}, std::pair{"SPC", lblOwnSpc},
                                  std::pair{"NAME", lblOwnName}}) {
        top->addWidget(heading(QString::fromLatin1(caption), central));
        top->addWidget(label);
        top->addSpacing(12);
    }
    top->addStretch(1);
    top->addWidget(heading(QStringLiteral("Band"), central));
    label24 = value("Label24", central, 4);
    label24->setToolTip(QStringLiteral("Click to change modes."));
    label24->setAlignment(Qt::AlignCenter);
    scaleFontOf(label24, 1.6, true);
    top->addWidget(label24);
    top->addSpacing(12);
    top->addWidget(heading(QStringLiteral("UTC"), central));
    lblutctime = value("lblutctime", central, 6);
    top->addWidget(lblutctime);
    top->addWidget(heading(QStringLiteral("Local"), central));
    lblCurTime = value("lblCurTime", central, 6);
    top->addWidget(lblCurTime);
    label16 = new QLabel(QStringLiteral("am"), central);
    label16->setObjectName(QStringLiteral("Label16"));
    top->addWidget(label16);
    outer->addLayout(top);

    // The entry: call, name, S/P/C, then what the call resolved to.
    auto* entryBox = new QGroupBox(central);
    auto* entry = new QGridLayout(entryBox);
    txtCall = new QLineEdit(entryBox);
    txtCall->setObjectName(QStringLiteral("txtCall"));
    txtRSTR = new QLineEdit(entryBox);
    txtRSTR->setObjectName(QStringLiteral("txtRSTR"));
    txtCntry = new QLineEdit(entryBox);
    txtCntry->setObjectName(QStringLiteral("txtCntry"));
    txtCntry->setToolTip(QStringLiteral("State / Province / Country"));
    for (QLineEdit* e : {txtCall, txtRSTR, txtCntry}) {
        scaleFontOf(e, 1.6, true);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 9);
    }
    label19 = value("Label19", entryBox, 3);
    label22 = value("Label22", entryBox, 4);
    label23 = value("Label23", entryBox, 5);
    label3 = new QLabel(QStringLiteral("New"), entryBox);
    label3->setObjectName(QStringLiteral("Label3"));
    scaleFontOf(label3, 1.3, true);
    label3->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    entry->addWidget(heading(QStringLiteral("Call"), entryBox), 0, 0);
    entry->addWidget(heading(QStringLiteral("Name"), entryBox), 0, 1);
    entry->addWidget(heading(QStringLiteral("St / Prov / Coun"), entryBox), 0, 2);
    entry->addWidget(heading(QStringLiteral("Continent"), entryBox), 0, 3);
    entry->addWidget(heading(QStringLiteral("Bearing"), entryBox), 0, 4);
    entry->addWidget(heading(QStringLiteral("Miles"), entryBox), 0, 5);
    entry->addWidget(txtCall, 1, 0);
    entry->addWidget(txtRSTR, 1, 1);
    entry->addWidget(txtCntry, 1, 2);
    entry->addWidget(label19, 1, 3);
    entry->addWidget(label22, 1, 4);
    entry->addWidget(label23, 1, 5);
    entry->addWidget(label3, 1, 6);
    entry->setColumnStretch(0, 3);
    entry->setColumnStretch(1, 3);
    entry->setColumnStretch(2, 3);
    outer->addWidget(entryBox);
    setTabOrder(txtCall, txtRSTR);
    setTabOrder(txtRSTR, txtCntry);
    setTabOrder(txtCntry, txtCall);

    // Status and partial duplicates.
    lblDialog = new QLabel(central);
    lblDialog->setObjectName(QStringLiteral("lblDialog"));
    lblDialog->setMinimumHeight(lblDialog->fontMetrics().height() * 2);
    scaleFontOf(lblDialog, 1.2, true);
    setBackground(lblDialog, QColor(0, 192, 192));
    lblDialog->setIndent(6);
    outer->addWidget(lblDialog);
    lblDupe = new QLabel(central);
    lblDupe->setObjectName(QStringLiteral("lblDupe"));
    lblDupe->setMinimumHeight(lblDupe->fontMetrics().height() * 2);
    lblDupe->setWordWrap(true);
    outer->addWidget(lblDupe);

    auto* buttons = new QHBoxLayout;
    cmdClear = new QPushButton(QStringLiteral("&Clear"), central);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdClear->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(cmdClear);
    buttons->addStretch(1);
    outer->addLayout(buttons);

    auto* gridBox = new QGroupBox(QStringLiteral("Multipliers"), central);
    auto* gridLayout = new QVBoxLayout(gridBox);
    grid = new SectionGrid(gridBox);
    gridLayout->addWidget(grid);
    outer->addWidget(gridBox);
    outer->addStretch(1);

    setCentralWidget(central);

    connect(txtCall, &QLineEdit::textChanged, this, &LogWindow::txtCall_Change);
    connect(txtCntry, &QLineEdit::textChanged, this, &LogWindow::txtCntry_Change);
    connect(cmdClear, &QPushButton::clicked, this, &LogWindow::cmdClear_Click);
}

void LogWindow::connectMenu()
{
    connect(menus.mnuNew, &QAction::triggered, this, [this] { app.session.StartNewLog(); });
    connect(menus.mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(menus.mnuSetup, &QAction::triggered, this, &LogWindow::mnuSetup_Click);
    connect(menus.mnuClear, &QAction::triggered, this, &LogWindow::cmdClear_Click);
    connect(menus.mnuHelp, &QAction::triggered, this, &LogWindow::mnuHelp_Click);
    connect(menus.mnuColors, &QAction::triggered, this, &LogWindow::mnuColors_Click);
    connect(menus.mnuFormSize, &QAction::triggered, this, [this] {
        if (mnuFormSize_Click(app.prefs, app.dialogs))
            app.SavePref();
    });
    connect(menus.mnuTaskbar, &QAction::triggered, this, [this] {
        if (mnuTaskbar_Click(app.prefs, app.dialogs)) {
            app.SavePref();
            applyFormSize();
        }
    });
    for (QAction* a : menus.mnuBand)
        connect(a, &QAction::triggered, this, [this, a] { mnuBandChoose(a->text()); });
    connect(setup, &SetupCommand::applied, this, &LogWindow::refreshStationLabels);
    connect(setup, &SetupCommand::helpRequested, this, &LogWindow::mnuHelp_Click);
    connect(setup, &SetupCommand::cancelled, this,
            [this] { emit exitRequested(StartupSequence::ExitSetupCancelled); });
}

void LogWindow::showBand(const QString& band)
{
    menus.checkBand(band);
    label24->setText(band);
}

void LogWindow::applyFormSize()
{
    showAtFormSize(this, app.prefs.formSize, app.prefs.taskbar != 0);
}

void LogWindow::refreshStationLabels()
{
    lblOwnCall->setText(app.prefs.ownCall);
    lblOwnSpc->setText(app.prefs.ownSpc);
    lblOwnName->setText(app.prefs.firstName);
}

void LogWindow::setStatus(const QString& text)
{
    lblDialog->setText(text);
}

void LogWindow::focusCall()
{
    activateWindow();
    txtCall->setFocus();
}

void LogWindow::mnuBandChoose(const QString& band)
{
    app.prefs.band = band;
    showBand(band);
    if (!txtCall->text().isEmpty())
        txtCntry_Change();
    app.SavePref();
    app.session.WorkList();
    focusCall();
}

void LogWindow::cmdClear_Click()
{
    txtCntry->clear();
    txtCall->clear();
    txtRSTR->clear();
    lblDupe->clear();
    lblDialog->clear();
    label19->clear();
    label22->clear();
    label23->clear();
    focusCall();
}

void LogWindow::mnuColors_Click()
{
    ColoursWindow form6(app.prefs, app.dialogs, this);
    form6.exec();
    app.SavePref();
    app.session.WorkList();
}

void LogWindow::mnuHelp_Click()
{
    HelpWindow form5(app.installOrShippedFile(QStringLiteral("rdzelqnt.txt")), app.folders.install,
                     app.dialogs, this);
    form5.exec();
}

void LogWindow::mnuSetup_Click()
{
    setup->start();
}

void LogWindow::paintGridForReload()
{
    grid->paintAll(fromStored(app.prefs.remainingColour));
}

void LogWindow::Timer2_Timer()
{
    const ClockTexts t = clockTexts(app.clock.localNow(), app.prefs.utcOffset);
    lblutctime->setText(t.utc);
    lblCurTime->setText(t.local);
    label16->setText(t.ampm);
}

void LogWindow::txtCall_Change()
{
    QString spc = txtCntry->text();
    QString continent = label19->text();
    QString bearing = label22->text();
    QString miles = label23->text();
    const CountryLookupResult r = LookupCallCountry(
        app.prefixes, txtCall->text(), spc,
        {double(app.prefs.latitude), double(app.prefs.longitude)});
    r.applyTo(spc, continent, bearing, miles);
    label19->setText(continent);
    label22->setText(bearing);
    label23->setText(miles);
    if (spc != txtCntry->text())
        txtCntry->setText(spc);
    if (r.selectSpc)
        txtCntry->selectAll();
}

void LogWindow::txtCntry_Change()
{
    const int band = bandIndex(app.prefs.band);
    label3->setVisible(newCountryIndicator(txtCntry->text(), label19->text(),
                                           app.session.multipliers().countries.countries(band)));
}

void LogWindow::closeEvent(QCloseEvent* event)
{
    if (app.prefsLoaded)
        app.SavePref();
    event->accept();
}

} // namespace zelq
