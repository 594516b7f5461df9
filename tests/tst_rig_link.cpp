// The poll link without a window: what Test opens and sends, the two-tick
// poll, link health (No Response, a failed port said once and reopened),
// the stop bytes at program end, and the settings file.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "FakeSerialLine.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "rig/RigLink.h"
#include "rig/RigSettings.h"
#include "rig/RigView.h"
#include "rig/RigctldClient.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;
using namespace zelq::RigTypes;

namespace {

struct RecordingView final : RigView {
    QString freq, mode, unprocessed, problem;
    QStringList problems;
    bool polling = false, endTest = false, shown = true, fromHex = false;
    int correctionShown = 0;
    void showFrequency(const QString& t) override { freq = t; }
    void showMode(const QString& t) override { mode = t; }
    void showUnprocessed(const QString& t) override { unprocessed = t; }
    void showPolling(bool on) override { polling = on; }
    void enableEndTest(bool on) override { endTest = on; }
    void showLinkProblem(const QString& t) override
    {
        problem = t;
        problems << t;
    }
    bool isShown() const override { return shown; }
    bool convertFromHex() const override { return fromHex; }
    void showForCorrection() override { ++correctionShown; }
};

struct Rig {
    FakeSerialLine line;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    RecordingView view;
    RigLink link{line, dialogs, beeper};
    QList<float> bands;

    explicit Rig(const QString& type)
    {
        link.setView(&view);
        link.bandFreqConversion = [this](float f) { bands << f; };
        const RigTypeDefaults d = rigTypeDefaults(type);
        link.settings.rigType = type;
        link.settings.frequencyPoll = d.frequencyPoll;
        link.settings.modePoll = d.modePoll;
        link.settings.convertToHex = d.convertToHex;
        if (d.baud)
            link.settings.baud = *d.baud;
    }
    // One read tick with `reply` received.
    void cycle(const QByteArray& reply)
    {
        if (link.pollPhase)
            link.pollTick(); // the running timer left a read to do
        link.pollTick(); // send
        if (!reply.isEmpty())
            line.receive(reply);
        link.pollTick(); // read
    }
};

} // namespace

class RigLinkTest : public QObject {
    Q_OBJECT
private slots:
    void testWithNoneOpensNothing();
    void testWithPegasusPollsWithoutAPort();
    void openRigPortOrder_data();
    void openRigPortOrder();
    void pollIntervals();
    void refusedPortSaysSoAndDoesNotPoll();
    void readTickDecodesShowsAndMovesTheBand();
    void useFrequencyOffLeavesTheBand();
    void modeFromFrequencyAndNotUsed();
    void bytesWaitingHoldsTheSend();
    void noResponseAfterTwoSilentCyclesAndBackOnReply();
    void failedPortSaidOnceAndReopened();
    void stopBytesAtProgramEnd();
    void rigctldVfoModeErrorsAndLateReplies();
    void rigctldCommandsGoFirstAndRefusalsShow();
    void settingsFileRoundTrip();
    void shortSettingsFileKeepsTheRest();
};

void RigLinkTest::testWithNoneOpensNothing()
{
    Rig r(None);
    r.link.settings.baud = QStringLiteral("4800");
    r.link.settings.stopBits = QStringLiteral("2");
    r.link.Test();
    QVERIFY(r.line.opens.isEmpty());
    QVERIFY(!r.link.isPolling());
    QCOMPARE(r.link.settings.portSettings, QStringLiteral("4800,N,8,2"));
    QVERIFY(!r.view.polling);
}

void RigLinkTest::testWithPegasusPollsWithoutAPort()
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("PEGASUS.OUT")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("7.01,\"CW\"\r\n");
    f.close();
    Rig r(Pegasus);
    r.link.settings.pegasusFolder = dir.path();
    r.link.Test();
    QVERIFY(r.line.opens.isEmpty());
    QVERIFY(r.link.isPolling());
    QVERIFY(r.view.polling && r.view.endTest);
    r.link.pollTick(); // Test ran the send tick; this reads the file
    QCOMPARE(r.view.freq, QStringLiteral("7.01000"));
    QCOMPARE(r.view.mode, QStringLiteral("CW"));
    QCOMPARE(r.bands, QList<float>{7.01f});
}

void RigLinkTest::openRigPortOrder_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("power");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QByteArray>("firstBytes");
    QTest::addColumn<bool>("rts");
    QTest::addColumn<bool>("dtr");
    QTest::newRow("kenwood, DTR power") << Kenwood << "D" << int(Handshake::None) << QByteArray("FA;MD;") << false << true;
    QTest::newRow("yaesu 990 start bytes") << Yaesu990 << "N" << int(Handshake::None)
                                           << QByteArray::fromHex("00000000000000000210") << false << false;
    QTest::newRow("ftdx9000 no start bytes") << FTdx9000 << "R" << int(Handshake::None) << QByteArray("FA;") << true << false;
    QTest::newRow("orion X and handshake") << Orion << "N" << int(Handshake::RtsCts) << QByteArray("X\r?AF\r?RMM\r") << false << false;
    QTest::newRow("front panel handshake") << FrontPanel << "N" << int(Handshake::RtsCts) << QByteArray("?A\r") << false << false;
}

void RigLinkTest::openRigPortOrder()
{
    QFETCH(QString, type);
    QFETCH(QString, power);
    Rig r(type);
    r.link.settings.power = power;
    r.link.settings.port = 3;
    r.link.Test();
    QCOMPARE(r.line.opens.size(), 1);
    QCOMPARE(r.line.opens[0].port, 3);
    QFETCH(int, handshake);
    QCOMPARE(int(r.line.opens[0].handshake), handshake);
    QCOMPARE(r.line.opens[0].settingsText, r.link.settings.builtPortSettings());
    QTEST(r.line.written, "firstBytes");
    QTEST(r.line.rts, "rts");
    QTEST(r.line.dtr, "dtr");
    QVERIFY(r.link.isPolling());
}

void RigLinkTest::pollIntervals()
{
    Rig r(Kenwood);
    for (auto [rate, ms] : {std::pair{"F", 50}, {"M", 250}, {"S", 1000}, {"R", 5000}}) {
        r.link.settings.pollRate = QString::fromLatin1(rate);
        r.link.Test();
        QCOMPARE(r.link.interval(), ms);
    }
    r.link.settings.pollRate = QStringLiteral("X");
    r.link.Test();
    QCOMPARE(r.link.interval(), 5000); // unknown: as it was
}

void RigLinkTest::refusedPortSaysSoAndDoesNotPoll()
{
    Rig r(Kenwood);
    r.line.refuseOpenWith = QStringLiteral("/dev/ttyS0: No such file or directory");
    r.view.shown = false;
    r.link.Test();
    QVERIFY(!r.link.isPolling());
    QCOMPARE(r.dialogs.messageTitles(), QStringList{RigLink::InvalidCommTitle});
    QCOMPARE(r.dialogs.asked[0].text, RigLink::InvalidCommText);
    QCOMPARE(r.beeper.count, 1);
    QCOMPARE(r.view.correctionShown, 1);
    QVERIFY(!r.view.polling && !r.view.endTest);
    QCOMPARE(r.view.problem, r.line.refuseOpenWith);
}

void RigLinkTest::readTickDecodesShowsAndMovesTheBand()
{
    Rig r(Icom);
    r.link.Test(); // sends the frequency query
    QCOMPARE(r.view.freq, RigLink::NoResponse);
    r.line.receive(QByteArray::fromHex("FEFE64E003FDFEFEE064030050021400FD"));
    r.view.fromHex = true;
    r.link.pollTick();
    QCOMPARE(r.view.freq, QStringLiteral("14.02500"));
    QCOMPARE(r.view.unprocessed, QStringLiteral("FE FE 64 E0 03 FD FE FE E0 64 03 00 50 02 14 00 FD "));
    QCOMPARE(r.bands, QList<float>{14.025f});
    // The mode query goes next, and its reply is decoded as a mode.
    r.cycle(QByteArray::fromHex("FEFEE064040301FD"));
    QCOMPARE(r.line.written.right(6), QByteArray::fromHex("FEFE64E004FD"));
    QCOMPARE(r.view.mode, QStringLiteral("CW"));
    QCOMPARE(r.link.reading.frequency, 14.025f);
    // A tick with data the decoder does not know still calls the band.
    r.cycle("garbage");
    QCOMPARE(r.bands.size(), 3);
}

void RigLinkTest::useFrequencyOffLeavesTheBand()
{
    Rig r(Kenwood);
    r.link.settings.useFrequency = 0;
    r.link.Test();
    r.line.receive("FA00007010000;MD3;");
    r.link.pollTick();
    QCOMPARE(r.view.freq, QStringLiteral("7.01000"));
    QVERIFY(r.bands.isEmpty());
}

void RigLinkTest::modeFromFrequencyAndNotUsed()
{
    Rig r(Kenwood);
    QStringList modes;
    r.link.modeSelection = [&](const QString& m) { modes << m; };
    r.link.settings.modeSource = RigSettings::ModeFromFrequency;
    r.link.Test();
    r.line.receive("FA00014200000;MD3;"); // the radio says CW, the band segment says phone
    r.link.pollTick();
    QCOMPARE(r.view.mode, QStringLiteral("PH"));
    r.cycle("FA00014150000;MD3;"); // on the edge: the decoded mode stays
    QCOMPARE(r.view.mode, QStringLiteral("CW"));
    r.link.settings.modeSource = RigSettings::ModeNotUsed;
    r.cycle("FA00014150000;MD3;");
    QCOMPARE(modes.size(), 2);
}

void RigLinkTest::bytesWaitingHoldsTheSend()
{
    Rig r(Kenwood);
    r.link.Test();
    const QByteArray first = r.line.written;
    r.link.pollTick(); // read
    r.line.waiting = 4;
    r.link.pollTick(); // send: held
    QCOMPARE(r.line.written, first);
    QVERIFY(r.link.pollPhase);
    r.line.waiting = 0;
    r.link.pollTick();
    r.link.pollTick();
    QCOMPARE(r.line.written, first + first);
}

void RigLinkTest::noResponseAfterTwoSilentCyclesAndBackOnReply()
{
    Rig r(Kenwood);
    r.link.Test();
    r.line.receive("FA00014025000;MD3;");
    r.link.pollTick();
    QCOMPARE(r.view.freq, QStringLiteral("14.02500"));
    r.cycle({});
    QCOMPARE(r.view.freq, QStringLiteral("14.02500")); // one quiet cycle is allowed
    r.cycle({});
    QCOMPARE(r.view.freq, RigLink::NoResponse);
    QCOMPARE(r.view.mode, RigLink::NoResponse);
    QCOMPARE(r.bands.size(), 1); // the band stays as it was
    r.cycle("FA00007010000;MD2;");
    QCOMPARE(r.view.freq, QStringLiteral("7.01000"));
    QCOMPARE(r.view.mode, QStringLiteral("PH"));
}

void RigLinkTest::failedPortSaidOnceAndReopened()
{
    Rig r(Kenwood);
    r.link.Test();
    QCOMPARE(r.line.opens.size(), 1);
    r.line.refuseOpenWith = QStringLiteral("gone");
    r.line.fail(QStringLiteral("/dev/ttyUSB0: Input/output error"));
    QCOMPARE(r.view.problem, QStringLiteral("/dev/ttyUSB0: Input/output error. Trying again every 2 seconds."));
    // Ticks go on without a port and without a box per tick.
    for (int i = 0; i < 6; ++i)
        r.link.pollTick();
    QVERIFY(r.dialogs.asked.isEmpty());
    QCOMPARE(r.view.freq, RigLink::NoResponse);
    QTRY_VERIFY_WITH_TIMEOUT(r.line.opens.size() >= 2, 3000); // a retry, still refused
    QCOMPARE(r.view.problems.size(), 1);
    QVERIFY(r.dialogs.asked.isEmpty());
    r.line.refuseOpenWith.clear();
    QTRY_VERIFY_WITH_TIMEOUT(r.line.isOpen(), 3000);
    QCOMPARE(r.view.problem, QString());
    r.cycle("FA00007010000;MD3;");
    QCOMPARE(r.view.freq, QStringLiteral("7.01000"));
    // End Test stops the retries.
    r.line.fail(QStringLiteral("again"));
    r.link.EndTest();
    const qsizetype opens = r.line.opens.size();
    QTest::qWait(2300);
    QCOMPARE(r.line.opens.size(), opens);
}

void RigLinkTest::stopBytesAtProgramEnd()
{
    {
        Rig r(Yaesu990);
        r.link.Test();
        r.line.written.clear();
        r.link.unload();
        QCOMPARE(r.line.written, QByteArray::fromHex("0000000080"));
        QVERIFY(!r.line.isOpen());
    }
    {
        Rig r(FTdx9000);
        r.link.Test();
        r.line.written.clear();
        r.link.unload();
        QCOMPARE(r.line.written, QByteArray());
    }
    {
        Rig r(Yaesu990); // not polling: nothing
        r.link.Test();
        r.link.EndTest();
        r.line.written.clear();
        r.link.unload();
        QCOMPARE(r.line.written, QByteArray());
    }
}

void RigLinkTest::settingsFileRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(RigSettings::fileName());
    RigSettings s;
    s.baud = QStringLiteral("4800");
    s.stopBits = QStringLiteral("2");
    s.frequencyPoll = QStringLiteral("FA;");
    s.modePoll = QStringLiteral("MD;");
    s.portSettings = s.builtPortSettings();
    s.port = 3;
    s.rigType = Kenwood;
    s.modeSource = 2;
    s.hamlibHost = QStringLiteral("radio.local");
    s.hamlibPort = 4533;
    QVERIFY(saveRigSettings(path, s));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(text.startsWith("\"4800 \"\r\n\"N\"\r\n\"8\"\r\n\"2\"\r\n\"MD;\"\r\n\"FA;\"\r\n\"4800,N,8,2\"\r\n3\r\n"
                            "\"N\"\r\n\"M\"\r\n\"Kenwood\"\r\n0\r\n1\r\n2\r\n\"radio.local\"\r\n4533\r\n\"\"\r\n"));
    RigSettings back;
    QCOMPARE(readRigSettings(path, back), 17);
    QCOMPARE(back.baud, QStringLiteral("4800"));
    QCOMPARE(back.rigType, Kenwood);
    QCOMPARE(back.modeSource, 2);
    QCOMPARE(back.hamlibPort, 4533);
}

void RigLinkTest::shortSettingsFileKeepsTheRest()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(RigSettings::fileName());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // The fourteen items of an older file, then nothing of ours; a port
    // that is no number stops the reading.
    f.write("\"9600 \"\r\n\"E\"\r\n\"7\"\r\n\"2\"\r\n\"\"\r\n\"\"\r\n\"9600,E,7,2\"\r\nX\r\n\"R\"\r\n");
    f.close();
    RigSettings s;
    s.power = QStringLiteral("D");
    QCOMPARE(readRigSettings(path, s), 7);
    QCOMPARE(s.baud, QStringLiteral("9600"));
    QCOMPARE(s.dataBits, QStringLiteral("7"));
    QCOMPARE(s.port, 1);
    QCOMPARE(s.power, QStringLiteral("D"));
    QCOMPARE(s.hamlibHost, QStringLiteral("127.0.0.1"));
    RigSettings none;
    QCOMPARE(readRigSettings(dir.filePath(QStringLiteral("missing.txt")), none), 0);
    QCOMPARE(none.baud, QStringLiteral("56000"));
}

namespace {

// A daemon of our own: answers by a table, and can hold its answers back.
struct ScriptedDaemon : QObject {
    QTcpServer server;
    QList<QTcpSocket*> clients;
    QByteArray heard;
    QMap<QByteArray, QByteArray> answers;
    bool holding = false;
    QList<QByteArray> held;

    ScriptedDaemon()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = server.nextPendingConnection();
            clients << s;
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                while (s->canReadLine()) {
                    const QByteArray line = s->readLine().trimmed();
                    heard += line + '|';
                    const QByteArray a = answers.value(line, "RPRT -1\n");
                    if (holding && !line.startsWith('\\'))
                        held << a;
                    else
                        s->write(a);
                }
            });
        });
    }
};

} // namespace

void RigLinkTest::rigctldVfoModeErrorsAndLateReplies()
{
    ScriptedDaemon d;
    d.answers["\\chk_vfo"] = "1\n";
    d.answers["f currVFO"] = "14025000\n";
    d.answers["m currVFO"] = "CWR\n500\n";
    RigctldClient c;
    c.connectTo(QStringLiteral("127.0.0.1"), d.server.serverPort());
    QTRY_VERIFY(c.isConnected());
    c.requestReading();
    QTRY_VERIFY(d.heard.endsWith("m currVFO|"));
    std::optional<RigctldClient::Reading> r;
    QTRY_VERIFY(r || (r = c.takeReading()));
    QCOMPARE(r->frequency, 14.025f);
    QCOMPARE(r->mode, QStringLiteral("CW"));

    // An error to the frequency request: no reading, and the next works.
    d.answers["f currVFO"] = "RPRT -11\n";
    c.requestReading();
    QTRY_VERIFY(d.heard.endsWith("f currVFO|"));
    QTest::qWait(100);
    QVERIFY(!c.takeReading());
    d.answers["f currVFO"] = "7010000\n";
    r.reset();
    c.requestReading();
    QTRY_VERIFY(r || (r = c.takeReading()));
    QCOMPARE(r->frequency, 7.01f);

    // Held past a second: the connection is made afresh, and the late
    // answer, sent on the old one, is never read as a new reading.
    d.holding = true;
    c.requestReading();
    QTRY_COMPARE_WITH_TIMEOUT(d.clients.size(), 2, 3000);
    d.holding = false;
    d.clients.first()->write(d.held.join());
    QTRY_VERIFY(c.isConnected());
    QTest::qWait(100);
    QVERIFY(!c.takeReading());
    r.reset();
    c.requestReading();
    QTRY_VERIFY(r || (r = c.takeReading()));
    QCOMPARE(r->frequency, 7.01f);
}

void RigLinkTest::rigctldCommandsGoFirstAndRefusalsShow()
{
    ScriptedDaemon d;
    d.answers["\\chk_vfo"] = "1\n";
    d.answers["f currVFO"] = "14025000\n";
    d.answers["m currVFO"] = "USB\n2400\n";
    d.answers["M currVFO LSB -1"] = "RPRT 0\n";
    d.answers["F currVFO 7200000"] = "RPRT -9\n";
    d.answers["F currVFO 7150000"] = "RPRT 0\n";
    Rig r(Hamlib);
    r.link.settings.hamlibPort = d.server.serverPort();
    r.link.settings.pollRate = QStringLiteral("F");
    r.link.commander().bandPlan = {{QStringLiteral("40"), QStringLiteral("E"), QStringLiteral("PH"), 7.125, 7.3}};
    r.link.Test();
    QTRY_VERIFY(r.link.daemon().isConnected());
    QTRY_COMPARE(r.view.freq, QStringLiteral("14.02500"));
    d.heard.clear();
    r.link.ChangeFrequency(7.2f);
    QTRY_VERIFY(!r.link.commander().isBusy());
    // The band plan's sideband, then the frequency, before any reading.
    QVERIFY2(d.heard.contains("M currVFO LSB -1|F currVFO 7200000|"), d.heard.constData());
    QTRY_COMPARE(r.view.problem, QStringLiteral("rigctld refused \"F 7200000\": RPRT -9"));
    QVERIFY(r.link.isPolling());
    QVERIFY(r.dialogs.asked.isEmpty());
    r.link.ChangeFrequency(7.15f);
    QTRY_COMPARE(r.view.problem, QString());
}

QTEST_GUILESS_MAIN(RigLinkTest)
#include "tst_rig_link.moc"
