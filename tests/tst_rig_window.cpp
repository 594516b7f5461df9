// The rig interface window on the real log window: its controls and
// files, and the logging band following a simulated radio of every family
// over a pty, through Hamlib's rigctld, and across an unplugged cable.
#include "LogWindowRun.h"
#include "RigSimulator.h"
#include "devices/PortMap.h"
#include "rig/RigCatalogue.h"
#include "rig/RigSettings.h"
#include "settings/Preferences.h"
#include "ui/RigWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

using namespace zelq;
using namespace zelq::test;
using namespace zelq::RigTypes;

namespace {

QString band(const Run& run)
{
    return run.label("Label24")->text();
}

template <typename T>
T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no %s", name);
    return found;
}

void pick(RigWindow& w, const QString& type)
{
    auto* list = child<QListWidget>(&w, "List1");
    list->setCurrentRow(int(rigCatalogue().indexOf(type)));
}

void click(QWidget* w, const char* name)
{
    child<QAbstractButton>(w, name)->click();
}

bool checked(QWidget* w, const char* name)
{
    return child<QAbstractButton>(w, name)->isChecked();
}

QString text(QWidget* w, const char* name)
{
    if (auto* l = w->findChild<QLabel*>(QString::fromLatin1(name)))
        return l->text();
    return child<QLineEdit>(w, name)->text();
}

// COM1 of the position names `path`.
void mapCom1(const Run& run, const QString& path)
{
    PortMap map = PortMap::load(run.context->folders.install);
    map.setDevice(1, path);
    QVERIFY(map.save(run.context->folders.install));
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class RigWindowTest : public QObject {
    Q_OBJECT
private slots:
    void ctrlROpensTheWindowWithTheCatalogue();
    void pickingATypeAppliesItsDefaults();
    void doneSavesBothFilesAndTheBaudReadsBack();
    void changeFrequencyNeedsPolling();
    void copiesTheUnprocessedReply();
    void bandFollowsEveryFamily_data();
    void bandFollowsEveryFamily();
    void useFrequencyOffLeavesTheBand();
    void unplugAndReplug();
    void startupTestAndStopBytesAtExit();
    void storedRadioPollsFromStartup();
    void hamlibRigctld();
    void unreachableRigctld();
    void everyControlHasAName();

private:
    // Picks `type`, the fastest rate and Test, on COM1 = the pty.
    RigWindow* polling(Run& run, const QString& type);
};

RigWindow* RigWindowTest::polling(Run& run, const QString& type)
{
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    pick(w, type);
    click(&w, "optComm_0");
    click(&w, "optPollFast");
    click(&w, "Command1");
    return &w;
}

void RigWindowTest::ctrlROpensTheWindowWithTheCatalogue()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    auto* w = run.window->findChild<RigWindow*>(QStringLiteral("RigControlfrm"));
    QVERIFY(w);
    QTRY_VERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Rig Interface Setup"));
    auto* list = child<QListWidget>(w, "List1");
    QCOMPARE(list->count(), 20);
    QCOMPARE(list->item(0)->text(), None);
    QCOMPARE(list->item(18)->text(), Other);
    QCOMPARE(list->item(19)->text(), Hamlib);
    // The defaults with no settings file.
    QVERIFY(checked(w, "optBaud560") && checked(w, "optParityNone") && checked(w, "optData8"));
    QVERIFY(checked(w, "optStop1") && checked(w, "optComm_0") && checked(w, "optPowerNone"));
    QVERIFY(checked(w, "optPollMed") && checked(w, "OptRig") && checked(w, "chkFrequency"));
    QVERIFY(!checked(w, "chkConvToHex") && !child<QCheckBox>(w, "chkConvToHex")->isEnabled());
    // Closing only hides; the menu opens the same window.
    w->close();
    QVERIFY(!w->isVisible());
    run.window->menu().mnuRigInterface->trigger();
    QCOMPARE(&run.window->rigWindow(), w);
    QVERIFY(w->isVisible());
}

void RigWindowTest::pickingATypeAppliesItsDefaults()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    click(&w, "optParityEven");
    pick(w, Icom);
    QVERIFY(checked(&w, "optBaud12") && checked(&w, "optParityNone") && checked(&w, "optStop1"));
    QCOMPARE(text(&w, "txtFreq"), QStringLiteral("FE FE 64 E0 03 FD"));
    QVERIFY(checked(&w, "chkConvToHex") && checked(&w, "ChkConvHex"));
    QVERIFY(child<QLabel>(&w, "lblIcomNote")->isVisibleTo(&w));
    pick(w, FTdx9000); // only the baud changes
    QVERIFY(checked(&w, "optBaud48") && checked(&w, "optParityNone"));
    QVERIFY(checked(&w, "optData8") && checked(&w, "optStop1"));
    QCOMPARE(text(&w, "txtFreq"), QStringLiteral("FA;"));
    QCOMPARE(text(&w, "txtMode"), QStringLiteral("MD0;"));
    QVERIFY(!child<QLabel>(&w, "lblIcomNote")->isVisibleTo(&w));
    click(&w, "optStop2");
    pick(w, Pegasus); // strings cleared, serial parameters as they were
    QCOMPARE(text(&w, "txtFreq"), QString());
    QCOMPARE(text(&w, "txtMode"), QString());
    QVERIFY(checked(&w, "optBaud48") && checked(&w, "optStop2"));
    QVERIFY(!checked(&w, "chkConvToHex"));
    pick(w, Other);
    QVERIFY(child<QCheckBox>(&w, "chkConvToHex")->isEnabled());
    QCOMPARE(w.RigType(), Other);
    QVERIFY(!child<QWidget>(&w, "fraHamlib")->isVisibleTo(&w));
    pick(w, Hamlib);
    QVERIFY(child<QWidget>(&w, "fraHamlib")->isVisibleTo(&w));
    QCOMPARE(text(&w, "txtHamlibHost"), QStringLiteral("127.0.0.1"));
    QCOMPARE(text(&w, "txtHamlibPort"), QStringLiteral("4532"));
}

void RigWindowTest::doneSavesBothFilesAndTheBaudReadsBack()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    pick(w, Kenwood);
    pick(w, None); // keeps Kenwood's 4800 8N2, no test on Done
    click(&w, "OptFreq");
    click(&w, "optComm_2");
    click(&w, "cmdDone");
    QVERIFY(!w.isVisible());
    QVERIFY(run.dialogs.asked.isEmpty());
    QFile f(run.context->folders.install + QStringLiteral("/RigCntrl.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    QVERIFY2(saved.startsWith("\"4800 \"\r\n\"N\"\r\n\"8\"\r\n\"2\"\r\n\"\"\r\n\"\"\r\n\"4800,N,8,2\"\r\n3\r\n"), saved.constData());
    QVERIFY(saved.contains("\"None\"\r\n0\r\n1\r\n2\r\n"));
    QCOMPARE(run.context->prefs.rigType, None);

    // A second window reads it: the padded baud selects 4.8.
    RigWindow again(*run.context);
    QVERIFY(checked(&again, "optBaud48") && checked(&again, "optStop2"));
    QVERIFY(checked(&again, "optComm_2") && checked(&again, "OptFreq"));
}

void RigWindowTest::changeFrequencyNeedsPolling()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    click(&w, "Command3");
    QCOMPARE(run.dialogs.messageTitles(),
             QStringList{QStringLiteral("You must be polling your rig to test this function.")});
    QCOMPARE(run.dialogs.asked[0].text,
             QStringLiteral("You must be polling your rig to test this function.  Please select "
                            "your rig type and click the Test command button."));
}

void RigWindowTest::copiesTheUnprocessedReply()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    PtyPair pty;
    RigSimulator sim(pty, Kenwood);
    mapCom1(run, pty.slavePath());
    RigWindow* w = polling(run, Kenwood);
    QTRY_COMPARE(text(w, "lblUnProcess"), QStringLiteral("FA00014025000;MD3;"));
    click(w, "Command4");
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("FA00014025000;MD3;"));
    click(w, "Command2"); // End Test clears the display
    QCOMPARE(text(w, "lblFreq"), QString());
    QVERIFY(!child<QLabel>(w, "lblPolling")->isVisibleTo(w));
}

void RigWindowTest::bandFollowsEveryFamily_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("split");
    for (const QString& t : {Kenwood, Elecraft, Kenwood2, Icom, Icom735, OmniVI, Yaesu, Yaesu757,
                             Yaesu890, Yaesu920, Yaesu990, Yaesu1000D, Yaesu1000, FTdx9000,
                             FrontPanel, Orion})
        QTest::newRow(qPrintable(t)) << t << false;
    QTest::newRow("Kenwood split replies") << Kenwood << true;
    QTest::newRow("Icom split replies") << Icom << true;
}

void RigWindowTest::bandFollowsEveryFamily()
{
    QFETCH(QString, type);
    QFETCH(bool, split);
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    PtyPair pty;
    RigSimulator sim(pty, type);
    sim.setSplit(split);
    sim.setFrequency(14025000);
    mapCom1(run, pty.slavePath());
    RigWindow* w = polling(run, type);
    QVERIFY2(run.dialogs.asked.isEmpty(), qPrintable(run.dialogs.messageTitles().join(',')));
    QTRY_COMPARE(band(run), QStringLiteral("20"));
    QTRY_COMPARE(text(w, "lblFreq"), QStringLiteral("14.02500"));
    sim.setFrequency(7010000);
    QTRY_COMPARE(band(run), QStringLiteral("40"));
    QCOMPARE(run.context->prefs.band, QStringLiteral("40"));
    QTRY_COMPARE(text(w, "lblFreq"), QStringLiteral("7.01000"));
    if (type != Yaesu757 && type != Yaesu890 && type != Yaesu990 && type != Yaesu1000D
        && type != Yaesu1000 && type != Yaesu920 && type != Yaesu)
        QTRY_COMPARE(text(w, "lblMode"), QStringLiteral("CW"));
    else
        QCOMPARE(text(w, "lblMode"), QStringLiteral("CW"));
}

void RigWindowTest::useFrequencyOffLeavesTheBand()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    const QString before = band(run);
    PtyPair pty;
    RigSimulator sim(pty, Kenwood);
    sim.setFrequency(before == QLatin1String("40") ? 14025000 : 7010000);
    mapCom1(run, pty.slavePath());
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    click(&w, "chkFrequency");
    RigWindow* pw = polling(run, Kenwood);
    QTRY_VERIFY(text(pw, "lblFreq").endsWith(QLatin1String("000")));
    QTest::qWait(300);
    QCOMPARE(band(run), before);
}

void RigWindowTest::unplugAndReplug()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    const QString link = home.path() + QStringLiteral("/ttyRig");
    auto pty = std::make_unique<PtyPair>();
    auto sim = std::make_unique<RigSimulator>(*pty, Kenwood);
    QVERIFY(pty->linkAt(link));
    mapCom1(run, link);
    RigWindow* w = polling(run, Kenwood);
    QTRY_COMPARE(band(run), QStringLiteral("20"));

    sim->unplug();
    QTRY_VERIFY(!text(w, "lblLinkStatus").isEmpty());
    QTRY_COMPARE(text(w, "lblFreq"), QStringLiteral("No Response"));
    QCOMPARE(band(run), QStringLiteral("20"));
    QVERIFY(run.dialogs.asked.isEmpty()); // said in the window, not in boxes

    sim.reset();
    pty = std::make_unique<PtyPair>();
    sim = std::make_unique<RigSimulator>(*pty, Kenwood);
    sim->setFrequency(7010000);
    QVERIFY(pty->linkAt(link));
    QTRY_VERIFY_WITH_TIMEOUT(text(w, "lblLinkStatus").isEmpty(), 5000);
    QTRY_COMPARE(band(run), QStringLiteral("40"));
    QTRY_COMPARE(text(w, "lblFreq"), QStringLiteral("7.01000"));
}

void RigWindowTest::startupTestAndStopBytesAtExit()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    PtyPair pty;
    RigSimulator sim(pty, Yaesu990);
    mapCom1(run, pty.slavePath());
    RigSettings s;
    s.rigType = Yaesu990;
    s.baud = QStringLiteral("4800");
    s.stopBits = QStringLiteral("2");
    s.frequencyPoll = QStringLiteral("00 00 00 02 10");
    s.pollRate = QStringLiteral("F");
    QVERIFY(saveRigSettings(run.context->folders.install + QStringLiteral("/RigCntrl.txt"), s));
    run.context->prefs.rigType = QStringLiteral("yaesu 990"); // compared ignoring case
    run.window->startRigIfChosen();
    RigWindow& w = run.window->rigWindow();
    QCOMPARE(w.RigType(), Yaesu990); // the file's name wins
    QVERIFY2(run.dialogs.asked.isEmpty(), qPrintable(w.link().linkProblem()));
    QVERIFY(!w.isVisible());
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("14.02500"));
    QVERIFY2(sim.yaesuCommands(0x00) == 1, sim.received().toHex(' ').constData());
    run.window->close();
    QTRY_COMPARE(sim.yaesuCommands(0x80), 1);
}

void RigWindowTest::storedRadioPollsFromStartup()
{
    TempHome home;
    Run run(home);
    // The preferences name the radio; RigCntrl.txt holds its settings.
    Preferences prefs;
    QVERIFY(loadPreferences(run.context->preferencesPath(), prefs) == PreferencesLoad::Loaded);
    prefs.rigType = Kenwood;
    prefs.band = QStringLiteral("80");
    QVERIFY(savePreferences(run.context->preferencesPath(), prefs));
    PtyPair pty;
    RigSimulator sim(pty, Kenwood);
    sim.setFrequency(21025000);
    mapCom1(run, pty.slavePath());
    RigSettings s;
    s.rigType = Kenwood;
    s.frequencyPoll = QStringLiteral("FA;");
    s.modePoll = QStringLiteral("MD;");
    s.pollRate = QStringLiteral("F");
    QVERIFY(saveRigSettings(run.context->folders.install + QStringLiteral("/RigCntrl.txt"), s));
    START(run);
    QTRY_COMPARE(band(run), QStringLiteral("15"));
    QVERIFY(!run.window->rigWindow().isVisible());
    // Polls on the band already chosen select nothing and save nothing.
    const QDateTime saved = QFileInfo(run.context->preferencesPath()).lastModified();
    QTest::qWait(300);
    QCOMPARE(QFileInfo(run.context->preferencesPath()).lastModified(), saved);
    QCOMPARE(run.focused(), QStringLiteral("txtCall"));
}

void RigWindowTest::hamlibRigctld()
{
    const QString rigctld = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
    if (rigctld.isEmpty())
        QSKIP("rigctld (libhamlib-utils) is not installed");
    const quint16 port = freePort();
    QProcess daemon;
    daemon.start(rigctld, {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                           QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port)});
    QVERIFY(daemon.waitForStarted());
    auto stop = qScopeGuard([&] {
        daemon.terminate();
        daemon.waitForFinished(3000);
    });
    QTcpSocket control;
    QTRY_VERIFY_WITH_TIMEOUT((control.connectToHost(QStringLiteral("127.0.0.1"), port),
                              control.waitForConnected(200)), 5000);
    auto set = [&](const QByteArray& command) {
        control.write(command + '\n');
        QVERIFY(control.waitForReadyRead(2000));
        control.readAll();
    };
    set("F 14025000");
    set("M CW 500");

    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    pick(w, Hamlib);
    auto* portBox = child<QLineEdit>(&w, "txtHamlibPort");
    portBox->clear();
    QTest::keyClicks(portBox, QString::number(port));
    click(&w, "optPollFast");
    click(&w, "Command1");
    QTRY_COMPARE(band(run), QStringLiteral("20"));
    QTRY_COMPARE(text(&w, "lblMode"), QStringLiteral("CW"));
    set("F 7010000");
    set("M USB 2400");
    QTRY_COMPARE(band(run), QStringLiteral("40"));
    QTRY_COMPARE(text(&w, "lblMode"), QStringLiteral("PH"));
    QCOMPARE(text(&w, "lblLinkStatus"), QString());

    // The daemon goes away and comes back on the same port.
    daemon.terminate();
    daemon.waitForFinished(3000);
    QTRY_VERIFY_WITH_TIMEOUT(text(&w, "lblLinkStatus").startsWith(QStringLiteral("Cannot reach rigctld at 127.0.0.1:%1").arg(port)), 5000);
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("No Response"));
    daemon.start(rigctld, {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                           QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port)});
    QVERIFY(daemon.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(text(&w, "lblLinkStatus").isEmpty(), 8000);
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("145.00000")); // the dummy's own start
    QCOMPARE(band(run), QStringLiteral("40")); // 2 m has no logging band
    QVERIFY(run.dialogs.asked.isEmpty());

    // Saved as lines 15 and 16.
    click(&w, "cmdDone");
    RigSettings saved;
    QVERIFY(readRigSettings(run.context->folders.install + QStringLiteral("/RigCntrl.txt"), saved) >= 16);
    QCOMPARE(saved.hamlibPort, int(port));
    QCOMPARE(saved.rigType, Hamlib);
}

void RigWindowTest::unreachableRigctld()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    pick(w, Hamlib);
    const quint16 port = freePort();
    auto* portBox = child<QLineEdit>(&w, "txtHamlibPort");
    portBox->clear();
    QTest::keyClicks(portBox, QString::number(port));
    click(&w, "Command1");
    QTRY_VERIFY(text(&w, "lblLinkStatus").startsWith(QStringLiteral("Cannot reach rigctld at 127.0.0.1:%1: ").arg(port)));
    QVERIFY(text(&w, "lblLinkStatus").endsWith(QLatin1Char('.')));
    QVERIFY(run.dialogs.asked.isEmpty());
    QVERIFY(child<QLabel>(&w, "lblPolling")->isVisibleTo(&w));
}

void RigWindowTest::everyControlHasAName()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    run.ctrl(Qt::Key_R);
    RigWindow& w = run.window->rigWindow();
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (c->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel*>(c))
            continue;
        if (c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")))
            continue; // parts of Qt's own widgets
        QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
    }
}

QTEST_MAIN(RigWindowTest)
#include "tst_rig_window.moc"
