#include "ui/LogWindow.h"

#include "core/Clock.h"
#include "log/ContactEntry.h"
#include "score/OperatingTime.h"
#include "score/ScoreRules.h"
#include "log/SectionTable.h"
#include "settings/AppearanceCommands.h"
#include "ui/AppContext.h"
#include "ui/ClockDisplay.h"
#include "ui/ColoursWindow.h"
#include "ui/PortsWindow.h"
#include "ui/Labels.h"
#include "ui/EntryPanel.h"
#include "ui/LogWindowKeys.h"
#include "ui/LogWindowCw.h"
#include "ui/LogWindowRtty.h"
#include "ui/LogWindowPhone.h"
#include "ui/HelpWindow.h"
#include "ui/CabrilloWindow.h"
#include "ui/ArchiveCommand.h"
#include "ui/ImportWindow.h"
#include "export/Backup.h"
#include "ui/GraphWindow.h"
#include "ui/RatePanel.h"
#include "ui/RigWindow.h"
#include "score/RateStats.h"
#include "ui/AdifExportCommand.h"
#include "export/Adif.h"
#include "ui/ContactEditCommands.h"
#include "ui/EditContactWindow.h"
#include "ui/ContactListView.h"
#include "score/RefreshPoll.h"
#include "log/LogChangeListener.h"
#include "log/LogFileWatcher.h"
#include "ui/ScorePanel.h"
#include "ui/SectionGrid.h"
#include "ui/SetupCommand.h"
#include "ui/LogWindowSpots.h"
#include "ui/SpotPanel.h"
#include "ui/StartupSequence.h"
#include "ui/WindowLayout.h"
#include "zelq_build_info.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <cmath>
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


LogWindow::LogWindow(AppContext& context, QWidget* parent) : QMainWindow(parent), app(context)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZELQ Logger " ZELQ_VERSION));
    menus.build(menuBar());
    buildLayout();
    entry = std::make_unique<ContactEntry>(app.session, app.prefs, app.prefixes, app.dialogs,
                                           app.beeper, app.clock, *panel);
    entry->savePreferences = [this] { app.SavePref(); };
    panel->attach(entry.get());
    // Every key of the window, wherever the focus is. Windows reached by
    // Ctrl+letter and the keyer modes join its table as they are built.
    keys = new LogWindowKeys(this, *panel);
    keys->dispatch().escape = [this] { entry->cmdClear_Click(); };
    keys->dispatch().holding = [this] { return entry->holding(); };
    keys->dispatch().endHold = [this] { entry->endHold(); };
    keys->dispatch().setCtrlShortcut(Qt::Key_R, [this] { showRigWindow(); });
    keys->dispatch().setCtrlShortcut(Qt::Key_G, [this] { showRigTune(); });
    keys->dispatch().setCtrlShortcut(Qt::Key_F, [this] { showBandPlan(); });
    entry->onLoggedOff = [this] { runBackup(); };
    app.store.setWaitingNotice([this](bool waiting) { panel->showWaitingForLog(waiting); });
    setup = new SetupCommand(app, this);

    // What a reload refreshes, in order: list, country list, grid, score.
    app.session.addReloadStep([this] { contactList->FillContactList(app.session.cache(), app.prefs.band); });
    app.session.addReloadStep([this] { TimeStats(); });
    app.session.addReloadStep([this] { refreshScore(); });
    entry->afterLogged.push_back([this] { contactList->FillContactList(app.session.cache(), app.prefs.band); });
    entry->afterLogged.push_back([this] { refreshScore(); });
    entry->afterLogged.push_back([this] { TimeStats(); });
    timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(60000);
    connect(timer1, &QTimer::timeout, this, &LogWindow::TimeStats);
    timer1->start();
    contactList->currentBand = [this] { return app.prefs.band; };

    // Contacts of the other positions: the poll, and on a log server its
    // change notices, which bring them at once.
    poll = std::make_unique<RefreshPoll>(app.session);
    adifCountries = std::make_unique<AdifCountryTable>();
    poll->backupLog = [this] { runBackup(); };
    timer3 = new QTimer(this);
    timer3->setObjectName(QStringLiteral("Timer3"));
    // No reload while a contact is being edited: it would renumber the rows.
    connect(timer3, &QTimer::timeout, this, [this] {
        if (!editCommands->editWindow())
            poll->Timer3_Timer(false, panel->text(EntryField::Call).isEmpty());
    });
    setup->setPollTimer(timer3);
    listener = new LogChangeListener(this);
    // The server says the table changed, edits included (which leave the
    // count as it was): reload, unless the operator is working in the list
    // or in setup; then the call field's focus does it later.
    connect(listener, &LogChangeListener::changed, this, [this] {
        app.session.takeNotices(listener->takeNotices());
        if (!editCommands->editWindow() && !listInUse && app.store.isOpen())
            poll->applyPending(panel->text(EntryField::Call).isEmpty());
    });
    // An SQLite log written by another position is looked at at once.
    fileWatcher = new LogFileWatcher(this);
    connect(fileWatcher, &LogFileWatcher::touched, this, [this] {
        app.session.followInBackground([this] {
            return !editCommands->editWindow() && !listInUse && app.store.isOpen()
                && panel->text(EntryField::Call).isEmpty();
        });
    });
    entry->onCallFocusIn = [this] {
        listInUse = false;
        hideEditButtons();
        if (!timer3->isActive() && app.store.isOpen())
            timer3->start();
    };
    editCommands = new ContactEditCommands(app.session, app.prefixes, app.dialogs, app.beeper, this);
    editCommands->hideButtons = [this] { hideEditButtons(); };
    // A red line (a dupe, a contact not logged, a failed duplicate check)
    // stays until the operator acts on it; a reload's news waits.
    app.session.onStatus = [this](const QString& text) {
        if (panel->statusColour() != StatusColour::Dupe)
            setStatus(text);
    };
    app.session.resetOperatingTime = [this] {
        app.prefs.operatingSeconds = 0;
        entry->restartOperatingTime();
    };
    app.session.savePreferences = [this] { app.SavePref(); };
    app.session.showOperatingTime = [this] { ShowOperatingTime(); };

    timer2 = new QTimer(this);
    timer2->setObjectName(QStringLiteral("Timer2"));
    timer2->setInterval(1000);
    connect(timer2, &QTimer::timeout, this, &LogWindow::Timer2_Timer);
    timer2->start();
    Timer2_Timer();
    connectMenu();
    connectSpots();

    cw = new LogWindowCw(app, *this);
    rtty = new LogWindowRtty(app, *this);
    phone = new LogWindowPhone(app, *this);
    cw->sharePortWith(phone->control());

    setStatus(StartupPrompt);
    grid->paintAll(colourFromStored(app.prefs.remainingColour));
    focusCall();
}

LogWindow::~LogWindow()
{
    app.store.setWaitingNotice({});
}

KeyDispatch& LogWindow::keyDispatch()
{
    return keys->dispatch();
}

void LogWindow::buildLayout()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    // The station and the time.
    auto* top = new QHBoxLayout;
    lblOwnCall = valueLabel("lblOwnCall", central, 8);
    lblOwnSpc = valueLabel("lblOwnSpc", central, 4);
    lblOwnName = valueLabel("lblOwnName", central, 8);
    for (auto [caption, label] : {std::pair{"CALL", lblOwnCall}, std::pair{"SPC", lblOwnSpc},
                                  std::pair{"NAME", lblOwnName}}) {
        top->addWidget(headingLabel(QString::fromLatin1(caption), central));
        top->addWidget(label);
        top->addSpacing(12);
    }
    top->addStretch(1);
    top->addWidget(headingLabel(QStringLiteral("Band"), central));
    label24 = valueLabel("Label24", central, 4);
    label24->setToolTip(QStringLiteral("Click to change modes."));
    label24->setAlignment(Qt::AlignCenter);
    scaleWidgetFont(label24, 1.6, true);
    top->addWidget(label24);
    top->addSpacing(12);
    top->addWidget(headingLabel(QStringLiteral("UTC"), central));
    lblutctime = valueLabel("lblutctime", central, 6);
    top->addWidget(lblutctime);
    top->addWidget(headingLabel(QStringLiteral("Local"), central));
    lblCurTime = valueLabel("lblCurTime", central, 6);
    top->addWidget(lblCurTime);
    label16 = new QLabel(QStringLiteral("am"), central);
    label16->setObjectName(QStringLiteral("Label16"));
    top->addWidget(label16);
    top->addSpacing(12);
    top->addWidget(headingLabel(QStringLiteral("Op Time"), central));
    lblttrack = valueLabel("lblttrack", central, 6);
    top->addWidget(lblttrack);
    outer->addLayout(top);

    panel = new EntryPanel(central);
    outer->addWidget(panel);

    // The station's newest contacts beside its score.
    auto* middle = new QHBoxLayout;
    auto* listColumn = new QVBoxLayout;
    contactList = new ContactListView(central);
    listColumn->addWidget(contactList, 1);
    auto* editButtons = new QHBoxLayout;
    cmdEdit = new QPushButton(QStringLiteral("Edit Contact"), central);
    cmdEdit->setObjectName(QStringLiteral("cmdEdit"));
    cmdDelete = new QPushButton(QStringLiteral("Delete Contact"), central);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    for (QPushButton* b : {cmdEdit, cmdDelete}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
        editButtons->addWidget(b);
    }
    editButtons->addStretch(1);
    listColumn->addLayout(editButtons);
    middle->addLayout(listColumn, 3);
    auto* scoreColumn = new QVBoxLayout;
    score = new ScorePanel(central);
    scoreColumn->addWidget(score, 1);
    rates = new RatePanel(central);
    scoreColumn->addWidget(rates);
    middle->addLayout(scoreColumn, 1);
    outer->addLayout(middle, 1);
    spotPanel = new SpotPanel(central);
    outer->addWidget(spotPanel);

    auto* gridBox = new QGroupBox(QStringLiteral("Multipliers"), central);
    auto* gridLayout = new QVBoxLayout(gridBox);
    grid = new SectionGrid(gridBox);
    gridLayout->addWidget(grid);
    outer->addWidget(gridBox);
    outer->addStretch(1);

    setCentralWidget(central);
    // The mouse over an empty part of the window empties the partial line.
    central->setMouseTracking(true);
    central->installEventFilter(this);

}

void LogWindow::connectMenu()
{
    connect(menus.mnuNew, &QAction::triggered, this, [this] { app.session.StartNewLog(); });
    connect(menus.mnuExit, &QAction::triggered, this, &LogWindow::mnuExit_Click);
    menus.mnuPostContest->setEnabled(true);
    menus.mnuPostContest->setCheckable(true);
    connect(menus.mnuPostContest, &QAction::triggered, this, &LogWindow::mnuPostContest_Click);
    connect(menus.mnuSetup, &QAction::triggered, this, &LogWindow::mnuSetup_Click);
    // The "&Clear" menu and the "&Clear" button are one command: Alt+C
    // belongs to the menu, and the button triggers it.
    connect(menus.mnuClear, &QAction::triggered, this, [this] { entry->cmdClear_Click(); });
    panel->clearButton()->setShortcut(QKeySequence());
    connect(panel->clearButton(), &QPushButton::clicked, menus.mnuClear, &QAction::trigger);
    connect(menus.mnuHelp, &QAction::triggered, this, &LogWindow::mnuHelp_Click);
    menus.mnuRigInterface->setEnabled(true);
    connect(menus.mnuRigInterface, &QAction::triggered, this, &LogWindow::showRigWindow);
    menus.mnuPrivileges->setEnabled(true);
    connect(menus.mnuPrivileges, &QAction::triggered, this, &LogWindow::showBandPlan);
    connect(menus.mnuColors, &QAction::triggered, this, &LogWindow::mnuColors_Click);
    connect(menus.mnuSerialPorts, &QAction::triggered, this, [this] {
        PortsWindow frmPorts(app.devices, app.folders.install, app.dialogs, this);
        frmPorts.exec();
    });
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
    connect(setup, &SetupCommand::applied, this, [this] {
        timer3->setInterval(refreshIntervalMs(app.prefs.refreshMs));
        listener->listen(app.prefs.logPath, app.folders.install);
        fileWatcher->watch(app.store.address().isServer() ? QString() : app.store.address().filePath);
    });
    connect(contactList, &ContactListView::listClicked, this, [this] {
        timer3->stop();
        listInUse = true;
    });
    connect(contactList, &ContactListView::itemSelected, this, [this] {
        timer3->stop();
        listInUse = true;
        showEditButtons();
    });
    connect(contactList, &ContactListView::listFocusLost, this, &LogWindow::showEditButtons);
    connect(contactList, &ContactListView::editRequested, this, [this] {
        editCommands->cmdEdit_Click(contactList->selectedRow());
    });
    connect(contactList, &ContactListView::focusCallRequested, this, &LogWindow::focusCall);
    connect(cmdEdit, &QPushButton::clicked, this, [this] {
        if (contactList->selectedRow() > 0)
            editCommands->cmdEdit_Click(contactList->selectedRow());
    });
    connect(cmdDelete, &QPushButton::clicked, this, [this] {
        if (contactList->selectedRow() > 0)
            editCommands->cmdDelete_Click(contactList->selectedRow());
        else
            hideEditButtons();
        focusCall();
    });
    // Back to the call field after an edit: typing goes on, and the poll
    // that the list click stopped starts again.
    connect(editCommands, &ContactEditCommands::editFinished, this, &LogWindow::focusCall);
    menus.mnuCabrillo->setEnabled(true);
    connect(menus.mnuCabrillo, &QAction::triggered, this, [this] {
        app.session.WorkList(); // the entry from the whole station's log as it is now
        CabrilloWindow form2(app.session.cache(), app.session.multipliers(), app.prefs, app.shared,
                             app.dialogs, app.beeper, app.folders.install, app.folders.program, this);
        form2.exec();
        focusCall();
    });
    menus.mnuAdif->setEnabled(true);
    connect(menus.mnuAdif, &QAction::triggered, this, [this] {
        app.session.WorkList();
        mnuAdifExport_Click(app.session.cache(), app.prefs, app.folders, *adifCountries, app.dialogs,
                            app.beeper, app.clock, windowTitle());
        focusCall();
    });
    // The companion-logger export stays unavailable from the menu; it is
    // reached through its command.
    connect(menus.mnuTavrinExport, &QAction::triggered, this, [this] {
        app.session.WorkList();
        mnuTavrinImport_Click(app.session.cache(), app.folders, app.dialogs, app.beeper);
    });
    menus.mnuCombine->setEnabled(true);
    connect(menus.mnuCombine, &QAction::triggered, this, [this] {
        ImportWindow::mnuCombine_Click(app, this, timer3, [this] { poll->resetTicks(); });
        focusCall();
    });
    menus.mnuArchive->setEnabled(true);
    connect(menus.mnuArchive, &QAction::triggered, this, [this] {
        mnuArchive_Click(app, timer3);
        focusCall();
    });
    menus.mnuGraph->setEnabled(true);
    connect(menus.mnuGraph, &QAction::triggered, this, [this] {
        GraphWindow::openGraph(app.session.cache(), app.dialogs, this);
        focusCall();
    });
    menus.mnuCopyListtoClipboard->setEnabled(true);
    connect(menus.mnuCopyListtoClipboard, &QAction::triggered, contactList, &ContactListView::copyToClipboard);
    menus.mnuRefreshRate->setEnabled(true);
    connect(menus.mnuRefreshRate, &QAction::triggered, this, [this] {
        if (const auto ms = mnuRefreshRate_Click(app.dialogs, timer3->interval(), &app.beeper)) {
            timer3->setInterval(*ms);
            app.prefs.refreshMs = *ms;
            app.SavePref();
        }
    });
    label24->installEventFilter(this);
    connect(grid, &SectionGrid::sectionClicked, this, [this](int section) {
        panel->setText(EntryField::Spc, SectionTable::abbreviation(section));
    });
    connect(grid, &SectionGrid::sectionHovered, this, [this](int section) {
        panel->setPartialLine(sectionBreakdown(app.session.cache(), section));
    });
    connect(setup, &SetupCommand::helpRequested, this, &LogWindow::mnuHelp_Click);
    connect(setup, &SetupCommand::cancelled, this,
            [this] { emit exitRequested(StartupSequence::ExitSetupCancelled); });
}

void LogWindow::runBackup()
{
    // A failure is told once, on the status line, beside what is there.
    if (const auto news = backups.run(app.session.cache(), app.folders.install)) {
        const QString now = panel->status().trimmed();
        setStatus(now.isEmpty() ? *news : now + QStringLiteral("  ") + *news);
    }
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
    panel->setStatus(text, StatusColour::Normal);
}

void LogWindow::ShowOperatingTime()
{
    lblttrack->setText(operatingTimeText(app.prefs.operatingSeconds));
}

void LogWindow::focusCall()
{
    activateWindow();
    panel->focus(EntryField::Call);
}

void LogWindow::mnuBandChoose(const QString& band)
{
    selectBand(band);
    focusCall();
}

void LogWindow::selectBand(const QString& band)
{
    app.prefs.band = band;
    showBand(band);
    if (!panel->text(EntryField::Call).isEmpty())
        entry->spcChanged();
    app.SavePref();
    app.session.WorkList();
    spotsPart->bandChanged();
}

void LogWindow::mnuPostContest_Click()
{
    const bool on = !panel->postContestMode();
    panel->setPostContestMode(on);
    menus.mnuPostContest->setChecked(on);
    focusCall();
}

void LogWindow::logOffAtExit()
{
    // the running operating time is kept; the Time Off message is not needed
    if (entry->loggedOn())
        app.prefs.operatingSeconds = entry->runningOperatingSeconds();
}

void LogWindow::mnuExit_Click()
{
    close();
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

void LogWindow::TimeStats()
{
    const QDateTime local = app.clock.localNow();
    const QDateTime utc = QDateTime(local.date(), local.time(), Qt::UTC)
                              .addSecs(qint64(std::llround(app.prefs.utcOffset * 60.0)) * 60);
    rates->show(zelq::TimeStats(app.session.cache(), utc));
}

void LogWindow::showEditButtons()
{
    if (contactList->itemCount() > 0) {
        cmdEdit->show();
        cmdDelete->show();
    }
}

void LogWindow::hideEditButtons()
{
    cmdEdit->hide();
    cmdDelete->hide();
}

void LogWindow::refreshScore()
{
    const MultiplierRecords& records = app.session.multipliers();
    score->ListRefresh(records, app.prefs.band);
    grid->ShowBandMultipliers(records.sections, app.prefs.band, colourFromStored(app.prefs.workedColour),
                              colourFromStored(app.prefs.remainingColour));
    score->Labeldisplay(app.session.cache(), records, app.prefs.band);
}

bool LogWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == label24 && event->type() == QEvent::MouseButtonRelease) {
        // the band label steps to the next band; on 6 m it does nothing
        const QString next = nextBand(app.prefs.band);
        if (!next.isEmpty())
            mnuBandChoose(next);
        return true;
    }
    if (watched == centralWidget() && event->type() == QEvent::MouseMove) {
        // Moves over the grid show a section's breakdown there instead.
        const auto* move = static_cast<QMouseEvent*>(event);
        const QWidget* under = QApplication::widgetAt(move->globalPosition().toPoint());
        if (!under || !grid->isAncestorOf(under))
            panel->setPartialLine(QString());
    }
    return QMainWindow::eventFilter(watched, event);
}

void LogWindow::Timer2_Timer()
{
    const ClockTexts t = clockTexts(app.clock.localNow(), app.prefs.utcOffset);
    lblutctime->setText(t.utc);
    lblCurTime->setText(t.local);
    label16->setText(t.ampm);
    if (entry && entry->loggedOn())
        lblttrack->setText(operatingTimeText(entry->runningOperatingSeconds()));
}

void LogWindow::closeEvent(QCloseEvent* event)
{
    // While the keyer sends the close is refused; the rest of the text is
    // dropped, so the next close goes through.
    if (cw && !cw->allowClose()) {
        event->ignore();
        return;
    }
    if (rig)
        rig->unloadRig();
    spotsPart->unload();
    logOffAtExit();
    if (app.prefsLoaded)
        app.SavePref();
    event->accept();
}

} // namespace zelq
