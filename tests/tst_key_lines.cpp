// Key lines: serial RTS and DTR through Qt's serial port and the parallel
// port through ppdev, each on a pty with the ioctl shim preloaded, whose
// log of line changes is compared with what was keyed and when; and the
// recording fake.
#include "IoctlShim.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "devices/DeviceAccess.h"
#include "devices/DeviceRegistry.h"
#include "devices/ParallelKeyLine.h"
#include "devices/PortMap.h"
#include "devices/QtSerialLine.h"
#include "devices/RecordingKeyLine.h"
#include "devices/SerialKeyLine.h"

#include <QFile>
#include <QThread>
#include <QtTest>
#include <cerrno>
#include <sys/ioctl.h>

using namespace zelq;
using namespace zelq::test;

namespace {

struct Keyed {
    bool down;
    qint64 beforeNs;
    qint64 afterNs;
};

// Keys a short pattern with pauses, noting the time around every change.
QList<Keyed> keyPattern(KeyLine& line)
{
    QList<Keyed> keyed;
    for (int ms : {15, 5, 25, 10}) {
        for (bool down : {true, false}) {
            const qint64 before = RecordingKeyLine::nowNs();
            line.setKey(down);
            keyed.append({down, before, RecordingKeyLine::nowNs()});
            QThread::msleep(down ? ms : 3);
        }
    }
    return keyed;
}

} // namespace

class TestKeyLines : public QObject {
    Q_OBJECT

    TempHome home;
    DeviceRegistry registry;

private slots:
    void initTestCase()
    {
        QVERIFY2(IoctlShim::loaded(), "the ioctl shim is not preloaded");
    }

    void serialLineKeysOnePin_data()
    {
        QTest::addColumn<int>("pin");
        QTest::newRow("RTS") << int(KeyPin::Rts);
        QTest::newRow("DTR") << int(KeyPin::Dtr);
    }

    void serialLineKeysOnePin()
    {
        QFETCH(int, pin);
        const int keyBit = KeyPin(pin) == KeyPin::Rts ? TIOCM_RTS : TIOCM_DTR;
        PtyPair pty;
        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        IoctlShim::clear();

        SerialKeyLine key(std::make_unique<QtSerialLine>(registry, home.installDir()), KeyPin(pin));
        QString reason;
        QVERIFY2(key.openDevice(pty.slavePath(), QStringLiteral("CW keying"), &reason), qPrintable(reason));

        // Right after the open both lines went down in one step.
        QList<ShimEvent> log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].value, 0);

        IoctlShim::clear();
        const QList<Keyed> keyed = keyPattern(key);
        log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), keyed.size());
        for (qsizetype i = 0; i < keyed.size(); ++i) {
            QCOMPARE(log[i].kind, ShimEvent::Lines);
            QCOMPARE(log[i].value, keyed[i].down ? keyBit : 0); // the other line stays down
            QVERIFY(log[i].monotonicNs >= keyed[i].beforeNs);
            QVERIFY(log[i].monotonicNs <= keyed[i].afterNs);
        }

        IoctlShim::clear();
        key.keyDown();
        key.close(); // never leaves the key down
        log = IoctlShim::eventsOf(dev);
        QVERIFY(!log.isEmpty());
        QCOMPARE(log.last().value & keyBit, 0);
        QCOMPARE(registry.holder(pty.slavePath()), QString());
    }

    void serialKeyLineKeysFromAThreadOfItsOwn()
    {
        PtyPair pty;
        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        SerialKeyLine key(std::make_unique<QtSerialLine>(registry, home.installDir()), KeyPin::Dtr);
        QString reason;
        QVERIFY2(key.openDevice(pty.slavePath(), QStringLiteral("CW keying"), &reason), qPrintable(reason));
        QThread keyer;
        keyer.start();
        key.serial().moveToThread(&keyer);
        IoctlShim::clear();
        const QString logFile = home.path() + QStringLiteral("/shim.log");
        qputenv("ZELQ_SHIM_LOG", QFile::encodeName(logFile));
        bool keyed = false;
        QMetaObject::invokeMethod(
            &key.serial(),
            [&] {
                keyed = key.keyDown() && key.keyUp() && QThread::currentThread() == key.serial().thread();
                key.close();
                key.serial().moveToThread(QCoreApplication::instance()->thread());
            },
            Qt::BlockingQueuedConnection);
        keyer.quit();
        keyer.wait();
        qunsetenv("ZELQ_SHIM_LOG");

        QVERIFY(keyed);
        const QList<ShimEvent> log = IoctlShim::eventsOf(dev);
        QVERIFY(log.size() >= 2);
        QCOMPARE(log[0].value, TIOCM_DTR);
        QCOMPARE(log[1].value, 0);
        QFile written(logFile);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = written.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), log.size());
        QVERIFY2(lines[0].endsWith(" lines 2"), lines[0].constData()); // "<seconds> <major:minor> lines <bits>"
    }

    void serialKeyPortHeldElsewhereIsRefusedWithTheOwnersMessage()
    {
        PtyPair pty;
        QtSerialLine rig(registry, home.installDir());
        SerialOpenRequest r;
        r.device = pty.slavePath();
        r.owner = QStringLiteral("rig interface");
        QVERIFY(rig.open(r));

        PortMap map;
        map.setDevice(2, pty.slavePath());
        QDir().mkpath(home.installDir());
        QVERIFY(map.save(home.installDir()));
        const QString cwMessage = QStringLiteral("The port you have selected for CW keying is invalid.  "
                                                 "Please select another or enter 0 for none.");
        SerialKeyLine key(std::make_unique<QtSerialLine>(registry, home.installDir()), KeyPin::Dtr);
        QString reason;
        QVERIFY(!key.open(2, QStringLiteral("CW keying"), cwMessage, &reason));
        QCOMPARE(reason, cwMessage);
        QVERIFY(!key.keyDown());
    }

    void parallelPortKeysTheControlRegister()
    {
        PtyPair pty;
        const QString root = home.path() + QStringLiteral("/parport");
        home.writeFile(QStringLiteral("parport/proc/parport0/base-addr"), "632\t1656\n");
        home.writeFile(QStringLiteral("parport/proc/parport1/base-addr"), "888\t1912\n");
        QVERIFY(pty.linkAt(root + QStringLiteral("/dev1")));
        const ParportPaths paths{root + QStringLiteral("/proc"), root + QStringLiteral("/dev")};
        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        IoctlShim::clear();

        ParallelKeyLine key(registry, paths);
        QString reason;
        QVERIFY2(key.open(QStringLiteral("&H378"), QStringLiteral("CW keying"), {}, &reason), qPrintable(reason));
        QCOMPARE(key.device(), root + QStringLiteral("/dev1"));
        QList<ShimEvent> log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0].kind, ShimEvent::Claim);
        QCOMPARE(log[1].kind, ShimEvent::Control);
        QCOMPARE(log[1].value, 2); // key up after the claim

        IoctlShim::clear();
        const QList<Keyed> keyed = keyPattern(key);
        log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), keyed.size());
        for (qsizetype i = 0; i < keyed.size(); ++i) {
            QCOMPARE(log[i].kind, ShimEvent::Control);
            QCOMPARE(log[i].value, keyed[i].down ? 3 : 2);
            QVERIFY(log[i].monotonicNs >= keyed[i].beforeNs);
            QVERIFY(log[i].monotonicNs <= keyed[i].afterNs);
        }

        // A second part asking for the same port is refused, not blocked
        // in the kernel's claim.
        ParallelKeyLine ptt(registry, paths);
        QVERIFY(!ptt.open(QStringLiteral("888"), QStringLiteral("voice keyer PTT"),
                          QStringLiteral("The port you have selected for Phone keying is invalid."), &reason));
        QCOMPARE(reason, QStringLiteral("The port you have selected for Phone keying is invalid."));

        IoctlShim::clear();
        key.keyDown();
        key.close();
        log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[1].value, 2); // up before the release
        QCOMPARE(log[2].kind, ShimEvent::Release);
        QVERIFY(!key.keyDown());
    }

    void parallelPortThatIsNotThere()
    {
        const QString root = home.path() + QStringLiteral("/noport");
        home.writeFile(QStringLiteral("noport/proc/parport0/base-addr"), "888\t1912\n");
        const ParportPaths paths{root + QStringLiteral("/proc"), root + QStringLiteral("/dev")};
        ParallelKeyLine key(registry, paths);
        QString reason;
        QVERIFY(!key.open(QStringLiteral("&H278"), QStringLiteral("CW keying"), {}, &reason));
        QVERIFY2(reason.contains(QStringLiteral("&H278")), qPrintable(reason));
        QVERIFY(!key.open(QStringLiteral("&HXYZ"), QStringLiteral("CW keying"), {}, &reason));
        QVERIFY(reason.contains(QStringLiteral("not a port address")));
        // Listed by the kernel, but no device file.
        QVERIFY(!key.open(QStringLiteral("&H378"), QStringLiteral("CW keying"), {}, &reason));
        QVERIFY2(reason.startsWith(root + QStringLiteral("/dev0: ")), qPrintable(reason));
        QCOMPARE(registry.holder(root + QStringLiteral("/dev0")), QString());
        QVERIFY(!reason.contains(QStringLiteral("group")));
    }

    void permissionProblemNamesTheGroup()
    {
        // Tests run as root, who is never refused: the text alone.
        const QString denied = deviceOpenFailure(QStringLiteral("/dev/parport0"), EACCES, QStringLiteral("lp"));
        QVERIFY2(denied.startsWith(QStringLiteral("/dev/parport0: Permission denied")), qPrintable(denied));
        QVERIFY(denied.contains(QStringLiteral("lp group")));
        QVERIFY(!deviceOpenFailure(QStringLiteral("/dev/parport0"), EBUSY, QStringLiteral("lp")).contains(QStringLiteral("group")));
    }

    void baseAddressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("address"); // -1: not an address
        QTest::newRow("&H378") << "&H378" << 0x378;
        QTest::newRow("lower case") << "&h3bc" << 0x3BC;
        QTest::newRow("0x278") << "0x278" << 0x278;
        QTest::newRow("decimal") << " 888 " << 888;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("&H alone") << "&H" << -1;
        QTest::newRow("not hex") << "&H37G" << -1;
        QTest::newRow("too big") << "&H10000" << -1;
    }

    void baseAddressText()
    {
        QFETCH(QString, text);
        QFETCH(int, address);
        const std::optional<unsigned> got = parseBaseAddress(text);
        QCOMPARE(got ? int(*got) : -1, address);
    }

    void recordingFakeStampsEveryChange()
    {
        RecordingKeyLine fake;
        const QList<Keyed> keyed = keyPattern(fake);
        fake.keyUp(); // repeated states are recorded too
        const QList<KeyChange> changes = fake.changes();
        QCOMPARE(changes.size(), keyed.size() + 1);
        for (qsizetype i = 0; i < keyed.size(); ++i) {
            QCOMPARE(changes[i].down, keyed[i].down);
            QVERIFY(changes[i].monotonicNs >= keyed[i].beforeNs);
            QVERIFY(changes[i].monotonicNs <= keyed[i].afterNs);
        }
        // The first key-down lasted its 15 ms.
        const qint64 firstMark = changes[1].monotonicNs - changes[0].monotonicNs;
        QVERIFY(firstMark >= 15'000'000);
        fake.clear();
        QVERIFY(fake.changes().isEmpty());
    }
};

int main(int argc, char** argv)
{
    IoctlShim::preloadOrRestart(argv);
    QCoreApplication app(argc, argv);
    TestKeyLines test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_key_lines.moc"
