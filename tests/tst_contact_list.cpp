// The contact list and the refresh of the shared log: which rows the two
// filters list and how they read, the list widget's clicks, sorting and
// copy, the poll between two positions of one log, the backup cadence, the
// refresh-rate question, and the server's change notices.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "log/LogChangeListener.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "score/ContactList.h"
#include "score/RefreshPoll.h"
#include "ui/ContactListView.h"
#include "ui/WindowLayout.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyle>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace zelq;
using namespace zelq::test;

using Rows = std::vector<int>;
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

Contact contact(const QString& call, const QString& band, const QString& time = u"18:00:00"_s,
                const QString& date = u"2024/06/22"_s)
{
    return {call, u"BOB"_s, u"CT"_s, u"NA"_s, date, time, band, u"DAVE"_s, u"1"_s};
}

// `n` rows with calls C1..Cn; row r is on bands[(r - 1) % bands.size()].
ContactCache cacheOf(int n, const QStringList& bands = {u"20"_s})
{
    ContactCache cache;
    for (int r = 1; r <= n; ++r)
        cache.append(contact(u"C%1"_s.arg(r), bands[(r - 1) % bands.size()]));
    return cache;
}

Rows descending(int from, int to, int step = 1)
{
    Rows rows;
    for (int r = from; r >= to; r -= step)
        rows.push_back(r);
    return rows;
}

QStringList column(const QTreeView* list, int c)
{
    QStringList texts;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        texts << list->model()->index(i, c).data().toString();
    return texts;
}

QPoint centreOf(QTreeView* list, int item)
{
    return list->visualRect(list->model()->index(item, 0)).center();
}

// A position of the contest on a shared log.
struct Position {
    explicit Position(const QString& name) : store(name), session(store, dialogs), poll(session)
    {
        session.addReloadStep([this] { ++reloads; });
    }
    LogStore store;
    FakeDialogs dialogs;
    LogSession session;
    RefreshPoll poll;
    int reloads = 0;
};

} // namespace

class ContactListTest : public QObject {
    Q_OBJECT
private slots:
    void rowsUnderTheFilters_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("band");
        QTest::addColumn<bool>("allRows");
        QTest::addColumn<bool>("allBands");
        QTest::addColumn<Rows>("expected");
        // Every band: the newest 20, or all.
        QTest::newRow("empty log") << 0 << u"20"_s << false << true << Rows{};
        QTest::newRow("5, last 20") << 5 << u"20"_s << false << true << descending(5, 1);
        QTest::newRow("20, last 20") << 20 << u"20"_s << false << true << descending(20, 1);
        QTest::newRow("30, last 20") << 30 << u"20"_s << false << true << descending(30, 11);
        QTest::newRow("30, all") << 30 << u"20"_s << true << true << descending(30, 1);
        // Bands 20, 40, 80, 40, 10, ... repeating over 100 rows: 40 is on
        // rows 2, 4, 7, 9, ..., 40 rows in all, far more than 20 rows back.
        Rows on40;
        for (int r = 100; r >= 1; --r)
            if ((r - 1) % 5 == 1 || (r - 1) % 5 == 3)
                on40.push_back(r);
        QTest::newRow("current band, last 20")
            << 100 << u"40"_s << false << false << Rows(on40.begin(), on40.begin() + 20);
        QTest::newRow("current band, all") << 100 << u"40"_s << true << false << on40;
        QTest::newRow("band not in the log") << 100 << u"160"_s << false << false << Rows{};
        QTest::newRow("band not in the log, all") << 100 << u"160"_s << true << false << Rows{};
    }
    void rowsUnderTheFilters()
    {
        QFETCH(int, count);
        QFETCH(QString, band);
        QFETCH(bool, allRows);
        QFETCH(bool, allBands);
        QFETCH(Rows, expected);
        const ContactCache cache = cacheOf(count, {u"20"_s, u"40"_s, u"80"_s, u"40"_s, u"10"_s});
        QCOMPARE(FillContactListRows(cache, band, allRows, allBands), expected);
    }

    void bandMatchIgnoresCase()
    {
        ContactCache cache;
        cache.append(contact(u"A"_s, u"2m"_s));
        cache.append(contact(u"B"_s, u"20"_s));
        cache.append(contact(u"C"_s, u"2M"_s));
        QCOMPARE(FillContactListRows(cache, u"2M"_s, false, false), (Rows{3, 1}));
    }

    void itemTexts()
    {
        ContactCache cache;
        cache.append({u"W1AW"_s, u"HIRAM"_s, u"CT"_s, u"NA"_s, u"2024/12/07"_s, u"18:05:59"_s,
                      u"20"_s, u"DAVE"_s, u"3"_s});
        cache.append(contact(u"K2X"_s, u"40"_s, u"8:05"_s, u"2025/01/31"_s));
        cache.append(contact(u"K3X"_s, u"40"_s, u"late"_s, u"sometime"_s));
        QCOMPARE(contactListItem(cache, 1),
                 (QStringList{u"1"_s, u"W1AW"_s, u"HIRAM"_s, u"CT"_s, u"NA"_s, u"12/07 18:05"_s,
                              u"20"_s, u"DAVE"_s, u"3"_s}));
        QCOMPARE(contactListItem(cache, 2).at(5), u"01/31 08:05"_s);
        QCOMPARE(contactListItem(cache, 3).at(5), u"sometime late"_s); // shown as stored
        QCOMPARE(contactListItem(cache, 3).at(0), u"3"_s);
    }

    void clipboardTextListsOldestFirst()
    {
        const QString header = u"Rec#\tCall\tName\tSPC\tCont\tDate/Time\tBnd\tName Snt\tTr\r\n"_s;
        const QStringList newest{u"2"_s, u"K1\tX"_s, u"AL\r\nBOB"_s, u""_s, u"NA"_s,
                                 u"06/22 18:01"_s, u"20"_s, u"DAVE"_s, u"1"_s};
        const QStringList oldest{u"1"_s, u"W1AW"_s, u"HIRAM"_s, u"CT"_s, u"NA"_s,
                                 u"06/22 18:00"_s, u"40"_s, u"DAVE"_s, u"1"_s};
        // A tab or line break inside a field would split the contact.
        QCOMPARE(contactListClipboardText({newest, oldest}),
                 header + u"1\tW1AW\tHIRAM\tCT\tNA\t06/22 18:00\t40\tDAVE\t1\r\n"_s
                     + u"2\tK1 X\tAL  BOB\t\tNA\t06/22 18:01\t20\tDAVE\t1\r\n"_s);
    }

    void viewFiltersAndCaptions()
    {
        ContactListView view;
        const ContactCache cache = cacheOf(30, {u"20"_s, u"40"_s});
        QString band = u"40"_s;
        view.currentBand = [&] { return band; };
        QSignalSpy focus(&view, &ContactListView::focusCallRequested);
        QTreeView* list = view.list();
        QCOMPARE(list->model()->columnCount(), 9);
        QCOMPARE(list->model()->headerData(8, Qt::Horizontal).toString(), u"Tr"_s);
        QCOMPARE(view.listButton()->text(), u"Last 20"_s);
        QCOMPARE(view.bandButton()->text(), u"All Bands"_s);

        view.FillContactList(cache, u"20"_s);
        QStringList newest20;
        for (int r : descending(30, 11))
            newest20 << QString::number(r);
        QCOMPARE(column(list, 0), newest20);

        view.listButton()->click();
        QCOMPARE(view.listButton()->text(), u"All"_s);
        QCOMPARE(list->model()->rowCount(), 30);
        QCOMPARE(focus.count(), 1);

        // Refilled with the band of the moment: even rows are on 40.
        view.bandButton()->click();
        QCOMPARE(view.bandButton()->text(), u"Current Band"_s);
        QCOMPARE(list->model()->rowCount(), 15);
        QCOMPARE(column(list, 6), QStringList(15, u"40"_s));
        QCOMPARE(column(list, 0).first(), u"30"_s);
        QCOMPARE(focus.count(), 2);

        view.listButton()->click();
        QCOMPARE(view.listButton()->text(), u"Last 20"_s);
        QCOMPARE(list->model()->rowCount(), 15);
        band = u"160"_s;
        view.bandButton()->click();
        view.bandButton()->click();
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(focus.count(), 5);
    }

    // The form size scales the fonts after the list is built and filled;
    // every column must still show its header and its widest text whole.
    void columnsFitHeadersAndTextsAtEveryFormSize()
    {
        QWidget window;
        auto* view = new ContactListView(&window);
        QTreeView* list = view->list();
        ContactCache cache = cacheOf(25);
        cache.append(Contact{u"VE3ABC/VE8"_s, u"MAXIMILIANO"_s, u"NWT"_s, u"NA"_s, u"2024/12/07"_s,
                             u"18:05:59"_s, u"160"_s, u"WWWWWWWWWWWW"_s, u"10"_s});
        view->FillContactList(cache, u"20"_s);

        const auto check = [&](const char* when) {
            const QFontMetrics items(list->font());
            const QFontMetrics headers(list->header()->font());
            const int textMargin =
                2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
            const int headerMargin =
                2 * list->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, list->header());
            for (int c = 0; c < list->model()->columnCount(); ++c) {
                const int width = list->header()->sectionSize(c);
                const QString head = list->model()->headerData(c, Qt::Horizontal).toString();
                QVERIFY2(width >= headers.horizontalAdvance(head) + headerMargin,
                         qPrintable(u"%1: header %2 cut off"_s.arg(when, head)));
                for (int i = 0; i < list->model()->rowCount(); ++i) {
                    const QString text = list->model()->index(i, c).data().toString();
                    QVERIFY2(width >= items.horizontalAdvance(text) + textMargin,
                             qPrintable(u"%1: %2 cut off in column %3"_s.arg(when, text, head)));
                }
            }
        };
        check("unscaled");
        if (QTest::currentTestFailed())
            return;
        // form sizes from 30 % of a laptop screen to a full 4K screen
        for (const auto& [percent, screenWidth] :
             {std::pair{30, 1280}, {75, 1920}, {100, 1920}, {100, 3840}, {60, 1280}}) {
            scaleFont(&window, layoutScale(percent, screenWidth));
            check(qPrintable(u"%1 % of %2"_s.arg(percent).arg(screenWidth)));
            view->FillContactList(cache, u"20"_s);
            check(qPrintable(u"%1 % of %2, refilled"_s.arg(percent).arg(screenWidth)));
            if (QTest::currentTestFailed())
                return;
        }

        // a longer text in a later fill widens its column
        cache.append(Contact{u"W1AW"_s, u"BARTHOLOMEW-ALEXANDER"_s, u"CT"_s, u"NA"_s,
                             u"2024/12/07"_s, u"18:06"_s, u"20"_s, u"AVA WAVE TAY"_s, u"1"_s});
        view->FillContactList(cache, u"20"_s);
        check("after a longer name");

        // and one put among the earlier rows (logged elsewhere, a moment
        // before), with every row listed
        view->listButton()->click();
        cache.insertInTimeOrder(Contact{u"KH6/W1ABCDEFG"_s, u"MARIA-KATHERINE-ALEXANDRA"_s, u"CT"_s,
                                        u"NA"_s, u"2024/06/22"_s, u"17:59:59"_s, u"20"_s,
                                        u"DAVE"_s, u"1"_s});
        cache.insertInTimeOrder(Contact{u"W1AW"_s, u"AL"_s, u"CT"_s, u"NA"_s, u"2024/06/22"_s,
                                        u"17:59:58"_s, u"20"_s, u"WILHELMINA-JOSEPHINE"_s, u"1"_s});
        view->FillContactList(cache, u"20"_s);
        check("after longer texts among earlier rows");
    }

    void columnClickSortsOnceAsText()
    {
        ContactListView view;
        view.resize(900, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const ContactCache cache = cacheOf(12);
        view.FillContactList(cache, u"20"_s);
        QTreeView* list = view.list();
        QSignalSpy clicked(&view, &ContactListView::listClicked);

        QHeaderView* header = list->header();
        const QPoint recHeader(header->sectionViewportPosition(0) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, recHeader);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(column(list, 0), (QStringList{u"1"_s, u"10"_s, u"11"_s, u"12"_s, u"2"_s, u"3"_s,
                                               u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s, u"9"_s}));
        QVERIFY(!list->isSortingEnabled());

        // The next fill is newest first again.
        ContactCache more = cacheOf(13);
        view.FillContactList(more, u"20"_s);
        QCOMPARE(column(list, 0).first(), u"13"_s);
        QCOMPARE(column(list, 0).last(), u"1"_s);
    }

    void clicksSelectionAndRightButton()
    {
        ContactListView view;
        view.resize(900, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTreeView* list = view.list();
        QSignalSpy clicked(&view, &ContactListView::listClicked);
        QSignalSpy selected(&view, &ContactListView::itemSelected);
        QSignalSpy edit(&view, &ContactListView::editRequested);
        const QPoint blank(20, list->viewport()->height() - 5);

        // An empty list: a click stops the poll, a right click edits nothing.
        ContactCache none;
        view.FillContactList(none, u"20"_s);
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, blank);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(edit.count(), 0);
        QCOMPARE(view.selectedRow(), 0);

        const ContactCache cache = cacheOf(5);
        view.FillContactList(cache, u"20"_s);
        // Contacts listed but none selected: nothing to edit.
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, blank);
        QCOMPARE(edit.count(), 0);

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, 1));
        QCOMPARE(view.selectedRow(), 4);
        QCOMPARE(selected.count(), 1);
        // The selected item clicked again is reported again, once.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, 1));
        QCOMPARE(selected.count(), 2);

        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, centreOf(list, 3));
        QCOMPARE(view.selectedRow(), 2);
        QCOMPARE(edit.count(), 1);
        QCOMPARE(clicked.count(), 5);

        // A refill leaves nothing selected.
        view.FillContactList(cache, u"20"_s);
        QCOMPARE(view.selectedRow(), 0);
    }

    void copyOfAnEmptyListIsTheHeaderLine()
    {
        ContactListView view;
        ContactCache none;
        view.FillContactList(none, u"20"_s);
        QGuiApplication::clipboard()->setText(u"left over"_s);
        view.copyToClipboard();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 u"Rec#\tCall\tName\tSPC\tCont\tDate/Time\tBnd\tName Snt\tTr\r\n"_s);
    }

    void refreshRateAnswers_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<std::optional<int>>("result");
        QTest::addColumn<bool>("invalidMessage");
        QTest::newRow("5999") << std::optional(u"5999"_s) << std::optional<int>() << false;
        QTest::newRow("60001") << std::optional(u"60001"_s) << std::optional<int>() << false;
        QTest::newRow("6000") << std::optional(u"6000"_s) << std::optional(6000) << false;
        QTest::newRow("60000") << std::optional(u" 60000 "_s) << std::optional(60000) << false;
        QTest::newRow("fraction") << std::optional(u"6000.4"_s) << std::optional(6000) << false;
        QTest::newRow("abc") << std::optional(u"abc"_s) << std::optional<int>() << true;
        QTest::newRow("empty") << std::optional(QString()) << std::optional<int>() << true;
        QTest::newRow("cancel") << std::optional<QString>() << std::optional<int>() << true;
    }
    void refreshRateAnswers()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(std::optional<int>, result);
        QFETCH(bool, invalidMessage);
        FakeDialogs dialogs;
        FakeBeeper beeper;
        dialogs.answerText(answer);
        if (invalidMessage)
            dialogs.answerButton(DialogButton::Ok);
        QCOMPARE(mnuRefreshRate_Click(dialogs, 30000, &beeper), result);
        QCOMPARE(dialogs.unscripted, 0);
        QCOMPARE(dialogs.asked.first().title, u"Refresh Rate Settings"_s);
        QCOMPARE(dialogs.asked.first().defaultText, u"30000"_s);
        QCOMPARE(dialogs.asked.first().text,
                 u"How often do you want the program to check the log to update the contact list "
                 "and score statistics?  This does not effect dupe checking.  Dupe checking is "
                 "always done in real time.  Use 60000 for slower PC's (less than 300 MHz)\r\n\r\n"
                 "Please enter a value in milliseconds from 6000 (six seconds) to 60000 (one "
                 "minute)."_s);
        QCOMPARE(dialogs.messageTitles(),
                 invalidMessage ? QStringList{u"Invalid Value."_s} : QStringList{});
        if (invalidMessage)
            QCOMPARE(dialogs.asked.last().text, u"Invalid value."_s);
        QCOMPARE(beeper.count, invalidMessage ? 1 : 0);
    }

    void storedRefreshRateOutsideTheRangeFallsBack()
    {
        QCOMPARE(refreshIntervalMs(6000), 6000);
        QCOMPARE(refreshIntervalMs(60000), 60000);
        QCOMPARE(refreshIntervalMs(0), 60000);
        QCOMPARE(refreshIntervalMs(-1e9), 60000);
        QCOMPARE(refreshIntervalMs(qQNaN()), 60000);
    }

    void pollBetweenTwoPositions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"shared log.MDB"_s);
        QString error;
        QVERIFY2(LogStore::createLog(path, &error), qPrintable(error));
        Position a(u"posA"_s), b(u"posB"_s);
        QVERIFY(a.session.connectLog(path, QString()));
        QVERIFY(b.session.connectLog(path, QString()));
        QVERIFY(a.session.WorkList() && b.session.WorkList());
        a.reloads = b.reloads = 0;

        // A's own contact is known to A at once.
        QVERIFY(a.session.insertContact(contact(u"W1AW"_s, u"20"_s)));
        QCOMPARE(a.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Unchanged);
        QCOMPARE(a.reloads, 0);

        // While the keyer sends, B does not even look.
        QCOMPARE(b.poll.CheckLogChanged(true, true), RefreshPoll::Outcome::Skipped);
        QVERIFY(!b.session.reloadPending());
        QCOMPARE(b.session.knownRowCount(), 0.0);

        // B is typing a call: the change waits, over more than one tick.
        QCOMPARE(b.poll.CheckLogChanged(false, false), RefreshPoll::Outcome::Deferred);
        QCOMPARE(b.poll.CheckLogChanged(false, false), RefreshPoll::Outcome::Deferred);
        QVERIFY(b.session.reloadPending());
        QCOMPARE(b.session.knownRowCount(), 1.0);
        QCOMPARE(b.reloads, 0);
        QCOMPARE(b.session.cache().count(), 0);
        // The call field is empty again.
        QCOMPARE(b.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Reloaded);
        QCOMPARE(b.reloads, 1);
        QCOMPARE(b.session.cache().count(), 1);
        QVERIFY(!b.session.reloadPending());
        QCOMPARE(b.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Unchanged);

        // One deleted and one logged elsewhere within one interval: the
        // count is the same, the change is seen all the same.
        QVERIFY(a.store.deleteOne(u"W1AW"_s, u"20"_s, u"18:00:00"_s));
        QVERIFY(a.session.insertContact(contact(u"K1ABC"_s, u"40"_s)));
        QCOMPARE(b.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Reloaded);
        QCOMPARE(b.reloads, 2);
        QCOMPARE(b.session.cache().count(), 1);
        QCOMPARE(b.session.cache().row(1).calls, u"K1ABC"_s);
        // An edit alone, too.
        QVERIFY(a.store.update(contact(u"K1ABD"_s, u"40"_s), u"K1ABC"_s, u"40"_s, u"18:00:00"_s));
        QCOMPARE(b.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Reloaded);
        QCOMPARE(b.session.cache().row(1).calls, u"K1ABD"_s);
        QCOMPARE(b.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Unchanged);

        // A count that cannot be read reloads even while a call is typed;
        // the failed reload keeps the copy and stays pending.
        QStringList status;
        b.session.onStatus = [&](const QString& s) { status << s; };
        b.store.close();
        QFile::rename(path, path + u".away"_s);
        QCOMPARE(b.poll.CheckLogChanged(false, false), RefreshPoll::Outcome::Reloaded);
        QCOMPARE(status.size(), 1);
        QCOMPARE(b.session.cache().count(), 1);
        QVERIFY(b.session.reloadPending());
        QFile::rename(path + u".away"_s, path);
        QCOMPARE(b.poll.CheckLogChanged(false, true), RefreshPoll::Outcome::Reloaded);
        QCOMPARE(b.session.cache().row(1).calls, u"K1ABD"_s);
        QVERIFY(!b.session.reloadPending());
    }

    void backupOnEverySixteenthTick()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"log.MDB"_s);
        QVERIFY(LogStore::createLog(path, nullptr));
        Position a(u"posA"_s);
        QVERIFY(a.session.connectLog(path, QString()));
        QVERIFY(a.session.WorkList());
        int backups = 0;
        QList<int> backupTicks;
        a.poll.backupLog = [&] { ++backups; };
        for (int tick = 1; tick <= 48; ++tick) {
            // Sending CW skips the poll, not the tick.
            a.poll.Timer3_Timer(tick % 3 == 0, true);
            if (backups > backupTicks.size())
                backupTicks << tick;
        }
        QCOMPARE(backupTicks, (QList<int>{16, 32, 48}));
        QCOMPARE(a.poll.tickCount(), 0);

        RefreshPoll withoutBackup(a.session);
        for (int tick = 1; tick <= 16; ++tick)
            withoutBackup.Timer3_Timer(false, true);
        QCOMPARE(withoutBackup.tickCount(), 0);
    }

    void listenerHearsOtherConnections()
    {
        PgTestDatabase db;
        ZELQ_REQUIRE_PG(db);
        QString error;
        QVERIFY2(LogStore::createLog(db.address(), &error), qPrintable(error));
        LogStore other(u"other"_s);
        QVERIFY2(other.connect(db.address()), qPrintable(other.errorString()));

        LogChangeListener listener;
        QSignalSpy changed(&listener, &LogChangeListener::changed);
        listener.listen(db.address(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(listener.isListening(), 5000);

        QVERIFY(other.insert(contact(u"W1AW"_s, u"20"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 1000);

        // A burst of changes comes out as few notices, not one each.
        changed.clear();
        for (int i = 0; i < 20; ++i)
            QVERIFY(other.insert(contact(u"K%1X"_s.arg(i), u"40"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 1, 1000);
        QTest::qWait(400);
        QVERIFY2(changed.count() < 5, qPrintable(QString::number(changed.count())));

        // The server drops the connection: it is reopened, and since notices
        // may have been missed meanwhile, one is given.
        {
            const QUrl url(db.address());
            QSqlDatabase admin = QSqlDatabase::addDatabase(u"QPSQL"_s, u"admin"_s);
            admin.setHostName(url.host());
            admin.setPort(url.port(5432));
            admin.setUserName(url.userName());
            admin.setDatabaseName(url.path().mid(1));
            QVERIFY2(admin.open(), qPrintable(admin.lastError().text()));
            QSqlQuery q(admin);
            QVERIFY2(q.exec(u"select pg_terminate_backend(pid) from pg_stat_activity "
                            "where application_name = 'zelq-listener' and datname = current_database()"_s),
                     qPrintable(q.lastError().text()));
            QVERIFY(q.next() && q.value(0).toBool());
        }
        QSqlDatabase::removeDatabase(u"admin"_s);
        changed.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!listener.isListening(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(listener.isListening(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 1000);
        QVERIFY(other.deleteOne(u"W1AW"_s, u"20"_s, u"18:00:00"_s));
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 2, 1000);

        // Stopped: nothing more.
        listener.stop();
        QVERIFY(!listener.isListening());
        changed.clear();
        QVERIFY(other.insert(contact(u"N1N"_s, u"20"_s)));
        QTest::qWait(500);
        QCOMPARE(changed.count(), 0);
    }

    void listenerIgnoresSQLiteLogs()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"log.MDB"_s);
        QVERIFY(LogStore::createLog(path, nullptr));
        LogStore other(u"other"_s);
        QVERIFY(other.connect(path));
        LogChangeListener listener;
        QSignalSpy changed(&listener, &LogChangeListener::changed);
        listener.listen(path, QString());
        QVERIFY(!listener.isListening());
        QVERIFY(other.insert(contact(u"W1AW"_s, u"20"_s)));
        QTest::qWait(500);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!listener.isListening());
    }
};

QTEST_MAIN(ContactListTest)
#include "tst_contact_list.moc"
