// The tune, frequency test and band plan windows on the real log window:
// Go tunes a simulated radio of every family (read back by the poll) and
// the band follows; steps, scan and key filters; the raw test commands;
// the band plan chart drawn and checked at a few points.
#include "LogWindowRun.h"
#include "RigSimulator.h"
#include "devices/PortMap.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "rig/RigctldClient.h"
#include "ui/BandPlanChart.h"
#include "ui/BandPlanWindow.h"
#include "ui/FrequencyTestWindow.h"
#include "ui/RigTuneWindow.h"
#include "ui/RigWindow.h"

#include <QCheckBox>
#include <QListWidget>
#include <QProcess>
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

template <typename T = QWidget>
T* child(QWidget* w, const QString& name)
{
    T* found = w->findChild<T*>(name);
    if (!found)
        qWarning("no %s", qPrintable(name));
    return found;
}

void click(QWidget* w, const QString& name)
{
    child<QAbstractButton>(w, name)->click();
}

QString text(QWidget* w, const char* name)
{
    if (auto* l = w->findChild<QLabel*>(QString::fromLatin1(name)))
        return l->text();
    return child<QLineEdit>(w, QString::fromLatin1(name))->text();
}

void mapCom1(const Run& run, const QString& path)
{
    PortMap map = PortMap::load(run.context->folders.install);
    map.setDevice(1, path);
    QVERIFY(map.save(run.context->folders.install));
}

// The rig window polling `type` fast on COM1.
RigWindow& polling(Run& run, const QString& type)
{
    RigWindow& w = run.window->rigWindow();
    w.findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(int(rigCatalogue().indexOf(type)));
    click(&w, QStringLiteral("optComm_0"));
    click(&w, QStringLiteral("optPollFast"));
    click(&w, QStringLiteral("Command1"));
    return w;
}

void typeInto(QWidget* box, const QString& keys)
{
    auto* e = static_cast<QLineEdit*>(box);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, keys);
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The name of the modal window `open` shows, closed as soon as it is up.
QString modalShownBy(const std::function<void()>& open)
{
    QString name;
    QTimer::singleShot(50, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            name = w->objectName() + QLatin1Char('|') + w->windowTitle();
            w->close();
        }
    });
    open();
    return name;
}

bool hasModeCode(const QString& type)
{
    return type != Icom735 && type != FrontPanel && type != Orion;
}

} // namespace

class RigTuneTest : public QObject {
    Q_OBJECT
private slots:
    void goTunesEveryFamily_data();
    void goTunesEveryFamily();
    void goThroughRigctld();
    void stepsKeysAndModeButtons();
    void scanWrapsAndAKeyStopsIt();
    void frequencyTestWindow();
    void shortcutsOpenTheWindows();
    void bandPlanChartDrawn();
    void everyControlHasAName();
};

void RigTuneTest::goTunesEveryFamily_data()
{
    QTest::addColumn<QString>("type");
    for (const QString& t : {Kenwood, Elecraft, Kenwood2, Icom, Icom735, OmniVI, Yaesu, Yaesu757,
                             Yaesu890, Yaesu920, Yaesu990, Yaesu1000D, Yaesu1000, FTdx9000,
                             FrontPanel, Orion})
        QTest::newRow(qPrintable(t)) << t;
}

void RigTuneTest::goTunesEveryFamily()
{
    QFETCH(QString, type);
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    PtyPair pty;
    RigSimulator sim(pty, type);
    sim.setFrequency(14025000);
    mapCom1(run, pty.slavePath());
    RigWindow& w = polling(run, type);
    QTRY_COMPARE(band(run), QStringLiteral("20"));

    RigTuneWindow tune(w);
    tune.show();
    typeInto(child(&tune, QStringLiteral("txtFreq")), QStringLiteral("7.2"));
    click(&tune, QStringLiteral("Command1"));
    QTRY_COMPARE(sim.frequency(), 7200000);
    if (hasModeCode(type))
        QCOMPARE(sim.currentMode(), QStringLiteral("LSB"));
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("7.20000"));
    QTRY_COMPARE(band(run), QStringLiteral("40"));

    // A band button: 15 m's phone segment, upper sideband.
    click(&tune, QStringLiteral("cmdBand_7"));
    QCOMPARE(text(&tune, "txtFreq"), QStringLiteral("21.225"));
    QTRY_COMPARE(sim.frequency(), 21225000);
    if (hasModeCode(type))
        QCOMPARE(sim.currentMode(), QStringLiteral("USB"));
    QTRY_COMPARE(band(run), QStringLiteral("15"));
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("21.22500"));
    QVERIFY2(run.dialogs.asked.isEmpty(), qPrintable(run.dialogs.messageTitles().join(',')));

    // The log window's own call, as spots use it; the operator types on
    // while the radio is being told.
    tune.close();
    run.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(run.window.get()));
    run.window->ChangeFrequency(14.025);
    run.focusField("txtCall");
    run.type(QStringLiteral("k1ab"));
    QCOMPARE(run.text("txtCall"), QStringLiteral("K1AB"));
    if (type == Elecraft)
        QVERIFY(w.link().commander().isBusy());
    QTRY_COMPARE(sim.frequency(), 14025000);
    if (hasModeCode(type))
        QCOMPARE(sim.currentMode(), QStringLiteral("CW"));
    QTRY_COMPARE(band(run), QStringLiteral("20"));
}

void RigTuneTest::goThroughRigctld()
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
    auto ask = [&](const QByteArray& command) {
        control.write(command + '\n');
        QByteArray answer;
        while (control.waitForReadyRead(1000)) {
            answer += control.readAll();
            if (answer.count('\n') >= (command == "m" ? 2 : 1))
                break;
        }
        return answer;
    };
    ask("F 14025000");

    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    RigWindow& w = run.window->rigWindow();
    w.findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(int(rigCatalogue().indexOf(Hamlib)));
    auto* portBox = child<QLineEdit>(&w, QStringLiteral("txtHamlibPort"));
    portBox->clear();
    QTest::keyClicks(portBox, QString::number(port));
    click(&w, QStringLiteral("optPollFast"));
    click(&w, QStringLiteral("Command1"));
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("14.02500"));

    RigTuneWindow tune(w);
    typeInto(child(&tune, QStringLiteral("txtFreq")), QStringLiteral("7.2"));
    click(&tune, QStringLiteral("Command1"));
    QTRY_COMPARE(text(&w, "lblFreq"), QStringLiteral("7.20000"));
    QTRY_COMPARE(band(run), QStringLiteral("40"));
    QVERIFY(ask("m").startsWith("LSB\n"));
    click(&tune, QStringLiteral("cmdCW"));
    QTRY_COMPARE(text(&w, "lblMode"), QStringLiteral("CW"));
    QCOMPARE(text(&w, "lblLinkStatus"), QString());
    QVERIFY(run.dialogs.asked.isEmpty());
}

void RigTuneTest::stepsKeysAndModeButtons()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    RigWindow& w = run.window->rigWindow();
    w.findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(int(rigCatalogue().indexOf(Kenwood)));
    RigTuneWindow tune(w);
    tune.show();
    QVERIFY(QTest::qWaitForWindowActive(&tune));
    auto* freq = child<QLineEdit>(&tune, QStringLiteral("txtFreq"));
    // Letters never get in; "/" does, and makes the box no number.
    QTest::keyClicks(freq, QStringLiteral("1a4.x025"));
    QCOMPARE(freq->text(), QStringLiteral("14.025"));
    QVERIFY(child(&tune, QStringLiteral("cmdTune_0"))->isEnabled());
    QTest::keyClick(freq, '/');
    QCOMPARE(freq->text(), QStringLiteral("14.025/"));
    QVERIFY(!child(&tune, QStringLiteral("cmdTune_9"))->isEnabled());
    QTest::keyClick(freq, Qt::Key_Backspace);
    QVERIFY(child(&tune, QStringLiteral("cmdTune_9"))->isEnabled());
    click(&tune, QStringLiteral("cmdTune_0")); // +10 Hz
    QCOMPARE(freq->text(), QStringLiteral("14.02501"));
    QCOMPARE(QApplication::focusWidget(), child(&tune, QStringLiteral("cmdDone")));
    click(&tune, QStringLiteral("cmdTune_3")); // -1 MHz
    QCOMPARE(freq->text(), QStringLiteral("13.02501"));
    click(&tune, QStringLiteral("cmdTune_8")); // +100 Hz
    QCOMPARE(freq->text(), QStringLiteral("13.02511"));
    // Enter is Go: the caret stays at the end of the box.
    freq->setFocus();
    freq->setCursorPosition(0);
    QTest::keyClick(freq, Qt::Key_Return);
    QCOMPARE(freq->cursorPosition(), freq->text().size());
    QVERIFY(tune.isVisible());
    // Not polling: Go sends nothing; a mode button still tries and says
    // why it could not.
    QVERIFY(!w.link().commander().isBusy());
    click(&tune, QStringLiteral("cmdCW"));
    QTRY_COMPARE(run.dialogs.messageTitles(), QStringList{QStringLiteral("Error Changing Mode")});
    QVERIFY(run.dialogs.asked[0].text.startsWith(QLatin1String("CW ")));
}

void RigTuneTest::scanWrapsAndAKeyStopsIt()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    PtyPair pty;
    RigSimulator sim(pty, Kenwood);
    mapCom1(run, pty.slavePath());
    RigWindow& w = polling(run, Kenwood);
    QTRY_COMPARE(band(run), QStringLiteral("20"));
    RigTuneWindow tune(w);
    tune.show();
    QVERIFY(QTest::qWaitForWindowActive(&tune));
    auto* freq = child<QLineEdit>(&tune, QStringLiteral("txtFreq"));
    QCOMPARE(text(&tune, "txtFrom"), QStringLiteral("1.8"));
    QCOMPARE(text(&tune, "txtTo"), QStringLiteral("54"));
    QVERIFY(child<QAbstractButton>(&tune, QStringLiteral("Option4"))->isChecked());
    typeInto(child(&tune, QStringLiteral("txtFrom")), QStringLiteral("14.2"));
    typeInto(child(&tune, QStringLiteral("txtTo")), QStringLiteral("14.20015"));
    click(&tune, QStringLiteral("Option2")); // 100 Hz
    QStringList shown;
    connect(freq, &QLineEdit::textChanged, &tune, [&](const QString& t) { shown << t; });
    QVERIFY(freq->text().isEmpty());
    click(&tune, QStringLiteral("chkScan")); // an empty box starts at From
    QCOMPARE(freq->text(), QStringLiteral("14.2"));
    QCOMPARE(QApplication::focusWidget(), child(&tune, QStringLiteral("Command1")));
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 4, 8000);
    QCOMPARE(shown.mid(1, 3), (QStringList{QStringLiteral("14.2001"), QStringLiteral("14.2"),
                                          QStringLiteral("14.2001")}));
    QTRY_VERIFY(sim.frequency() == 14200000 || sim.frequency() == 14200100);
    // Ticks inside a command are skipped, never piled up: each value the
    // box showed was sent once, in order.
    QVERIFY(sim.setCommands().size() <= 2 * shown.size());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(!child<QCheckBox>(&tune, QStringLiteral("chkScan"))->isChecked());
    QTRY_VERIFY(!w.link().commander().isBusy());
    const QString stopped = freq->text();
    QTest::qWait(700);
    QCOMPARE(freq->text(), stopped);
    QVERIFY(run.dialogs.asked.isEmpty());
}

void RigTuneTest::frequencyTestWindow()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    PtyPair pty;
    RigSimulator sim(pty, Kenwood);
    mapCom1(run, pty.slavePath());
    RigWindow& w = polling(run, Kenwood);
    QTRY_COMPARE(band(run), QStringLiteral("20"));
    // The rig window's button shows it modally while polling.
    QCOMPARE(modalShownBy([&] { click(&w, QStringLiteral("Command3")); }),
             QStringLiteral("frmFrequencyTest|Test Change Frequency Function"));

    FrequencyTestWindow test(w.link());
    QCOMPARE(text(&test, "Text1"), QStringLiteral("FA00028475000;"));
    QCOMPARE(text(&test, "Text2"), QStringLiteral("28.475"));
    click(&test, QStringLiteral("Command1")); // raw, as text
    QTRY_COMPARE(sim.frequency(), 28475000);
    QTRY_COMPARE(band(run), QStringLiteral("10"));
    typeInto(child(&test, QStringLiteral("Text1")), QStringLiteral(" 46 41 30 30 30 30 37 30 31 30 30 30 30 3B "));
    click(&test, QStringLiteral("Check1"));
    click(&test, QStringLiteral("Command1")); // hex pairs: FA00007010000;
    QTRY_COMPARE(sim.frequency(), 7010000);
    typeInto(child(&test, QStringLiteral("Text1")), QStringLiteral("ZZ 41"));
    click(&test, QStringLiteral("Command1")); // not hex: nothing, silently
    typeInto(child(&test, QStringLiteral("Text2")), QStringLiteral("21.25"));
    click(&test, QStringLiteral("Command2"));
    QTRY_COMPARE(sim.frequency(), 21250000);
    QCOMPARE(sim.currentMode(), QStringLiteral("USB"));
    QTRY_COMPARE(band(run), QStringLiteral("15"));
    QVERIFY(run.dialogs.asked.isEmpty());
}

void RigTuneTest::shortcutsOpenTheWindows()
{
    TempHome home;
    Run run(home);
    START(run);
    run.dialogs.asked.clear(); // start-up's own questions
    auto ctrl = [&](Qt::Key key) { QTest::keyClick(run.edit("txtCall"), key, Qt::ControlModifier); };
    QCOMPARE(modalShownBy([&] { ctrl(Qt::Key_G); }),
             QStringLiteral("frmRigTune|Change Frequency and Mode (Ctrl G (Go))"));
    QCOMPARE(modalShownBy([&] { ctrl(Qt::Key_F); }),
             QStringLiteral("frmBandPlan|Frequency Privileges"));
    QVERIFY(run.window->menu().mnuPrivileges->isEnabled());
    QCOMPARE(run.window->menu().mnuPrivileges->text(), QStringLiteral("&Privileges"));
    QCOMPARE(modalShownBy([&] { run.window->menu().mnuPrivileges->trigger(); }),
             QStringLiteral("frmBandPlan|Frequency Privileges"));
    QVERIFY(run.dialogs.asked.isEmpty());
    QCOMPARE(run.text("txtCall"), QString()); // no letter reached the field
    // A plan of the position's own replaces the shipped one.
    QFile own(run.context->folders.install + QStringLiteral("/BandPlan.txt"));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("\"2030\"\r\n\"40\",\"O\",\"ALL\",x,7.3\r\n");
    own.close();
    modalShownBy([&] { ctrl(Qt::Key_F); });
    QCOMPARE(run.dialogs.messageTitles(), QStringList{QStringLiteral("Band Data Not Available.")});
    QCOMPARE(run.dialogs.asked[0].text, QStringLiteral("Band data not available."));
}

void RigTuneTest::bandPlanChartDrawn()
{
    FakeDialogs dialogs;
    BandPlanWindow plan(QStringLiteral(ZELQ_TEST_DATA_DIR "/BandPlan.txt"), dialogs);
    plan.resize(900, 700);
    plan.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plan));
    QVERIFY(dialogs.asked.isEmpty());
    QCOMPARE(text(&plan, "lblHeading"), QStringLiteral("Extra Frequency Privileges"));
    QVERIFY(text(&plan, "lblEffective").startsWith(QLatin1String("Frequencies Effective: ")));
    BandPlanChart& chart = plan.chart();
    const QImage image = chart.grab().toImage();
    auto find = [&](ChartItem::Kind kind, const QString& tip) -> std::optional<ChartItem> {
        for (const ChartItem& i : chart.items())
            if (i.kind == kind && i.toolTip == tip)
                return i;
        return std::nullopt;
    };
    auto colourAt = [&](const QRectF& r) {
        const qreal ratio = image.devicePixelRatio();
        return QColor(image.pixel(int(r.center().x() * ratio), int(r.top() * ratio + 2)));
    };
    // 40 m for an Extra: CW 7.000-7.125 (blue), phone to 7.300 (green).
    const auto cw = find(ChartItem::Segment, QStringLiteral("CW  7.000 - 7.125"));
    const auto ph = find(ChartItem::Segment, QStringLiteral("PH  7.125 - 7.300"));
    const auto name = find(ChartItem::BandName, QStringLiteral("40  7.000 - 7.300"));
    QVERIFY(cw && ph && name);
    QCOMPARE(cw->caption, QStringLiteral("7.000 - 7.125"));
    QCOMPARE(colourAt(cw->rect), QColor(0, 0, 255));
    QCOMPARE(colourAt(ph->rect), QColor(0, 255, 0));
    QCOMPARE(colourAt(name->rect), QColor(255, 255, 0));
    // The segments lie in proportion on their bar.
    QVERIFY(qAbs(cw->rect.width() / (cw->rect.width() + ph->rect.width()) - 125.0 / 300) < 0.01);
    QCOMPARE(cw->rect.top(), name->rect.top());
    // 23 cm in thousands: "1,240.000".
    QVERIFY(find(ChartItem::Bar, QStringLiteral("23  1,240.000 - 1,300.000")));

    // Novice: only the bands with Novice segments, closed up.
    const int extraBars = int(std::count_if(chart.items().begin(), chart.items().end(),
                                            [](const ChartItem& i) { return i.kind == ChartItem::Bar; }));
    click(&plan, QStringLiteral("Command1"));
    QCOMPARE(text(&plan, "lblHeading"), QStringLiteral("Novice Frequency Privileges"));
    QList<double> tops;
    for (const ChartItem& i : chart.items())
        if (i.kind == ChartItem::Bar)
            tops << i.rect.top();
    QVERIFY(tops.size() > 0 && tops.size() < extraBars);
    QVERIFY(!find(ChartItem::Bar, QStringLiteral("20  14.000 - 14.350")));
    for (int i = 1; i < tops.size(); ++i)
        QVERIFY(qAbs((tops[i] - tops[i - 1]) - (tops[1] - tops[0])) < 0.01);

    // A plan without Novice rows: an empty chart under its heading; a
    // segment with the band's edges fills the bar.
    const BandPlanFile small = parseBandPlan(QStringLiteral(
        "\"now\"\n\"30\",\"O\",\"ALL\",10.1,10.15\n\"30\",\"E\",\"CW\",10.1,10.15\n"));
    QVERIFY(chartLayout(small.records, QStringLiteral("N"), QSizeF(800, 500)).isEmpty());
    const QList<ChartItem> full = chartLayout(small.records, QStringLiteral("E"), QSizeF(800, 500));
    QCOMPARE(full.size(), 3);
    QCOMPARE(full[2].rect, full[0].rect);
    QCOMPARE(privilegeNumber(7), QStringLiteral("7.000"));
    QCOMPARE(privilegeNumber(1296.125), QStringLiteral("1,296.125"));
}

void RigTuneTest::everyControlHasAName()
{
    TempHome home;
    Run run(home);
    START(run);
    RigWindow& w = run.window->rigWindow();
    RigTuneWindow tune(w);
    FrequencyTestWindow test(w.link());
    FakeDialogs dialogs;
    BandPlanWindow plan(QStringLiteral(ZELQ_TEST_DATA_DIR "/BandPlan.txt"), dialogs);
    for (QWidget* window : std::initializer_list<QWidget*>{&tune, &test, &plan}) {
        for (QWidget* c : window->findChildren<QWidget*>()) {
            if (c->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel*>(c))
                continue;
            if (c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        }
    }
}

QTEST_MAIN(RigTuneTest)
#include "tst_rig_tune.moc"
