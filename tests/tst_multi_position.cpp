// Two positions of one station in one process: each its own log window,
// install folder and connection, both on the same log (an SQLite file, or a
// database of the PostgreSQL test server). What one position logs, edits
// and deletes reaches the other's list and score at that one's poll, which
// waits while a call is being typed or a contact edited; on the server the
// change notice brings it without the poll.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "TempHome.h"
#include "log/FirstStart.h"
#include "log/LogChangeListener.h"
#include "log/LogFileWatcher.h"
#include "ui/AppContext.h"
#include "ui/ContactEditCommands.h"
#include "ui/ContactListView.h"
#include "ui/EditContactWindow.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/StationSetupWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace zelq;
using namespace zelq::test;

namespace {

const QString dataDir = QStringLiteral(ZELQ_TEST_DATA_DIR);
constexpr int anHour = 3600 * 1000;

// One position: its own install folder beneath the shared temporary home,
// its own context, connection and log window.
struct Position {
    Position(const TempHome& home, const QString& name, FakeClock& stationClock)
        : clock(stationClock)
    {
        AppFolderSet f;
        f.install = home.path() + u'/' + name;
        f.shipped = dataDir;
        f.program = home.path() + u"/program"_s;
        f.shared = home.path() + u"/shared"_s;
        QDir().mkpath(f.program);
        QDir().mkpath(f.shared);
        prepareInstallFolder(f.install, f.shipped);
        context = std::make_unique<AppContext>(f, dialogs, beeper, clock);
        context->shared.LoadSharedPreferences(f.shared + u"/SharedUserPreferences.xml"_s);
        window = std::make_unique<LogWindow>(*context);
        window->setWindowTitle(window->windowTitle() + u" - "_s + name);
        startup = new StartupSequence(*context, *window);
        timer3 = window->findChild<QTimer*>(u"Timer3"_s);
        listener = window->findChild<LogChangeListener*>();
        list = window->findChild<QTreeView*>(u"ListView1"_s);
        context->session.addReloadStep([this] { ++reloads; });
        window->show();
    }

    // Station setup's Done on `address`, then Yes to continuing the log.
    void start(const QString& address)
    {
        QVERIFY(timer3 && listener && list);
        startup->run();
        StationSetupWindow* setup = window->setupCommand().window();
        QVERIFY(setup);
        auto* text9 = setup->findChild<QLineEdit*>(u"Text9"_s);
        QVERIFY(text9);
        text9->setText(address);
        dialogs.answerButton(DialogButton::Yes);
        QTest::mouseClick(setup->findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
        QTRY_COMPARE(startup->state(), StartupSequence::State::Ready);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(dialogs.pendingAnswers(), 0);
        // The poll runs only when a test says so: the timer never fires by
        // itself, even after the call field's focus restarts it.
        timer3->stop();
        timer3->setInterval(anHour);
        reloads = 0;
    }

    // One tick of the poll timer.
    void poll() { QVERIFY(QMetaObject::invokeMethod(timer3, "timeout")); }

    // The window becomes the active one with the focus in the call field.
    void activate()
    {
        window->focusCall();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), edit("txtCall"));
    }

    // Types into the field with the focus, key by key with the window's
    // events run in between; ' ' is Space, '\r' Enter.
    void type(const QString& keys) const
    {
        for (QChar c : keys) {
            QWidget* w = QApplication::focusWidget();
            QVERIFY2(w && w->window() == window.get(), "this position has not the focus");
            if (c == u'\r')
                QTest::keyClick(w, Qt::Key_Return);
            else
                QTest::keyClick(w, c.toLatin1());
            QCoreApplication::processEvents();
        }
    }

    // Logs a contact from the keyboard (call, name and S/P/C separated by
    // blanks); half a minute passes before the next one.
    void log(const QString& keys)
    {
        activate();
        if (QTest::currentTestFailed())
            return;
        const int before = context->session.cache().count();
        type(keys + u'\r');
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(context->session.cache().count(), before + 1);
        clock.advanceMs(30 * 1000);
    }

    // Keys sent straight to the call field: this position's operator types
    // while the window of another position is the active one.
    void typeInCall(const QString& keys) const { QTest::keyClicks(edit("txtCall"), keys); }
    void eraseCall() const
    {
        while (!edit("txtCall")->text().isEmpty())
            QTest::keyClick(edit("txtCall"), Qt::Key_Backspace);
    }

    // No change notice and no watch on the log file: only the poll tells.
    void pollOnly()
    {
        listener->stop();
        window->findChild<LogFileWatcher*>()->stop();
    }

    QLineEdit* edit(const char* name) const { return window->findChild<QLineEdit*>(QLatin1String(name)); }
    QString label(const char* name) const { return window->findChild<QLabel*>(QLatin1String(name))->text(); }
    QStringList listedCalls() const
    {
        QStringList calls;
        for (int i = 0; i < list->model()->rowCount(); ++i)
            calls << list->model()->index(i, 1).data().toString();
        return calls;
    }
    // Contacts, multipliers, score.
    QStringList score() const { return {label("lblTotCon"), label("lblsectogo"), label("lblTotScore")}; }
    bool pending() const { return context->session.reloadPending(); }
    int rowOf(const QString& call) const
    {
        const ContactCache& cache = context->session.cache();
        for (int r = 1; r <= cache.count(); ++r)
            if (cache.row(r).calls == call)
                return r;
        return 0;
    }
    ContactEditCommands& commands() const { return window->contactEditCommands(); }

    // Changes the call of a contact in the edit window and saves it.
    void editCall(const QString& from, const QString& to)
    {
        commands().cmdEdit_Click(rowOf(from));
        EditContactWindow* w = commands().editWindow();
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QLineEdit* call = w->findChild<QLineEdit*>(u"txtEditCall"_s);
        call->setFocus();
        call->selectAll();
        QTest::keyClick(call, Qt::Key_Backspace);
        QTest::keyClicks(call, to);
        QTest::mouseClick(w->findChild<QPushButton*>(u"cmdDone"_s), Qt::LeftButton);
        QVERIFY(!commands().editWindow());
    }

    // A click on the list's item `index` (counted from the top), near its
    // left end: the columns are wider than the list.
    void clickItem(int index) const
    {
        const QRect r = list->visualRect(list->model()->index(index, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 5, r.center().y()));
    }

    // Selects the contact in the list and deletes it with "Delete Contact".
    void deleteByList(const QString& call)
    {
        activate();
        if (QTest::currentTestFailed())
            return;
        const int index = int(listedCalls().indexOf(call));
        QVERIFY(index >= 0);
        clickItem(index);
        QCOMPARE(window->contactListView().selectedRow(), rowOf(call));
        auto* cmdDelete = window->findChild<QPushButton*>(u"cmdDelete"_s);
        QVERIFY(cmdDelete->isVisible());
        dialogs.answerButton(DialogButton::Yes);
        cmdDelete->click();
        QCOMPARE(dialogs.messageTitles().last(), u"Are you sure?"_s);
        QCOMPARE(rowOf(call), 0);
    }

    FakeDialogs dialogs;
    FakeBeeper beeper;
    FakeClock& clock;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<LogWindow> window;
    StartupSequence* startup = nullptr;
    QTimer* timer3 = nullptr;
    LogChangeListener* listener = nullptr;
    QTreeView* list = nullptr;
    int reloads = 0;
};

// The station: one temporary home (it sets the process's environment, so
// there is one), a new empty log, and positions A and B started on it.
struct Station {
    explicit Station(const QString& engine)
    {
        if (engine == "postgresql"_L1)
            pg = std::make_unique<PgTestDatabase>();
    }
    bool createLog()
    {
        address = pg ? pg->address() : home.path() + u"/shared log/ZELQLog.MDB"_s;
        if (!pg)
            QDir().mkpath(home.path() + u"/shared log"_s);
        return LogStore::createLog(address, &error);
    }

    TempHome home;
    // The positions' computers keep the same time.
    FakeClock clock{QDateTime(QDate(2026, 2, 14), QTime(18, 0), Qt::UTC)};
    std::unique_ptr<PgTestDatabase> pg;
    QString address;
    QString error;
    std::unique_ptr<Position> a, b;
};

#define CHECKED(statement)                                                              \
    do {                                                                                \
        statement;                                                                      \
        if (QTest::currentTestFailed())                                                 \
            return;                                                                     \
    } while (false)

// Declares `s` on `engineName`, with A and B ready on one new log, and
// `a` and `b` for them.
#define STATION_ON(s, engineName)                                                       \
    Station s(engineName);                                                              \
    if (s.pg)                                                                           \
        ZELQ_REQUIRE_PG(*s.pg);                                                         \
    QVERIFY2(s.createLog(), qPrintable(s.error));                                       \
    s.a = std::make_unique<Position>(s.home, u"posA"_s, s.clock);                       \
    CHECKED(s.a->start(s.address));                                                     \
    s.b = std::make_unique<Position>(s.home, u"posB"_s, s.clock);                       \
    CHECKED(s.b->start(s.address));                                                     \
    Position& a = *s.a;                                                                 \
    Position& b = *s.b

// The same on the engine of the data row.
#define STATION(s)                                                                      \
    QFETCH(QString, engine);                                                            \
    STATION_ON(s, engine)

void engines()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << u"sqlite"_s;
    QTest::newRow("postgresql") << u"postgresql"_s;
}

using Calls = QStringList;

} // namespace

class MultiPositionTest : public QObject {
    Q_OBJECT
private slots:
    // Unless a test is about the change notice, B hears of A only by its
    // poll (on SQLite there is no notice anyway).

    void othersContactsReachListAndScoreAtThePoll_data() { engines(); }
    void othersContactsReachListAndScoreAtThePoll()
    {
        STATION(s);
        a.pollOnly(); // the poll alone, at both positions
        b.pollOnly();
        QCOMPARE(b.listedCalls(), Calls{});
        QCOMPARE(b.score(), (QStringList{u"0"_s, u"0"_s, u"0"_s}));

        CHECKED(a.log(u"w1aw bob ct"_s));
        CHECKED(a.log(u"k1abc joe ma"_s));
        CHECKED(a.log(u"n1xyz ann ct"_s));
        QCOMPARE(a.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABC"_s, u"W1AW"_s}));
        QCOMPARE(a.score(), (QStringList{u"3"_s, u"2"_s, u"6"_s}));
        // A's own contacts are no news to A's poll.
        a.poll();
        QCOMPARE(a.reloads, 0);
        QVERIFY(!a.pending());

        QCOMPARE(b.listedCalls(), Calls{});
        QCOMPARE(b.reloads, 0);
        b.poll();
        QCOMPARE(b.reloads, 1);
        QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABC"_s, u"W1AW"_s}));
        QCOMPARE(b.score(), (QStringList{u"3"_s, u"2"_s, u"6"_s}));
        QCOMPARE(b.label("Label4"), u"2"_s);
        QVERIFY(!b.pending());
        b.poll(); // nothing new: no second reload
        QCOMPARE(b.reloads, 1);

        // And the other way round: B's contact reaches A.
        CHECKED(b.log(u"w2xyz sam ny"_s));
        QCOMPARE(b.score(), (QStringList{u"4"_s, u"3"_s, u"12"_s}));
        a.poll();
        QCOMPARE(a.reloads, 1);
        QCOMPARE(a.listedCalls().first(), u"W2XYZ"_s);
        QCOMPARE(a.score(), (QStringList{u"4"_s, u"3"_s, u"12"_s}));
    }

    void pollWaitsWhileACallIsTypedOrAContactEdited_data() { engines(); }
    void pollWaitsWhileACallIsTypedOrAContactEdited()
    {
        STATION(s);
        b.pollOnly();
        b.typeInCall(u"K1A"_s);
        CHECKED(a.log(u"w1aw bob ct"_s));
        QCOMPARE(b.edit("txtCall")->text(), u"K1A"_s);

        // Tick after tick the change waits while the call is there.
        for (int tick = 0; tick < 2; ++tick) {
            b.poll();
            QCOMPARE(b.reloads, 0);
            QVERIFY(b.pending());
            QCOMPARE(b.listedCalls(), Calls{});
            QCOMPARE(b.label("lblTotCon"), u"0"_s);
        }
        // Emptying the field reloads nothing by itself; the next tick does.
        b.eraseCall();
        QCOMPARE(b.reloads, 0);
        b.poll();
        QCOMPARE(b.reloads, 1);
        QVERIFY(!b.pending());
        QCOMPARE(b.listedCalls(), Calls{u"W1AW"_s});
        QCOMPARE(b.label("lblTotCon"), u"1"_s);

        // Or the call field's focus does, without waiting for the tick.
        b.typeInCall(u"K2"_s);
        CHECKED(a.log(u"k1abc joe ma"_s));
        b.poll();
        QCOMPARE(b.reloads, 1);
        b.eraseCall();
        CHECKED(b.activate());
        QCOMPARE(b.reloads, 2);
        QCOMPARE(b.listedCalls(), (Calls{u"K1ABC"_s, u"W1AW"_s}));
        QCOMPARE(b.score(), (QStringList{u"2"_s, u"2"_s, u"4"_s}));

        // While B edits a contact the rows keep their numbers; the end of
        // the edit reloads.
        b.commands().cmdEdit_Click(b.rowOf(u"W1AW"_s));
        QVERIFY(b.commands().editWindow());
        CHECKED(a.log(u"n1xyz ann ct"_s));
        b.poll();
        QCOMPARE(b.reloads, 2);
        QCOMPARE(b.listedCalls(), (Calls{u"K1ABC"_s, u"W1AW"_s}));
        QTest::mouseClick(b.commands().editWindow()->findChild<QPushButton*>(u"cmdClose"_s),
                          Qt::LeftButton);
        QVERIFY(!b.commands().editWindow());
        QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABC"_s, u"W1AW"_s}));
    }

    // An SQLite log tells its poll of every commit elsewhere, an edit
    // alone included; a log server's poll compares counts (its notices,
    // switched off here, tell of edits), so there an edit alone waits for
    // the next change of the count.
    void editAndDeleteElsewhereReachAtThePoll_data() { engines(); }
    void editAndDeleteElsewhereReachAtThePoll()
    {
        STATION(s);
        const bool server = engine == u"postgresql"_s;
        b.pollOnly();
        CHECKED(a.log(u"w1aw bob ct"_s));
        CHECKED(a.log(u"k1abc joe ma"_s));
        CHECKED(a.log(u"n1xyz ann ct"_s));
        b.poll();
        QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABC"_s, u"W1AW"_s}));

        CHECKED(a.editCall(u"K1ABC"_s, u"K1ABD"_s));
        QCOMPARE(a.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABD"_s, u"W1AW"_s}));
        b.poll();
        QCOMPARE(b.reloads, server ? 1 : 2);
        QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, server ? u"K1ABC"_s : u"K1ABD"_s, u"W1AW"_s}));

        CHECKED(a.deleteByList(u"W1AW"_s));
        QCOMPARE(a.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABD"_s}));
        b.poll();
        QCOMPARE(b.reloads, server ? 2 : 3);
        QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABD"_s}));
        QCOMPARE(b.score(), (QStringList{u"2"_s, u"2"_s, u"4"_s}));
        // B's edit window reads its copy: the contact as A left it.
        QCOMPARE(b.context->session.cache().row(b.rowOf(u"K1ABD"_s)).spc, u"MA"_s);
    }

    // A deletion and an insertion between two polls leave the count as it
    // was: SQLite's poll sees them all the same; a log server's poll waits
    // for the next change of the count (its notices tell at once).
    void deleteAndInsertInOneInterval_data() { engines(); }
    void deleteAndInsertInOneInterval()
    {
        STATION(s);
        const bool server = engine == u"postgresql"_s;
        b.pollOnly();
        CHECKED(a.log(u"w1aw bob ct"_s));
        CHECKED(a.log(u"k1abc joe ma"_s));
        b.poll();
        QCOMPARE(b.listedCalls(), (Calls{u"K1ABC"_s, u"W1AW"_s}));

        CHECKED(a.deleteByList(u"W1AW"_s));
        CHECKED(a.log(u"n1xyz ann nh"_s));
        b.poll();
        QCOMPARE(b.reloads, server ? 1 : 2);
        QVERIFY(!b.pending());
        if (server) {
            QCOMPARE(b.listedCalls(), (Calls{u"K1ABC"_s, u"W1AW"_s}));
            QCOMPARE(b.score(), (QStringList{u"2"_s, u"2"_s, u"4"_s}));
        } else {
            QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABC"_s}));
            QCOMPARE(b.score(), (QStringList{u"2"_s, u"2"_s, u"4"_s}));
        }

        // The next contact brings all of it.
        CHECKED(a.log(u"k2xyz sam ny"_s));
        b.poll();
        QCOMPARE(b.reloads, server ? 2 : 3);
        QCOMPARE(b.listedCalls(), (Calls{u"K2XYZ"_s, u"N1XYZ"_s, u"K1ABC"_s}));
        QCOMPARE(b.score(), (QStringList{u"3"_s, u"3"_s, u"9"_s}));
    }

    // On SQLite, B sees A's contacts, edits and deletions as soon as A has
    // written the file, without the poll; A's own writes cost A nothing.
    void fileWatchBringsEverythingAtOnce()
    {
        STATION_ON(s, u"sqlite"_s);
        a.timer3->stop();
        b.timer3->stop();
        const int loadsAtB = b.context->session.loadCount();
        CHECKED(a.log(u"w1aw bob ct"_s));
        CHECKED(a.log(u"k1abc joe ma"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.listedCalls() == (Calls{u"K1ABC"_s, u"W1AW"_s}), 1000);
        QCOMPARE(b.context->session.loadCount(), loadsAtB); // the rows alone were read
        QCOMPARE(b.score(), (QStringList{u"2"_s, u"2"_s, u"4"_s}));

        CHECKED(a.editCall(u"K1ABC"_s, u"K1ABD"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.listedCalls() == (Calls{u"K1ABD"_s, u"W1AW"_s}), 1000);
        CHECKED(a.deleteByList(u"W1AW"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.listedCalls() == Calls{u"K1ABD"_s}, 1000);
        QCOMPARE(b.score(), (QStringList{u"1"_s, u"1"_s, u"1"_s}));

        // While B types a call, the change waits for the field to empty.
        b.typeInCall(u"K2"_s);
        CHECKED(a.log(u"n1xyz ann ct"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.pending(), 1000);
        QCOMPARE(b.listedCalls(), Calls{u"K1ABD"_s});
        b.eraseCall();
        CHECKED(b.activate());
        QCOMPARE(b.listedCalls(), (Calls{u"N1XYZ"_s, u"K1ABD"_s}));

        // A's own contacts and its own reloads after its edits were all A did.
        const int loadsAtA = a.context->session.loadCount();
        a.reloads = 0;
        CHECKED(a.log(u"k2xyz sam ny"_s));
        QTest::qWait(200);
        QCOMPARE(a.reloads, 0);
        QCOMPARE(a.context->session.loadCount(), loadsAtA);
    }

    // On the server, B hears of A's contacts at once, without the poll.
    void changeNoticeBringsOthersContactsWithinASecond()
    {
        STATION_ON(s, u"postgresql"_s);
        QTRY_VERIFY_WITH_TIMEOUT(b.listener->isListening(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(a.listener->isListening(), 5000);
        const int loadsAtA = a.context->session.loadCount();
        const int loadsAtB = b.context->session.loadCount();

        CHECKED(a.log(u"w1aw bob ct"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.listedCalls() == Calls{u"W1AW"_s}, 1000);
        QCOMPARE(b.score(), (QStringList{u"1"_s, u"1"_s, u"1"_s}));
        QVERIFY(!b.timer3->isActive());
        QCOMPARE(b.reloads, 1);
        // B took the row from the notice; A's own notice cost A nothing.
        QCOMPARE(b.context->session.loadCount(), loadsAtB);
        QTest::qWait(200);
        QCOMPARE(a.reloads, 0);
        QCOMPARE(a.context->session.loadCount(), loadsAtA);

        // While B types a call the notice waits like the poll; the call
        // field's focus brings it.
        b.typeInCall(u"K1"_s);
        CHECKED(a.log(u"k1abc joe ma"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.pending(), 1000);
        QCOMPARE(b.reloads, 1);
        b.eraseCall();
        CHECKED(b.activate());
        QCOMPARE(b.listedCalls(), (Calls{u"K1ABC"_s, u"W1AW"_s}));
        b.timer3->stop();

        // A deletion changes the count: it comes by the notice too.
        CHECKED(a.deleteByList(u"W1AW"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.listedCalls() == Calls{u"K1ABC"_s}, 1000);
        QCOMPARE(b.score(), (QStringList{u"1"_s, u"1"_s, u"1"_s}));
        QVERIFY(!b.timer3->isActive());
    }

    // The server says the table changed; what B does with it.
    void changeNoticeOfAnEditAndDuringASelection()
    {
        STATION_ON(s, u"postgresql"_s);
        QTRY_VERIFY_WITH_TIMEOUT(b.listener->isListening(), 5000);
        CHECKED(a.log(u"w1aw bob ct"_s));
        CHECKED(a.log(u"k1abc joe ma"_s));
        QTRY_VERIFY_WITH_TIMEOUT(b.listedCalls().size() == 2, 1000);

        CHECKED(a.editCall(u"K1ABC"_s, u"K1ABD"_s));
        QTest::qWait(1000);
        QCOMPARE(b.listedCalls(), (Calls{u"K1ABD"_s, u"W1AW"_s}));

        // B's operator selects a contact (to edit or delete it): the
        // selection must outlast A's next contact; back in the call field,
        // the contact comes.
        CHECKED(b.activate());
        const QStringList before = b.listedCalls();
        b.clickItem(1);
        const int selected = b.window->contactListView().selectedRow();
        QVERIFY(selected > 0);
        QVERIFY(!b.timer3->isActive());
        CHECKED(a.log(u"n1xyz ann ct"_s));
        QTest::qWait(1000);
        QCOMPARE(b.window->contactListView().selectedRow(), selected);
        CHECKED(b.activate());
        QCOMPARE(b.listedCalls().size(), before.size() + 1);
        QCOMPARE(b.listedCalls().first(), u"N1XYZ"_s);
    }
};

QTEST_MAIN(MultiPositionTest)
#include "tst_multi_position.moc"
