// The radio replies decoded per family, the poll each family sends, and
// the band and mode a frequency stands for.
#include "rig/BandFromFrequency.h"
#include "rig/HexText.h"
#include "rig/RigCatalogue.h"
#include "rig/RigDecoders.h"
#include "rig/RigPollCommands.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zelq;
using namespace zelq::RigTypes;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// The reading before every case: a radio last seen on 7.1 MHz in phone.
RigReading before()
{
    RigReading r;
    r.frequency = 7.1f;
    r.mode = QStringLiteral("PH");
    r.kenwoodVfo = 10;
    return r;
}

PollStrings defaults(const QString& type)
{
    const RigTypeDefaults d = rigTypeDefaults(type);
    return {d.frequencyPoll, d.modePoll, QString()};
}

} // namespace

class RigDecodersTest : public QObject {
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void pegasusFile();
    void pollsPerFamily_data();
    void pollsPerFamily();
    void invalidHexSendsNothingAndKeepsTheToggle();
    void hexTexts();
    void bandFromFrequency_data();
    void bandFromFrequency();
    void modeFromFrequency();
};

void RigDecodersTest::decodes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("toggle");
    QTest::addColumn<float>("frequency");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("vfo");

    const QString ph = QStringLiteral("PH"), cw = QStringLiteral("CW");
    auto row = [](const char* name, const QString& type, const QByteArray& in, int toggle, float f,
                  const QString& m, int vfo = 10) {
        QTest::newRow(name) << type << in << toggle << f << m << vfo;
    };
    // Kenwood and Elecraft
    row("kenwood joined FA and MD3", Kenwood, "FA00014025000;MD3;", 0, 14.025f, cw);
    row("elecraft MD7 is CW", Elecraft, "FA00007010000;MD7;", 0, 7.01f, cw);
    row("kenwood MD2 is phone", Kenwood, "MD2;", 0, 7.1f, ph);
    row("FA without its semicolon is ignored", Kenwood, "FA00014025000", 0, 7.1f, ph);
    row("FA split before the digits end", Kenwood, "FA0001402", 0, 7.1f, ph);
    row("FA with a letter in the digits", Kenwood, "FA000140X5000;", 0, 7.1f, ph);
    row("MD with nothing after it", Kenwood, "MD", 0, 7.1f, ph);
    row("garbage", Kenwood, "?;", 0, 7.1f, ph);
    // Kenwood 2: one IF answer (38 characters)
    const QByteArray ifCw = "IF00014025000     +00000000003100000 ;"; // mode 3, VFO 1
    QVERIFY(ifCw.size() == 38);
    row("IF in CW on VFO B", Kenwood2, ifCw, 0, 14.025f, cw, 1);
    row("IF cut short gives only the frequency", Kenwood2, ifCw.left(20), 0, 14.025f, ph, 10);
    row("IF one short of whole", Kenwood2, ifCw.left(37), 0, 14.025f, ph, 10);
    row("IF too short for the frequency", Kenwood2, "IF0001402500", 0, 7.1f, ph, 10);
    // CI-V
    row("icom echo then reply", Icom, hex("FE FE 64 E0 03 FD FE FE E0 64 03 00 50 02 14 00 FD"), 1,
        14.025f, ph);
    row("icom 1296.125 MHz", Icom, hex("FE FE E0 64 03 00 50 12 96 12 FD"), 1, 1296.125f, ph);
    row("icom 735 four bytes", Icom735, hex("FE FE E0 64 03 00 50 02 14 FD"), 1, 14.025f, ph);
    row("omni VI address 04", OmniVI, hex("FE FE E0 04 03 00 00 01 07 00 FD"), 1, 7.01f, ph);
    row("icom echo alone changes nothing", Icom, hex("FE FE 64 E0 03 FD"), 1, 7.1f, ph);
    row("icom reply cut before FD is not taken", Icom, hex("FE FE E0 64 03 00 50 02"), 1, 7.1f, ph);
    row("icom mode 03 is CW", Icom, hex("FE FE 64 E0 04 FD FE FE E0 64 04 03 01 FD"), 0, 7.1f, cw);
    row("icom mode 07 (reverse CW) is phone", Icom, hex("FE FE E0 64 04 07 01 FD"), 0, 7.1f, ph);
    row("icom mode frame without data", Icom, hex("FE FE E0 64 04 FD"), 0, 7.1f, ph);
    row("icom other command ignored", Icom, hex("FE FE E0 64 05 00 50 02 14 00 FD"), 1, 7.1f, ph);
    row("icom single FE then reply", Icom, hex("FE 00 FE FE E0 64 03 00 00 01 07 00 FD"), 1, 7.01f, ph);
    // Yaesu read (opcode 03)
    row("yaesu 14.025 CW", Yaesu, hex("01 40 25 00 82"), 0, 14.025f, cw);
    row("yaesu mode 0A drops the reply", Yaesu, hex("01 40 25 00 0A"), 0, 7.1f, ph);
    row("yaesu mode 99 leaves the mode", Yaesu, hex("01 40 25 00 99"), 0, 14.025f, ph);
    row("yaesu four bytes", Yaesu, hex("01 40 25 00"), 0, 7.1f, ph);
    // Status updates (opcode 10)
    row("yaesu 920", Yaesu920, hex("00 00 D6 01 28 00 00 01"), 0, 14.025f, cw);
    row("yaesu 920 mode digit 2 is phone", Yaesu920, hex("00 00 D6 01 28 00 00 02"), 0, 14.025f, ph);
    row("yaesu 920 short keeps the mode", Yaesu920, hex("00 00 D6 01 28"), 0, 14.025f, ph);
    row("yaesu 920 four bytes", Yaesu920, hex("00 00 D6 01"), 0, 7.1f, ph);
    // 14.025 MHz in 10 Hz units is 0x156684 (1402500).
    row("yaesu 890 bytes 3-5", Yaesu890, hex("00 00 15 66 84 00 00 02"), 0, 14.025f, cw);
    row("yaesu 990 bytes 2-4", Yaesu990, hex("00 15 66 84 00 00 00 03"), 0, 14.025f, ph);
    row("yaesu 1000 D bytes 2-4", Yaesu1000D, hex("00 15 66 84 00 00 00 02"), 0, 14.025f, cw);
    row("yaesu 1000 nibbles 4-9", Yaesu1000, hex("00 01 56 68 40 00 00 02"), 0, 14.025f, cw);
    row("yaesu 990 mode digit 9 unchanged", Yaesu990, hex("00 15 66 84 00 00 00 09"), 0, 14.025f, ph);
    row("yaesu 990 without byte 8", Yaesu990, hex("00 0A AE 60 00"), 0, 7.0f, ph);
    // 757 GX II: BCD in bytes 6-9, least significant first; mode byte 10
    row("yaesu 757 CW", Yaesu757, hex("00 00 00 00 00 00 25 40 01 02"), 0, 14.025f, cw);
    row("yaesu 757 FM", Yaesu757, hex("00 00 00 00 00 00 25 40 01 05"), 0, 14.025f,
        QStringLiteral("FM"));
    row("yaesu 757 five bytes change nothing", Yaesu757, hex("00 00 00 00 10"), 0, 7.1f, ph);
    row("yaesu 757 nine bytes: frequency only", Yaesu757, hex("00 00 00 00 00 00 25 40 01"), 0,
        14.025f, ph);
    // FTdx9000
    row("ftdx9000 frequency", FTdx9000, "FA14025000;", 1, 14.025f, ph);
    row("ftdx9000 mode 3", FTdx9000, "MD03;", 0, 7.1f, cw);
    row("ftdx9000 short FA", FTdx9000, "FA1402500", 1, 7.1f, ph);
    // Ten Tec front panel
    row("front panel frequency", FrontPanel, QByteArray("A") + hex("00 D6 01 28") + "\r", 1, 14.025f, ph);
    row("front panel frequency four bytes", FrontPanel, QByteArray("A") + hex("00 D6 01"), 1, 7.1f, ph);
    row("front panel mode 3", FrontPanel, QByteArray("M") + hex("33") + "\r", 0, 7.1f, cw);
    row("front panel mode 9 unchanged", FrontPanel, QByteArray("M") + hex("39") + "\r", 0, 7.1f, ph);
    row("front panel mode too short", FrontPanel, QByteArray("M") + hex("33"), 0, 7.1f, ph);
    // Orion
    row("orion", Orion, "@AF14025000\r@RMM3\r", 0, 14.025f, cw);
    row("orion mode 2 is CW", Orion, "@RMM2\r", 0, 7.1f, cw);
    row("orion frequency without its CR", Orion, "@AF1402", 0, 7.1f, ph);
    row("orion mode cut", Orion, "@RMM", 0, 7.1f, ph);
    // Other decodes nothing
    row("other", Other, "FA00014025000;", 0, 7.1f, ph);
}

void RigDecodersTest::decodes()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, input);
    QFETCH(int, toggle);
    RigReading r = before();
    decodeReply(type, input, defaults(type), toggle, r);
    QTEST(r.frequency, "frequency");
    QTEST(r.mode, "mode");
    QTEST(r.kenwoodVfo, "vfo");
}

void RigDecodersTest::pegasusFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PEGASUS.OUT"));
    RigReading r = before();
    ReadPegasusFile(path, r); // no file
    QCOMPARE(r, before());
    auto write = [&](const QByteArray& text) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    write("14.025,\"USB\"\r\n");
    ReadPegasusFile(path, r);
    QCOMPARE(r.frequency, 14.025f);
    QCOMPARE(r.mode, QStringLiteral("PH"));
    write("21.01\r\n\"CW\"\r\n");
    ReadPegasusFile(path, r);
    QCOMPARE(r.frequency, 21.01f);
    QCOMPARE(r.mode, QStringLiteral("CW"));
    write("abc,\"USB\"\r\n");
    ReadPegasusFile(path, r);
    QCOMPARE(r.frequency, 21.01f);
    QCOMPARE(r.mode, QStringLiteral("CW"));
}

void RigDecodersTest::pollsPerFamily_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("toggle");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("toggleAfter");
    QTest::newRow("kenwood") << Kenwood << 0 << QByteArray("FA;MD;") << 0;
    QTest::newRow("kenwood 2") << Kenwood2 << 0 << QByteArray("IF;") << 0;
    QTest::newRow("icom frequency") << Icom << 0 << hex("FE FE 64 E0 03 FD") << 1;
    QTest::newRow("icom mode") << Icom << 1 << hex("FE FE 64 E0 04 FD") << 0;
    QTest::newRow("omni VI") << OmniVI << 0 << hex("FE FE 04 E0 03 FD") << 1;
    QTest::newRow("yaesu") << Yaesu << 0 << hex("00 00 00 00 03") << 0;
    QTest::newRow("yaesu 990") << Yaesu990 << 1 << hex("00 00 00 02 10") << 1;
    QTest::newRow("ftdx9000 frequency") << FTdx9000 << 0 << QByteArray("FA;") << 1;
    QTest::newRow("ftdx9000 mode") << FTdx9000 << 1 << QByteArray("MD0;") << 0;
    QTest::newRow("front panel ?A") << FrontPanel << 0 << QByteArray("?A\r") << 1;
    QTest::newRow("front panel ?M") << FrontPanel << 1 << QByteArray("?M\r") << 0;
    QTest::newRow("orion") << Orion << 0 << QByteArray("?AF\r?RMM\r") << 0;
    QTest::newRow("pegasus") << Pegasus << 0 << QByteArray() << 0;
    QTest::newRow("none") << None << 0 << QByteArray() << 0;
}

void RigDecodersTest::pollsPerFamily()
{
    QFETCH(QString, type);
    QFETCH(int, toggle);
    const RigTypeDefaults d = rigTypeDefaults(type);
    const std::optional<QByteArray> sent = pollBytes({type, d.frequencyPoll, d.modePoll, d.convertToHex}, toggle);
    QVERIFY(sent);
    QTEST(*sent, "sent");
    QTEST(toggle, "toggleAfter");

    // "Other" sends its strings as text, or as bytes when they are hex.
    int t = 0;
    QCOMPARE(*pollBytes({Other, QStringLiteral("FA;"), QStringLiteral("MD;"), false}, t), QByteArray("FA;MD;"));
    QCOMPARE(*pollBytes({Other, QStringLiteral("FE FE"), QStringLiteral("0D"), true}, t), hex("FE FE 0D"));
    QCOMPARE(*pollBytes({Other, QString(), QStringLiteral("MD;"), false}, t), QByteArray("MD;"));
}

void RigDecodersTest::invalidHexSendsNothingAndKeepsTheToggle()
{
    int toggle = 0;
    QVERIFY(!pollBytes({Icom, QStringLiteral("FE FE 64 E0 0G FD"), QStringLiteral("FE FE 64 E0 04 FD"), true}, toggle));
    QCOMPARE(toggle, 0);
    QVERIFY(!pollBytes({Other, QStringLiteral("ZZ"), QString(), true}, toggle));
    // Too short a CI-V string sends nothing but still alternates.
    QCOMPARE(*pollBytes({Icom, QStringLiteral("FE FE"), QString(), true}, toggle), QByteArray());
    QCOMPARE(toggle, 1);
}

void RigDecodersTest::hexTexts()
{
    QCOMPARE(*HexTextToBytes(QStringLiteral("FE FE 64 E0 03 FD")), hex("FEFE64E003FD"));
    QCOMPARE(*HexTextToBytes(QStringLiteral("fe 0d")), hex("FE0D"));
    QCOMPARE(*HexTextToBytes(QStringLiteral("00 00 00 02 10 99"), 5), hex("0000000210"));
    QCOMPARE(*HexTextToBytes(QString()), QByteArray());
    QVERIFY(!HexTextToBytes(QStringLiteral("FE -1")));
    QCOMPARE(hexDisplay(hex("FEFEE0")), QStringLiteral("FE FE E0 "));
    QCOMPARE(hexDigits(hex("0140")), QStringLiteral("0140"));
}

void RigDecodersTest::bandFromFrequency_data()
{
    QTest::addColumn<float>("mhz");
    QTest::addColumn<QString>("band");
    QTest::newRow("1.8") << 1.8f << QStringLiteral("160");
    QTest::newRow("2.0") << 2.0f << QStringLiteral("160");
    QTest::newRow("1.7999 edge") << 1.7999f << QString();
    QTest::newRow("3.5") << 3.5f << QStringLiteral("80");
    QTest::newRow("7.01") << 7.01f << QStringLiteral("40");
    QTest::newRow("14.35") << 14.35f << QStringLiteral("20");
    QTest::newRow("21.45") << 21.45f << QStringLiteral("15");
    QTest::newRow("29.7") << 29.7f << QStringLiteral("10");
    QTest::newRow("10.1 WARC") << 10.1f << QString();
    QTest::newRow("50.1") << 50.1f << QString();
    QTest::newRow("0") << 0.0f << QString();
}

void RigDecodersTest::bandFromFrequency()
{
    QFETCH(float, mhz);
    QTEST(bandForFrequency(mhz), "band");
}

void RigDecodersTest::modeFromFrequency()
{
    const QString keep = QStringLiteral("AM");
    QCOMPARE(ModeFromFrequency(14.025f, keep), QStringLiteral("CW"));
    QCOMPARE(ModeFromFrequency(14.2f, keep), QStringLiteral("PH"));
    QCOMPARE(ModeFromFrequency(14.15f, keep), keep); // an edge itself
    QCOMPARE(ModeFromFrequency(1.83f, keep), keep);  // no 160 m segment
    QCOMPARE(ModeFromFrequency(7.125f, keep), keep);
    QCOMPARE(ModeFromFrequency(144.05f, keep), QStringLiteral("CW"));
}

QTEST_GUILESS_MAIN(RigDecodersTest)
#include "tst_rig_decoders.moc"
