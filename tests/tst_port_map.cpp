// The port map file, the settings text of a serial port, the list of
// devices offered, and the registry that keeps two parts of the program
// off one device.
#include "PtyPair.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "devices/QtSerialLine.h"
#include "devices/SerialDeviceList.h"
#include "devices/SerialSettings.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

Q_DECLARE_METATYPE(std::optional<zelq::SerialSettings>)

class TestPortMap : public QObject {
    Q_OBJECT

private slots:
    void missingFileGivesTheDefaults()
    {
        TempHome home;
        const PortMap map = PortMap::load(home.installDir());
        for (int p = 1; p <= 10; ++p)
            QCOMPARE(map.device(p), QStringLiteral("/dev/ttyS%1").arg(p - 1));
        QCOMPARE(map.device(0), QString());
        QCOMPARE(map.device(11), QString());
    }

    void shortHandEditedFileKeepsDefaultsForTheRest()
    {
        TempHome home;
        home.writeFile(QStringLiteral("zelq/Ports.txt"),
                       "\"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\"\r\n"
                       "/dev/ttyUSB1\n"
                       "\"\"\r\n");
        const PortMap map = PortMap::load(home.installDir());
        QCOMPARE(map.device(1), QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
        QCOMPARE(map.device(2), QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(map.device(3), QStringLiteral("/dev/ttyS2")); // a blank line
        QCOMPARE(map.device(4), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(map.device(10), QStringLiteral("/dev/ttyS9"));
    }

    void pathWithBlanksSurvivesSaveAndLoad()
    {
        TempHome home;
        QDir().mkpath(home.installDir());
        PortMap map;
        map.setDevice(4, QStringLiteral("/tmp/my ports/rig, main"));
        map.setDevice(10, QStringLiteral("  /dev/ttyACM0  "));
        QString error;
        QVERIFY2(map.save(home.installDir(), &error), qPrintable(error));

        QFile f(QDir(home.installDir()).filePath(QStringLiteral("Ports.txt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 11); // ten lines, each ended by CR LF
        QCOMPARE(lines[0], QByteArray("\"/dev/ttyS0\"\r"));
        QCOMPARE(lines[3], QByteArray("\"/tmp/my ports/rig, main\"\r"));

        const PortMap back = PortMap::load(home.installDir());
        QCOMPARE(back.device(4), QStringLiteral("/tmp/my ports/rig, main"));
        QCOMPARE(back.device(10), QStringLiteral("/dev/ttyACM0"));
        QVERIFY(back == map);
    }

    void entriesNameDeviceFiles()
    {
        const QString install = QStringLiteral("/home/op/.local/share/zelq");
        QCOMPARE(PortMap::resolveDevice(QStringLiteral("ttyUSB0"), install), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(PortMap::resolveDevice(QStringLiteral("/dev/serial/by-id/usb-x"), install), QStringLiteral("/dev/serial/by-id/usb-x"));
        QCOMPARE(PortMap::resolveDevice(QStringLiteral("sim/tty A"), install), install + QStringLiteral("/sim/tty A"));
    }

    void saveIntoAnUnwritablePlaceFails()
    {
        TempHome home;
        QDir().mkpath(QDir(home.installDir()).filePath(QStringLiteral("Ports.txt")));
        QString error;
        QVERIFY(!PortMap().save(home.installDir(), &error));
        QVERIFY(!error.isEmpty());
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<SerialSettings>>("expected");
        QTest::newRow("rig") << "4800,N,8,2" << std::optional(SerialSettings{4800, Parity::None, 8, 2});
        QTest::newRow("custom rate") << "56000,N,8,1" << std::optional(SerialSettings{56000, Parity::None, 8, 1});
        QTest::newRow("seven bits even") << "1200,E,7,1" << std::optional(SerialSettings{1200, Parity::Even, 7, 1});
        QTest::newRow("odd, blanks, lower case") << " 9600 , o ,8, 1 " << std::optional(SerialSettings{9600, Parity::Odd, 8, 1});
        QTest::newRow("mark parity") << "9600,M,8,1" << std::optional<SerialSettings>();
        QTest::newRow("six bits") << "9600,N,6,1" << std::optional<SerialSettings>();
        QTest::newRow("one and a half stop") << "9600,N,8,1.5" << std::optional<SerialSettings>();
        QTest::newRow("no baud") << ",N,8,1" << std::optional<SerialSettings>();
        QTest::newRow("zero baud") << "0,N,8,1" << std::optional<SerialSettings>();
        QTest::newRow("three fields") << "9600,N,8" << std::optional<SerialSettings>();
        QTest::newRow("empty") << "" << std::optional<SerialSettings>();
    }

    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<SerialSettings>, expected);
        const std::optional<SerialSettings> got = parseSerialSettings(text);
        QCOMPARE(got.has_value(), expected.has_value());
        if (expected) {
            QVERIFY(*got == *expected);
            QCOMPARE(parseSerialSettings(serialSettingsText(*got)), got);
        }
    }

    void devicesOfferedByIdFirstThenByNumber()
    {
        TempHome home;
        DeviceFolders folders{home.path() + QStringLiteral("/dev"), home.path() + QStringLiteral("/sys")};
        for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS12", "ttySomething", "tty0", "null"})
            home.writeFile(QStringLiteral("dev/") + QLatin1String(name), {});
        home.writeFile(QStringLiteral("sys/ttyS0/type"), "4\n");  // a 16550A
        home.writeFile(QStringLiteral("sys/ttyS1/type"), "0\n");  // listed, no UART
        home.writeFile(QStringLiteral("sys/ttyS12/type"), "4\n");
        QDir().mkpath(folders.dev + QStringLiteral("/serial/by-id"));
        QFile::link(QStringLiteral("../../ttyUSB2"), folders.dev + QStringLiteral("/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0"));
        QFile::link(QStringLiteral("../../ttyUSB10"), folders.dev + QStringLiteral("/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"));

        const QString d = folders.dev + QLatin1Char('/');
        QCOMPARE(presentSerialDevices(folders),
                 QStringList({d + "serial/by-id/usb-FTDI_FT232R_A1-if00-port0",
                              d + "serial/by-id/usb-Silicon_Labs_CP2102-if00-port0",
                              d + "ttyS0", d + "ttyS12", d + "ttyUSB2", d + "ttyUSB10", d + "ttyACM0"}));
    }

    void linkAndTargetAreOneDevice()
    {
        TempHome home;
        PtyPair pty;
        QVERIFY(pty.isValid());
        const QString link = home.path() + QStringLiteral("/usb-Rig_Adapter-if00-port0");
        QVERIFY(pty.linkAt(link));

        DeviceRegistry registry;
        QtSerialLine rig(registry, home.installDir());
        SerialOpenRequest byLink;
        byLink.device = link;
        byLink.settings = SerialSettings{4800, Parity::None, 8, 2};
        byLink.owner = QStringLiteral("rig interface");
        QVERIFY2(rig.open(byLink), qPrintable(rig.openFailure()));
        QCOMPARE(registry.holder(pty.slavePath()), QStringLiteral("rig interface"));

        QtSerialLine cw(registry, home.installDir());
        SerialOpenRequest byTarget;
        byTarget.device = pty.slavePath();
        byTarget.owner = QStringLiteral("CW keying");
        byTarget.inUseMessage = QStringLiteral("The port you have selected for CW keying is invalid.  "
                                               "Please select another or enter 0 for none.");
        QVERIFY(!cw.open(byTarget));
        QCOMPARE(cw.openFailure(), byTarget.inUseMessage);
        QVERIFY(!cw.isOpen());
        QVERIFY(rig.isOpen()); // the holder is untouched

        // Without a message of its own the claimer hears who holds it.
        byTarget.inUseMessage.clear();
        QVERIFY(!cw.open(byTarget));
        QVERIFY(cw.openFailure().contains(QStringLiteral("in use by the rig interface")));

        rig.close();
        QCOMPARE(registry.holder(link), QString());
        QVERIFY2(cw.open(byTarget), qPrintable(cw.openFailure()));
        QCOMPARE(registry.holder(link), QStringLiteral("CW keying"));
    }

    void claimsEndWithTheirHandles()
    {
        DeviceRegistry registry;
        {
            DeviceRegistry::Outcome first = registry.claim(QStringLiteral("/dev/ttyS4"), QStringLiteral("TNC"));
            QVERIFY(first.ok());
            DeviceRegistry::Outcome second = registry.claim(QStringLiteral("/dev/../dev/ttyS4"), QStringLiteral("rig interface"));
            QVERIFY(!second.ok());
            QCOMPARE(second.heldBy, QStringLiteral("TNC"));
            DeviceClaim moved = std::move(first.claim);
            QVERIFY(!first.claim.isHeld());
            QCOMPARE(registry.holder(QStringLiteral("/dev/ttyS4")), QStringLiteral("TNC"));
        }
        QVERIFY(registry.claim(QStringLiteral("/dev/ttyS4"), QStringLiteral("rig interface")).ok());
    }
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_port_map.moc"
