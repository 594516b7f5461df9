// The "Serial Ports" window and its menu item: the choices it offers, a
// change saved and read back, a typed path kept, Cancel, and Test on a
// device that is there, one that is missing and one another part holds.
#include "FakeDialogs.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "devices/PortsEditor.h"
#include "devices/QtSerialLine.h"
#include "ui/LogWindowMenu.h"
#include "ui/PortsWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

DeviceFolders fakeFolders(const TempHome& home)
{
    home.writeFile(QStringLiteral("dev/ttyUSB0"), {});
    home.writeFile(QStringLiteral("dev/ttyS0"), {});
    home.writeFile(QStringLiteral("sys/ttyS0/type"), "4\n");
    QDir().mkpath(home.path() + QStringLiteral("/dev/serial/by-id"));
    QFile::link(QStringLiteral("../../ttyUSB0"),
                home.path() + QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
    return {home.path() + QStringLiteral("/dev"), home.path() + QStringLiteral("/sys")};
}

QComboBox* combo(QWidget& w, int port)
{
    return w.findChild<QComboBox*>(QStringLiteral("cboPort_%1").arg(port));
}

void click(QWidget& w, const QString& name)
{
    auto* b = w.findChild<QPushButton*>(name);
    QVERIFY2(b, qPrintable(name));
    b->click();
}

} // namespace

class TestPortsWindow : public QObject {
    Q_OBJECT

private slots:
    void windowShowsTheMapAndTheDevicesPresent()
    {
        TempHome home;
        DeviceRegistry registry;
        FakeDialogs dialogs;
        PortsWindow w(registry, home.installDir(), dialogs, nullptr, fakeFolders(home));
        QCOMPARE(w.objectName(), QStringLiteral("frmPorts"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Serial Ports"));
        for (int p = 1; p <= 10; ++p) {
            QComboBox* c = combo(w, p);
            QVERIFY(c);
            QVERIFY(c->isEditable());
            QCOMPARE(c->currentText(), QStringLiteral("/dev/ttyS%1").arg(p - 1));
            QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblPort_%1").arg(p))->text(), QStringLiteral("COM%1").arg(p));
        }
        QComboBox* c = combo(w, 1);
        QCOMPARE(c->count(), 3);
        QVERIFY(c->itemText(0).endsWith(QStringLiteral("/serial/by-id/usb-FTDI_FT232R-if00-port0")));
        QVERIFY(c->itemText(1).endsWith(QStringLiteral("/ttyS0")));
        QVERIFY(c->itemText(2).endsWith(QStringLiteral("/ttyUSB0")));

        // Every control a screen reader reaches has a name.
        for (QWidget* child : w.findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child)
                || qobject_cast<QLineEdit*>(child))
                QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
        }
    }

    void pickedAndTypedDevicesAreSavedByDone()
    {
        TempHome home;
        DeviceRegistry registry;
        FakeDialogs dialogs;
        const DeviceFolders folders = fakeFolders(home);
        QDir().mkpath(home.installDir());
        {
            PortsWindow w(registry, home.installDir(), dialogs, nullptr, folders);
            combo(w, 2)->setCurrentIndex(0); // the by-id name
            combo(w, 5)->setEditText(QStringLiteral("/tmp/my ports/ttyRig"));
            QTest::keyClicks(combo(w, 7)->lineEdit(), QStringLiteral("x"));
            combo(w, 9)->setEditText(QString()); // blank: back to the default
            click(w, QStringLiteral("cmdDone"));
            QCOMPARE(w.result(), int(QDialog::Accepted));
        }
        const PortMap map = PortMap::load(home.installDir());
        QCOMPARE(map.device(2), folders.dev + QStringLiteral("/serial/by-id/usb-FTDI_FT232R-if00-port0"));
        QCOMPARE(map.device(5), QStringLiteral("/tmp/my ports/ttyRig"));
        QCOMPARE(map.device(7), QStringLiteral("/dev/ttyS6x"));
        QCOMPARE(map.device(9), QStringLiteral("/dev/ttyS8"));

        PortsWindow again(registry, home.installDir(), dialogs, nullptr, folders);
        QCOMPARE(combo(again, 5)->currentText(), QStringLiteral("/tmp/my ports/ttyRig"));
        combo(again, 5)->setEditText(QStringLiteral("/dev/ttyUSB3"));
        click(again, QStringLiteral("cmdCancel"));
        QCOMPARE(PortMap::load(home.installDir()).device(5), QStringLiteral("/tmp/my ports/ttyRig"));
        QCOMPARE(dialogs.asked.size(), 0);
    }

    void failedSaveIsReportedAndTheWindowStays()
    {
        TempHome home;
        QDir().mkpath(home.installDir() + QStringLiteral("/Ports.txt")); // a folder where the file belongs
        DeviceRegistry registry;
        FakeDialogs dialogs;
        PortsWindow w(registry, home.installDir(), dialogs, nullptr, fakeFolders(home));
        w.show();
        click(w, QStringLiteral("cmdDone"));
        QCOMPARE(dialogs.asked.size(), 1);
        QVERIFY(w.isVisible());
    }

    void testReportsOkOrTheReason()
    {
        TempHome home;
        DeviceRegistry registry;
        FakeDialogs dialogs;
        PtyPair pty;
        PtyPair held;
        QtSerialLine rig(registry, home.installDir());
        SerialOpenRequest r;
        r.device = held.slavePath();
        r.owner = QStringLiteral("rig interface");
        QVERIFY(rig.open(r));

        PortsWindow w(registry, home.installDir(), dialogs, nullptr, fakeFolders(home));
        combo(w, 1)->setEditText(pty.slavePath());
        combo(w, 2)->setEditText(QStringLiteral("/dev/ttyZELQ-missing"));
        combo(w, 3)->setEditText(held.slavePath());
        click(w, QStringLiteral("cmdTest_1"));
        click(w, QStringLiteral("cmdTest_2"));
        click(w, QStringLiteral("cmdTest_3"));
        auto result = [&](int p) { return w.findChild<QLabel*>(QStringLiteral("lblResult_%1").arg(p))->text(); };
        QCOMPARE(result(1), QStringLiteral("OK"));
        QVERIFY2(result(2).startsWith(QStringLiteral("/dev/ttyZELQ-missing: ")), qPrintable(result(2)));
        QVERIFY2(result(3).contains(QStringLiteral("in use by the rig interface")), qPrintable(result(3)));
        QCOMPARE(registry.holder(pty.slavePath()), QString()); // the test closed it again
        QVERIFY(rig.isOpen());

        combo(w, 2)->setEditText(pty.slavePath()); // editing clears the old answer
        QCOMPARE(result(2), QString());
        QVERIFY(!QFile::exists(home.installDir() + QStringLiteral("/Ports.txt"))); // testing saves nothing
    }

    void optionsMenuOffersTheWindow()
    {
        QMenuBar bar;
        LogWindowMenu menus;
        menus.build(&bar);
        QVERIFY(menus.mnuSerialPorts);
        QCOMPARE(menus.mnuSerialPorts->text(), QStringLiteral("Serial &Ports\u2026"));
        QVERIFY(menus.mnuSerialPorts->isEnabled());
        QCOMPARE(bar.findChild<QMenu*>(QStringLiteral("mnuOptions"))->actions().contains(menus.mnuSerialPorts), true);
    }
};

QTEST_MAIN(TestPortsWindow)
#include "tst_ports_window.moc"
