// The serial line on Qt's serial port, against a pty the test makes, with
// the ioctl shim preloaded for the modem lines and the output queue.
#include "DeviceSimulator.h"
#include "IoctlShim.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "devices/QtSerialLine.h"
#include "devices/TtyControl.h"

#include <QtTest>
#include <sys/ioctl.h>
#include <termios.h>
#include <ctime>

using namespace zelq;
using namespace zelq::test;

namespace {

SerialOpenRequest onDevice(const QString& path, const QString& settings = QStringLiteral("9600,N,8,1"))
{
    SerialOpenRequest r;
    r.device = path;
    r.settingsText = settings;
    r.owner = QStringLiteral("rig interface");
    return r;
}

QByteArray allBytes()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(char(i));
    return b;
}

double cpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}


} // namespace

class TestSerialLine : public QObject {
    Q_OBJECT

    TempHome home;
    DeviceRegistry registry;

private slots:
    void initTestCase()
    {
        QVERIFY2(IoctlShim::loaded(), "the ioctl shim is not preloaded");
    }

    void everyOfferedBaudRateOpens_data()
    {
        QTest::addColumn<int>("baud");
        for (int baud : OfferedBaudRates)
            QTest::newRow(qPrintable(QString::number(baud))) << baud;
    }

    void everyOfferedBaudRateOpens()
    {
        QFETCH(int, baud);
        PtyPair pty;
        QtSerialLine line(registry, home.installDir());
        QVERIFY2(line.open(onDevice(pty.slavePath(), QStringLiteral("%1,N,8,1").arg(baud))),
                 qPrintable(line.openFailure()));
        QCOMPARE(actualBaudRate(pty.master()), std::optional<int>(baud));
    }

    void refusedCustomRateFailsTheOpen()
    {
        PtyPair pty;
        IoctlShim::substituteBaud(56000, 0);
        QtSerialLine line(registry, home.installDir());
        const bool opened = line.open(onDevice(pty.slavePath(), QStringLiteral("56000,N,8,1")));
        IoctlShim::substituteBaud(0, 0);
        QVERIFY(!opened);
        QVERIFY(!line.isOpen());
        QVERIFY2(line.openFailure().contains(pty.slavePath()), qPrintable(line.openFailure()));
        QVERIFY2(!line.openFailure().contains(QStringLiteral("No error")), qPrintable(line.openFailure()));
        QVERIFY2(line.openFailure().contains(QStringLiteral("56000")), qPrintable(line.openFailure()));
        QCOMPARE(registry.holder(pty.slavePath()), QString());
        // Other rates still open on the same device.
        QVERIFY(line.open(onDevice(pty.slavePath(), QStringLiteral("57600,N,8,1"))));
    }

    void quietlyChangedRateFailsUnlessItIsClose_data()
    {
        QTest::addColumn<unsigned>("given");
        QTest::addColumn<bool>("opens");
        QTest::newRow("38400 instead") << 38400u << false;
        QTest::newRow("57600 instead (a UART divisor)") << 57600u << true;
    }

    void quietlyChangedRateFailsUnlessItIsClose()
    {
        QFETCH(unsigned, given);
        QFETCH(bool, opens);
        PtyPair pty;
        IoctlShim::substituteBaud(56000, given);
        QtSerialLine line(registry, home.installDir());
        const bool opened = line.open(onDevice(pty.slavePath(), QStringLiteral("56000,N,8,1")));
        IoctlShim::substituteBaud(0, 0);
        QCOMPARE(opened, opens);
        if (!opens) {
            QVERIFY2(line.openFailure().contains(QStringLiteral("refused 56000 baud")), qPrintable(line.openFailure()));
            QCOMPARE(registry.holder(pty.slavePath()), QString());
        }
    }

    void dataParametersAreApplied_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("handshake");
        QTest::addColumn<speed_t>("speed");
        QTest::addColumn<tcflag_t>("size");
        QTest::addColumn<bool>("parity");
        QTest::addColumn<bool>("odd");
        QTest::addColumn<bool>("twoStop");
        QTest::newRow("4800,N,8,2") << "4800,N,8,2" << int(Handshake::None) << speed_t(B4800) << tcflag_t(CS8) << false << false << true;
        QTest::newRow("1200,E,7,1") << "1200,E,7,1" << int(Handshake::None) << speed_t(B1200) << tcflag_t(CS7) << true << false << false;
        QTest::newRow("19200,O,8,1 rts/cts") << "19200,O,8,1" << int(Handshake::RtsCts) << speed_t(B19200) << tcflag_t(CS8) << true << true << false;
        QTest::newRow("9600,N,8,1 xon/xoff") << "9600,N,8,1" << int(Handshake::XonXoff) << speed_t(B9600) << tcflag_t(CS8) << false << false << false;
        QTest::newRow("9600,N,8,1 both") << "9600,N,8,1" << int(Handshake::RtsCtsXonXoff) << speed_t(B9600) << tcflag_t(CS8) << false << false << false;
    }

    void dataParametersAreApplied()
    {
        QFETCH(QString, settings);
        QFETCH(int, handshake);
        QFETCH(speed_t, speed);
        QFETCH(tcflag_t, size);
        QFETCH(bool, parity);
        QFETCH(bool, odd);
        QFETCH(bool, twoStop);
        PtyPair pty;
        QtSerialLine line(registry, home.installDir());
        SerialOpenRequest r = onDevice(pty.slavePath(), settings);
        r.handshake = Handshake(handshake);
        QVERIFY2(line.open(r), qPrintable(line.openFailure()));

        // What the tty holds now...
        struct termios t {};
        QCOMPARE(::tcgetattr(pty.master(), &t), 0);
        QCOMPARE(cfgetospeed(&t), speed);
        QCOMPARE(bool(t.c_cflag & CSTOPB), twoStop);
        const bool hardware = r.handshake == Handshake::RtsCts || r.handshake == Handshake::RtsCtsXonXoff;
        const bool software = r.handshake == Handshake::XonXoff || r.handshake == Handshake::RtsCtsXonXoff;
        QCOMPARE(bool(t.c_cflag & CRTSCTS), hardware);
        QCOMPARE(bool(t.c_iflag & IXON), software);
        QCOMPARE(bool(t.c_iflag & IXOFF), software);
        // ...and the character frame as asked: a pty forces 8 bits and
        // no parity on itself.
        const std::optional<IoctlShim::Flags> asked = IoctlShim::requested(IoctlShim::deviceOf(pty.slavePath()));
        QVERIFY(asked);
        QCOMPARE(asked->cflag & CSIZE, size);
        QCOMPARE(bool(asked->cflag & PARENB), parity);
        if (parity)
            QCOMPARE(bool(asked->cflag & PARODD), odd);
        QCOMPARE(bool(asked->cflag & CSTOPB), twoStop);
    }

    void portNumberGoesThroughTheMap()
    {
        TempHome local;
        PtyPair pty;
        PortMap map;
        map.setDevice(3, pty.slavePath());
        QDir().mkpath(local.installDir());
        QVERIFY(map.save(local.installDir()));

        QtSerialLine line(registry, local.installDir());
        SerialOpenRequest r;
        r.port = 3;
        r.settings = parseSerialSettings(QStringLiteral("4800,N,8,2"));
        QVERIFY2(line.open(r), qPrintable(line.openFailure()));
        QCOMPARE(line.devicePath(), pty.slavePath());

        r.port = 11;
        QVERIFY(!line.open(r));
        QVERIFY(line.openFailure().contains(QStringLiteral("1 to 10")));
    }

    void settingsTextThatDoesNotReadFailsTheOpen()
    {
        PtyPair pty;
        QtSerialLine line(registry, home.installDir());
        QVERIFY(!line.open(onDevice(pty.slavePath(), QStringLiteral("4800,X,8,2"))));
        QVERIFY2(line.openFailure().contains(QStringLiteral("\"4800,X,8,2\"")), qPrintable(line.openFailure()));
        QCOMPARE(registry.holder(pty.slavePath()), QString());
    }

    void missingDeviceSaysWhy()
    {
        QtSerialLine line(registry, home.installDir());
        QVERIFY(!line.open(onDevice(QStringLiteral("/dev/ttyZELQ-none"))));
        QVERIFY2(line.openFailure().startsWith(QStringLiteral("/dev/ttyZELQ-none: ")), qPrintable(line.openFailure()));
        QCOMPARE(registry.holder(QStringLiteral("/dev/ttyZELQ-none")), QString());
    }

    void everyByteValueRoundTrips()
    {
        PtyPair pty;
        DeviceSimulator sim(pty);
        QtSerialLine line(registry, home.installDir());
        QVERIFY(line.open(onDevice(pty.slavePath())));

        QString text;
        for (int i = 0; i < 256; ++i)
            text.append(QChar(i));
        QVERIFY(line.writeText(text));
        QVERIFY(sim.waitForReceived(256));
        QCOMPARE(sim.received(), allBytes());

        sim.send(allBytes());
        QString back;
        QTRY_VERIFY_WITH_TIMEOUT((back += line.readAllText()).size() >= 256, 2000);
        QCOMPARE(back, text);

        QVERIFY(line.writeText(QStringLiteral("\u20ac"))); // beyond one byte
        QVERIFY(sim.waitForReceived(257));
        QCOMPARE(sim.received().right(1), QByteArray("?"));
    }

    void splitAndJoinedReplies()
    {
        PtyPair pty;
        DeviceSimulator sim(pty);
        sim.answerSplit("FA;", {"FA0001", "40250", "00;"}, 30);
        sim.answer("MD;", "MD3;");
        QtSerialLine line(registry, home.installDir());
        QVERIFY(line.open(onDevice(pty.slavePath(), QStringLiteral("4800,N,8,2"))));
        QList<QByteArray> reads;
        connect(&line, &SerialLine::readyRead, this, [&] { reads << line.readAll(); });

        line.write("FA;");
        QTRY_COMPARE_WITH_TIMEOUT(reads.join(), QByteArray("FA00014025000;"), 2000);
        QVERIFY2(reads.size() >= 2, "the reply came in one read");

        reads.clear();
        sim.setJoinReplies(true);
        line.write("FA;MD;");
        QTRY_COMPARE_WITH_TIMEOUT(reads.join(), QByteArray("FA00014025000;MD3;"), 2000);
        QCOMPARE(reads.size(), 1);
    }

    void bytesWaitingFallsToZeroOnlyWhenAllIsRead()
    {
        PtyPair pty;
        DeviceSimulator sim(pty);
        sim.setReading(false);
        QtSerialLine line(registry, home.installDir());
        QVERIFY(line.open(onDevice(pty.slavePath())));

        constexpr qsizetype total = 100000; // more than the pty holds
        QVERIFY(line.write(QByteArray(total, 'x')));
        QTest::qWait(20);
        QCOMPARE(line.bytesWaiting(), total);

        qsizetype taken = 0;
        while (taken < total) {
            const qsizetype n = sim.readNow(7000);
            if (n == 0) {
                QTest::qWait(2); // the port refills the pty from its own buffer
                continue;
            }
            taken += n;
            QTest::qWait(1);
            QCOMPARE(line.bytesWaiting(), total - taken);
        }
        QCOMPARE(line.bytesWaiting(), 0);
        QCOMPARE(sim.received().size(), total);
    }

    void modemLinesReachTheDevice()
    {
        PtyPair pty;
        QtSerialLine line(registry, home.installDir());
        QVERIFY(line.open(onDevice(pty.slavePath())));
        QSignalSpy failures(&line, &SerialLine::failed);

        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        QVERIFY(line.lowerDtrAndRts());
        QCOMPARE(IoctlShim::linesOf(dev), 0);
        QVERIFY(line.setDtr(true));
        QCOMPARE(IoctlShim::linesOf(dev), TIOCM_DTR);
        QVERIFY(line.setRts(true));
        QCOMPARE(IoctlShim::linesOf(dev), TIOCM_DTR | TIOCM_RTS);
        QVERIFY(line.setDtr(false));
        QCOMPARE(IoctlShim::linesOf(dev), TIOCM_RTS);
        QCOMPARE(failures.count(), 0);
    }

    void refusedLineSetIsNoFailure()
    {
        PtyPair pty;
        QtSerialLine line(registry, home.installDir());
        SerialOpenRequest r = onDevice(pty.slavePath());
        r.handshake = Handshake::RtsCts; // Qt refuses RTS changes under RTS/CTS
        QVERIFY(line.open(r));
        QSignalSpy failures(&line, &SerialLine::failed);
        QVERIFY(!line.setRts(true));
        QTest::qWait(20);
        QVERIFY(line.isOpen());
        QCOMPARE(failures.count(), 0);
        QVERIFY(line.setDtr(true));
        QVERIFY(line.write("still usable"));
    }

    void unplugClosesThePortAndReportsOnce()
    {
        PtyPair pty;
        DeviceSimulator sim(pty);
        QtSerialLine line(registry, home.installDir());
        QVERIFY(line.open(onDevice(pty.slavePath())));
        QSignalSpy failures(&line, &SerialLine::failed);

        QElapsedTimer timer;
        timer.start();
        sim.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(failures.count() > 0, 1000);
        const qint64 reportMs = timer.elapsed();
        QVERIFY2(reportMs < 100, qPrintable(QStringLiteral("%1 ms").arg(reportMs)));
        QVERIFY(!line.isOpen());
        QCOMPARE(registry.holder(pty.slavePath()), QString());
        QVERIFY(failures.first().first().toString().startsWith(pty.slavePath()));

        // Afterwards: quiet, no second report and no spinning.
        const double cpuBefore = cpuSeconds();
        QTest::qWait(200);
        QVERIFY2(cpuSeconds() - cpuBefore < 0.05, "the program spins after an unplug");
        QCOMPARE(failures.count(), 1);
        QVERIFY(!line.write("x"));
        QCOMPARE(line.bytesWaiting(), 0);
    }
};

int main(int argc, char** argv)
{
    IoctlShim::preloadOrRestart(argv);
    QCoreApplication app(argc, argv);
    TestSerialLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serial_line.moc"
