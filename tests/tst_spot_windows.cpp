// DX spotting on the real log window: the spotting window and its file,
// a Telnet cluster (simulated) feeding the spot list and the band maps,
// and what clicks on spots do to the call field and the radio.
#include "ClusterSimulator.h"
#include "LogWindowRun.h"
#include "spots/ClusterLink.h"
#include "spots/SpotCalls.h"
#include "ui/BandMapView.h"
#include "ui/ContactListView.h"
#include "ui/LogWindowSpots.h"
#include "ui/WideBandMapWindow.h"
#include "ui/SpotListView.h"
#include "ui/SpotWindow.h"

#include <QFile>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

using namespace zelq;
using namespace zelq::test;

namespace {

template <typename T>
T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no %s", name);
    return found;
}

// The spotting window opened by Ctrl+D, set to the simulated cluster and
// opened; the login has been answered.
SpotWindow* openCluster(Run& run, ClusterSimulator& cluster)
{
    run.context->prefs.ownCall = QStringLiteral("W1AW");
    run.ctrl(Qt::Key_D);
    auto* w = run.window->findChild<SpotWindow*>(QStringLiteral("PacketSpotfrm"));
    if (!w)
        return nullptr;
    child<QListWidget>(w, "List1")->setCurrentRow(2);
    child<QLineEdit>(w, "txtTelnetHost")->setText(QStringLiteral("127.0.0.1"));
    child<QLineEdit>(w, "txtTelnetPort")->setText(QString::number(cluster.port()));
    w->cluster().firstRetryMs = 100;
    child<QPushButton>(w, "Command1")->click();
    if (!cluster.waitForReceived("W1AW\r\n"))
        return nullptr;
    return w;
}

QString spot(double khz, const QString& call, const QString& comment = QStringLiteral("cq"))
{
    return ClusterSimulator::spotLine(QStringLiteral("K1TTT"), khz, call, comment);
}

SpotListView* list(Run& run)
{
    return run.window->findChild<SpotListView*>(QStringLiteral("txtDX"));
}

} // namespace

class SpotWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void ctrlDOpensTheWindowAndDoneWritesItsFile();
    void clusterSpotsReachTheListWithCountryAsPlainText();
    void listClickTakesTheCallAndTunesOnlyWithARig();
    void bandMapRightClickTunesLeftClickRemoves();
    void spectrumMapTunesAndHides();
    void dropReconnectsAndClosePortEndsIt();
    void workedStationsAreDimmedAsTheLogChanges();
    void everyControlHasAName();
};

void SpotWindowsTest::workedStationsAreDimmedAsTheLogChanges()
{
    TempHome home;
    Run run(home);
    START(run);
    run.window->mnuBandChoose(QStringLiteral("20"));
    SpotStore& store = run.window->spots().store();
    store.AddSpot(QStringLiteral("7025.0"), QStringLiteral("K1ABC"), spot(7025.0, QStringLiteral("K1ABC")));
    store.AddSpot(QStringLiteral("14025.0"), QStringLiteral("K1ABC"), spot(14025.0, QStringLiteral("K1ABC")));
    QCOMPARE(list(run)->topLevelItem(0)->text(3), QString());
    TYPE(run, QStringLiteral("k1abc jim ct\r"));
    QCOMPARE(run.window->contactListView().itemCount(), 1);
    // Worked on 20 m: the 20 m spot is marked, the 40 m one is not.
    QCOMPARE(list(run)->topLevelItem(0)->text(3), QStringLiteral("Dupe"));
    QCOMPARE(list(run)->topLevelItem(1)->text(3), QString());
    QVERIFY(store.slotWorked(49));
    QVERIFY(!store.list()[1].worked);
}

void SpotWindowsTest::ctrlDOpensTheWindowAndDoneWritesItsFile()
{
    TempHome home;
    Run run(home);
    START(run);
    run.ctrl(Qt::Key_D);
    auto* w = run.window->findChild<SpotWindow*>(QStringLiteral("PacketSpotfrm"));
    QVERIFY(w);
    QTRY_VERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("DX Spotting Setup"));
    auto* sources = child<QListWidget>(w, "List1");
    QCOMPARE(sources->count(), 4);
    QCOMPARE(sources->currentItem()->text(), QStringLiteral("None"));
    QVERIFY(!child<QLabel>(w, "Label4")->isVisibleTo(w));
    QVERIFY(child<QRadioButton>(w, "OptList")->isChecked());
    QVERIFY(list(run)->isVisibleTo(run.window.get()));
    QVERIFY(!run.label("lblDX")->isVisibleTo(run.window.get()));

    // "None" opens nothing.
    child<QPushButton>(w, "Command1")->click();
    QVERIFY(!w->listening());
    QCOMPARE(w->paneText(), QStringLiteral("** Attempting to Open Port **\n\n"));

    sources->setCurrentRow(2);
    QCOMPARE(child<QLabel>(w, "lblSend")->text(), QStringLiteral("Type text to send and press enter:"));
    child<QLineEdit>(w, "txtTelnetHost")->setText(QStringLiteral("dxc.example.net"));
    child<QLineEdit>(w, "txtTelnetPort")->setText(QStringLiteral("8000"));
    child<QLineEdit>(w, "txtLoginCall")->setText(QStringLiteral("w1aw-5"));
    child<QRadioButton>(w, "OptBand")->click();
    // The log window shows the band map at once.
    QVERIFY(run.label("lblDX")->isVisibleTo(run.window.get()));
    QVERIFY(!list(run)->isVisibleTo(run.window.get()));
    sources->setCurrentRow(1); // TNC: the command-mode character becomes 03
    child<QLineEdit>(w, "txtHex")->setText(QStringLiteral("1B"));
    sources->setCurrentRow(1);
    sources->setCurrentRow(2);
    child<QPushButton>(w, "cmdDone")->click();
    QVERIFY(!w->isVisible());

    QFile f(home.installDir() + QStringLiteral("/PackSpot.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines[6], QByteArray("\"Telnet\"\r"));
    QCOMPARE(lines[10], QByteArray("#FALSE#\r"));
    QCOMPARE(lines[11], QByteArray("\"1B\"\r"));
    QCOMPARE(lines[12], QByteArray("\"8000\"\r"));
    QCOMPARE(lines[13], QByteArray("\"dxc.example.net\"\r"));
    QCOMPARE(lines[14], QByteArray("\"W1AW-5\"\r"));
    QCOMPARE(lines[15], QByteArray("\"127.0.0.1\"\r"));
    QCOMPARE(lines[16], QByteArray("8000\r"));

    // The menu opens the same window again, and a new run starts with the
    // band map as stored.
    run.window->menu().mnuSpotConfigure->trigger();
    QCOMPARE(&run.window->spots().spotWindow(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(child<QLineEdit>(w, "txtTelnetHost")->text(), QStringLiteral("dxc.example.net"));
}

void SpotWindowsTest::clusterSpotsReachTheListWithCountryAsPlainText()
{
    TempHome home;
    Run run(home);
    START(run);
    ClusterSimulator cluster;
    SpotWindow* w = openCluster(run, cluster);
    QVERIFY(w);
    QVERIFY(w->listening());
    QVERIFY(w->paneText().startsWith(QStringLiteral("Attempting connection to: 127.0.0.1:")));
    cluster.sendLines({QStringLiteral("Hello <b>W1AW</b>"), spot(14025.0, QStringLiteral("JA1ABC"), QStringLiteral("<b>big</b> signal")),
                       spot(7012.5, QStringLiteral("DL1XYZ"))});
    QTRY_COMPARE(list(run)->topLevelItemCount(), 2);
    QTreeWidgetItem* top = list(run)->topLevelItem(0);
    QCOMPARE(top->text(0), QStringLiteral("DL1XYZ"));
    QCOMPARE(top->text(1), QStringLiteral("7.0125"));
    const QString japan = CountryyLookupForDXSpots(run.context->prefixes, QStringLiteral("JA1ABC"));
    QVERIFY(!japan.isEmpty());
    QCOMPARE(list(run)->topLevelItem(1)->text(2), japan);
    QCOMPARE(list(run)->topLevelItem(1)->text(4), QStringLiteral("de K1TTT:  <b>big</b> signal"));
    QVERIFY(w->paneText().contains(QStringLiteral("Hello <b>W1AW</b>\n")));

    // Someone spots the station: the alert, with the markup shown as it is.
    const int beeps = run.beeper.count;
    cluster.sendLines({spot(14030.0, QStringLiteral("W1AW"), QStringLiteral("<i>wow</i>"))});
    QTRY_COMPARE(list(run)->topLevelItemCount(), 3);
    QCOMPARE(run.status(), QStringLiteral("You've been spotted! "));
    QCOMPARE(run.statusColour(), QColor(Qt::white));
    QVERIFY(run.partialLine().contains(QStringLiteral("<i>wow</i>")));
    QVERIFY(run.partialLine().endsWith(QStringLiteral("You've been spotted!  ")));
    QCOMPARE(run.label("lblDupe")->textFormat(), Qt::PlainText);
    QCOMPARE(run.beeper.count, beeps + 1);

    // "DX only": other traffic stays out of the pane, spots still come in.
    child<QCheckBox>(w, "chkDX")->setChecked(true);
    cluster.sendLines({QStringLiteral("WWV de W0MU: SFI=150"), spot(21025.0, QStringLiteral("ZS6ABC"))});
    QTRY_COMPARE(list(run)->topLevelItemCount(), 4);
    QVERIFY(!w->paneText().contains(QStringLiteral("SFI=150")));
    QVERIFY(w->paneText().contains(QStringLiteral("ZS6ABC")));

    // The pane keeps the newest traffic only.
    for (int i = 0; i < 150; ++i)
        w->appendTraffic(QString(99, QLatin1Char('x')) + QStringLiteral("\r\n"));
    QVERIFY(w->paneText().size() <= 10000);
    QVERIFY(w->paneText().size() >= 8900);
}

void SpotWindowsTest::listClickTakesTheCallAndTunesOnlyWithARig()
{
    TempHome home;
    Run run(home);
    START(run);
    QList<float> tuned;
    run.window->spots().changeFrequency = [&](float mhz) { tuned << mhz; };
    SpotStore& store = run.window->spots().store();
    store.AddSpot(QStringLiteral("14025.5"), QStringLiteral("ja1'abc"), spot(14025.5, QStringLiteral("ja1'abc")));
    QCOMPARE(list(run)->topLevelItemCount(), 1);
    QTreeWidgetItem* row = list(run)->topLevelItem(0);
    const QRect r = list(run)->visualItemRect(row);
    QTest::mouseClick(list(run)->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(run.text("txtCall"), QStringLiteral("JA1ABC")); // by the pasted-text rules
    QCOMPARE(run.focused(), QStringLiteral("txtCall"));
    QVERIFY(tuned.isEmpty()); // no radio
    run.context->prefs.rigType = QStringLiteral("Elecraft K3");
    run.edit("txtCall")->clear();
    QTest::mouseClick(list(run)->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(tuned, QList<float>{14.0255f});
    QCOMPARE(run.text("txtCall"), QStringLiteral("JA1ABC"));

    // The list keeps the newest 200.
    for (int i = 0; i < 205; ++i)
        store.AddSpot(QStringLiteral("21025.0"), QStringLiteral("K%1AA").arg(i), spot(21025.0, QStringLiteral("K%1AA").arg(i)));
    QCOMPARE(list(run)->topLevelItemCount(), 200);
    QCOMPARE(list(run)->topLevelItem(0)->text(0), QStringLiteral("K204AA"));
    QCOMPARE(list(run)->topLevelItem(199)->text(0), QStringLiteral("K5AA"));
}

void SpotWindowsTest::bandMapRightClickTunesLeftClickRemoves()
{
    TempHome home;
    Run run(home);
    START(run);
    run.window->mnuBandChoose(QStringLiteral("20"));
    run.window->spots().spotWindow();
    child<QRadioButton>(&run.window->spots().spotWindow(), "OptBand")->click();
    QList<float> tuned;
    run.window->spots().changeFrequency = [&](float mhz) { tuned << mhz; };
    SpotStore& store = run.window->spots().store();
    store.AddSpot(QStringLiteral("14020.0"), QStringLiteral("DL1AA"), spot(14020.0, QStringLiteral("DL1AA")));
    store.AddSpot(QStringLiteral("14025.0"), QStringLiteral("JA1ABC"), spot(14025.0, QStringLiteral("JA1ABC")));
    store.AddSpot(QStringLiteral("7025.0"), QStringLiteral("ZS6AA"), spot(7025.0, QStringLiteral("ZS6AA")));
    auto* map = run.window->findChild<BandMapView*>(QStringLiteral("bandMap"));
    QVERIFY(map && map->isVisible());
    QCOMPARE(int(map->spots().size()), 2);
    QCOMPARE(map->scales().at(0).labels.first(), QStringLiteral("14.019"));
    QCOMPARE(map->scales().at(0).labels.last(), QStringLiteral("14.026"));
    const QRect ja = map->labelRect(49 - 1);
    QVERIFY(!ja.isEmpty());
    QVERIFY(map->labelRect(49).isEmpty()); // 40 m: not on this map

    // Hovering shows the tool tip in the partial-duplicates line.
    QTest::mouseMove(map, ja.center());
    QTRY_VERIFY(run.partialLine().startsWith(QStringLiteral("JA1ABC  14.025  ")));

    // Right click: tuned, the call taken, the call field left for the name.
    QTest::mouseClick(map, Qt::RightButton, {}, ja.center());
    QCOMPARE(tuned, QList<float>{14.025f});
    QCOMPARE(run.text("txtCall"), QStringLiteral("JA1ABC"));
    QTRY_COMPARE(run.focused(), QStringLiteral("txtRSTR"));

    // Left click: gone from the map for good, still in the list.
    QTest::mouseClick(map, Qt::LeftButton, {}, map->labelRect(47).center());
    QCOMPARE(int(map->spots().size()), 1);
    QCOMPARE(store.slot(47).frequency, 0.0f);
    QCOMPARE(list(run)->topLevelItemCount(), 3);
    QCOMPARE(tuned.size(), 1);

    // Another band shows its own spots.
    run.window->mnuBandChoose(QStringLiteral("40"));
    QCOMPARE(int(map->spots().size()), 1);
    QCOMPARE(map->spots().front().caption, QStringLiteral("ZS6"));

    // The DX label: a double-click opens the spectrum map (and not the
    // spotting window), a click the spotting window.
    QLabel* dx = run.label("lblDX");
    QTest::mouseClick(dx, Qt::LeftButton);
    QTest::mouseDClick(dx, Qt::LeftButton);
    QTest::mouseRelease(dx, Qt::LeftButton);
    QTRY_VERIFY(run.window->spots().spectrumMap());
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QVERIFY(!run.window->spots().spotWindow().isVisible());
    run.window->spots().spectrumMap()->reject();
    QTest::mouseClick(dx, Qt::LeftButton);
    QTRY_VERIFY(run.window->spots().spotWindow().isVisible());
}

void SpotWindowsTest::spectrumMapTunesAndHides()
{
    TempHome home;
    Run run(home);
    START(run);
    QList<float> tuned;
    run.window->spots().changeFrequency = [&](float mhz) { tuned << mhz; };
    SpotStore& store = run.window->spots().store();
    store.AddSpot(QStringLiteral("10120.0"), QStringLiteral("DL1AA"), spot(10120.0, QStringLiteral("DL1AA")));
    store.AddSpot(QStringLiteral("28500.0"), QStringLiteral("K1ABC"), spot(28500.0, QStringLiteral("K1ABC")));
    const QRect row = list(run)->visualItemRect(list(run)->topLevelItem(0));
    QTest::mouseClick(list(run)->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list(run)->viewport(), Qt::LeftButton, {}, row.center());
    WideBandMapWindow* map = run.window->spots().spectrumMap();
    QVERIFY(map);
    QTRY_VERIFY(map->isVisible());
    QVERIFY(map->isModal());
    QCOMPARE(map->windowTitle(), QStringLiteral("HF Spectrum Map"));
    QCOMPARE(int(map->map()->scales().size()), 11);
    QCOMPARE(int(map->map()->spots().size()), 2);
    // A new spot appears on the open map.
    store.AddSpot(QStringLiteral("3510.0"), QStringLiteral("G4XX"), spot(3510.0, QStringLiteral("G4XX")));
    QCOMPARE(int(map->map()->spots().size()), 3);
    QTest::mouseClick(map->map(), Qt::LeftButton, {}, map->map()->labelRect(48).center());
    QCOMPARE(int(map->map()->spots().size()), 2);
    QTest::mouseClick(map->map(), Qt::RightButton, {}, map->map()->labelRect(47).center());
    QCOMPARE(tuned, QList<float>{10.12f});
    QTRY_VERIFY(!run.window->spots().spectrumMap());
    QCOMPARE(run.text("txtCall"), QStringLiteral("DL1AA"));
    QCOMPARE(run.focused(), QStringLiteral("txtCall"));
}

void SpotWindowsTest::dropReconnectsAndClosePortEndsIt()
{
    TempHome home;
    Run run(home);
    START(run);
    ClusterSimulator cluster;
    SpotWindow* w = openCluster(run, cluster);
    QVERIFY(w);
    cluster.drop();
    QVERIFY(cluster.waitForConnections(2));
    QVERIFY(cluster.waitForReceived("W1AW\r\n"));
    QVERIFY(w->paneText().contains(QStringLiteral("** Connection closed by the cluster **")));
    QVERIFY(w->listening());
    cluster.sendLines({spot(14025.0, QStringLiteral("JA1ABC"))});
    QTRY_COMPARE(list(run)->topLevelItemCount(), 1);

    // A line typed and sent.
    auto* sent = child<QLineEdit>(w, "txtSent");
    sent->setText(QStringLiteral("sh/dx 5"));
    QTest::keyClick(sent, Qt::Key_Return);
    QVERIFY(cluster.waitForReceived("sh/dx 5\r\n"));
    QVERIFY(sent->text().isEmpty());

    child<QPushButton>(w, "Command2")->click();
    QVERIFY(!w->listening());
    QVERIFY(w->paneText().endsWith(QStringLiteral("** Port Closed **")));
    QTest::qWait(400);
    QCOMPARE(cluster.connections(), 2);

    // Spot Last: the last contact's call behind the frequency to type over.
    child<QPushButton>(w, "Command3")->click();
    QCOMPARE(sent->text().left(20), QStringLiteral("DX Frequency in kHz "));
    QCOMPARE(sent->selectedText(), QStringLiteral("Frequency in kHz"));
}

void SpotWindowsTest::everyControlHasAName()
{
    TempHome home;
    Run run(home);
    START(run);
    SpotWindow& w = run.window->spots().spotWindow();
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (c->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel*>(c))
            continue;
        if (c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
    }
}

QTEST_MAIN(SpotWindowsTest)
#include "tst_spot_windows.moc"
