// Following the other positions' changes: after any mix of inserts, edits
// and deletes at two positions, what a third (and each of the two) holds
// after catching up is what a full load gives; rows only added come
// without a full load; a position's own contacts cost it nothing. And the
// in-memory log's indexes give what a plain walk over it gives.
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "log/DuplicateCheck.h"
#include "log/LogChangeListener.h"
#include "log/LogSession.h"
#include "log/LogStore.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

using namespace Qt::StringLiterals;
using namespace zelq;
using namespace zelq::test;

namespace {

struct Position {
    explicit Position(const QString& name) : store(name), session(store, dialogs)
    {
        session.addReloadStep([this] { ++refreshes; });
    }
    bool start(const QString& address)
    {
        if (!session.connectLog(address, QString()) || !session.WorkList())
            return false;
        if (LogAddress::parse(address, QString()).isServer()) {
            listener.listen(address, QString());
            QDeadlineTimer patience(5000);
            while (!listener.isListening() && !patience.hasExpired())
                QTest::qWait(20);
            return listener.isListening();
        }
        return true;
    }
    // What the poll or a notice would do, with the call field empty.
    void catchUp()
    {
        if (store.address().isServer()) {
            const QStringList notices = listener.takeNotices();
            if (!notices.isEmpty())
                session.takeNotices(notices);
        } else
            session.lookForChanges();
        if (session.reloadPending())
            session.catchUp();
    }
    LogStore store;
    FakeDialogs dialogs;
    LogSession session;
    LogChangeListener listener;
    int refreshes = 0;
};

// Rows of one date and time are in no defined order in a load: compare
// them as sets.
std::vector<Contact> canonical(std::vector<Contact> rows)
{
    auto tie = [](const Contact& c) { return c.flddate + c.fldtime; };
    auto key = [](const Contact& c) {
        QString k;
        for (int i = 0; i < ColumnCount; ++i)
            k += c.at(i) + QChar(0x1f);
        return k;
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const Contact& a, const Contact& b) {
        const int t = QString::compare(tie(a), tie(b), Qt::CaseInsensitive);
        return t != 0 ? t < 0 : key(a) < key(b);
    });
    return rows;
}

QString describe(const std::vector<Contact>& rows)
{
    QStringList s;
    for (const Contact& c : rows)
        s << c.calls + u"@"_s + c.fldtime;
    return s.join(u' ');
}

} // namespace

class LogFollowTest : public QObject {
    Q_OBJECT
private slots:
    void catchingUpEqualsAFullLoad_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }
    void catchingUpEqualsAFullLoad()
    {
        QFETCH(bool, server);
        QTemporaryDir dir;
        std::unique_ptr<PgTestDatabase> pg;
        QString address = dir.filePath(u"log.MDB"_s);
        if (server) {
            pg = std::make_unique<PgTestDatabase>();
            ZELQ_REQUIRE_PG(*pg);
            address = pg->address();
        }
        QString error;
        QVERIFY2(LogStore::createLog(address, &error), qPrintable(error));
        Position a(u"a"_s), b(u"b"_s), watcher(u"c"_s);
        QVERIFY(a.start(address) && b.start(address) && watcher.start(address));

        QRandomGenerator rng(20);
        int minute = 0, serial = 0;
        int fullLoadsBefore = watcher.session.loadCount();
        int onlyAddedRounds = 0;
        for (int round = 0; round < 80; ++round) {
            bool onlyAdded = true;
            const int ops = 1 + int(rng.bounded(3));
            for (int op = 0; op < ops; ++op) {
                Position& p = rng.bounded(2) ? a : b;
                const auto& rows = p.session.cache().all();
                const int kind = int(rng.bounded(10));
                if (kind < 6 || rows.empty()) {
                    // Mostly later than everything; now and then earlier,
                    // or at the very same time as another row.
                    const int m = kind == 0 || kind == 2 ? int(rng.bounded(minute + 1)) : (kind == 1 ? minute : ++minute);
                    const Contact c{u"K%1X"_s.arg(++serial), u"AL"_s, kind == 2 ? (serial % 2 ? u"Mexico"_s : u"Cuba"_s) : u"CT"_s,
                                    u"NA"_s, u"2026/02/14"_s,
                                    u"%1:%2:00"_s.arg(10 + m / 60, 2, 10, QChar(u'0')).arg(m % 60, 2, 10, QChar(u'0')),
                                    rng.bounded(2) ? u"20"_s : u"40"_s, u"DAVE"_s, &p == &a ? u"1"_s : u"2"_s};
                    QVERIFY(p.session.insertContact(c));
                } else {
                    onlyAdded = false;
                    const Contact& old = rows[size_t(rng.bounded(int(rows.size())))];
                    if (kind < 8) {
                        Contact changed = old;
                        changed.namerec = u"ED%1"_s.arg(round);
                        QVERIFY(p.store.update(changed, old.calls, old.uband, old.fldtime));
                    } else {
                        QVERIFY(p.store.deleteOne(old.calls, old.uband, old.fldtime));
                    }
                    // as the edit window does after its change
                    QVERIFY(p.session.WorkList());
                }
            }
            const int loadsBefore = watcher.session.loadCount();
            // Notices take a moment to come; the SQLite look is at once.
            Position fresh(u"fresh"_s);
            QVERIFY2(fresh.session.connectLog(address, QString()) && fresh.session.WorkList(),
                     qPrintable(fresh.store.errorString()));
            const std::vector<Contact> full = canonical(fresh.session.cache().all());
            const std::pair<Position*, const char*> positions[] = {{&watcher, "watcher"}, {&a, "A"}, {&b, "B"}};
            for (auto [p, name] : positions) {
                QDeadlineTimer patience(3000);
                p->catchUp();
                while (canonical(p->session.cache().all()) != full && !patience.hasExpired()) {
                    QTest::qWait(10);
                    p->catchUp();
                }
                if (server && canonical(p->session.cache().all()) == full) {
                    // A change that undid the round's others (an insert and
                    // its delete) may still be under way: let it come now.
                    QTest::qWait(50);
                    p->catchUp();
                }
                if (canonical(p->session.cache().all()) != full) {
                    qWarning("round %d, position %s:\n have %s\n want %s", round, name,
                             qPrintable(describe(canonical(p->session.cache().all()))),
                             qPrintable(describe(full)));
                    QFAIL("the cache differs from a full load");
                }
            }
            if (onlyAdded) {
                // Rows added elsewhere come without a full load.
                QCOMPARE(watcher.session.loadCount(), loadsBefore);
                ++onlyAddedRounds;
            }
            // The per-band records are the load's too.
            for (int band = 1; band <= BandCount; ++band)
                QCOMPARE(watcher.session.multipliers().countries.countries(band),
                         fresh.session.multipliers().countries.countries(band));
            QCOMPARE(watcher.session.multipliers().sections.total(),
                     fresh.session.multipliers().sections.total());
        }
        QVERIFY(onlyAddedRounds > 10);
        QVERIFY(watcher.session.loadCount() - fullLoadsBefore < 80);
    }

    void ownContactsCauseNoReload_data() { catchingUpEqualsAFullLoad_data(); }
    void ownContactsCauseNoReload()
    {
        QFETCH(bool, server);
        QTemporaryDir dir;
        std::unique_ptr<PgTestDatabase> pg;
        QString address = dir.filePath(u"log.MDB"_s);
        if (server) {
            pg = std::make_unique<PgTestDatabase>();
            ZELQ_REQUIRE_PG(*pg);
            address = pg->address();
        }
        QVERIFY(LogStore::createLog(address, nullptr));
        Position a(u"a"_s), b(u"b"_s);
        QVERIFY(a.start(address) && b.start(address));
        a.refreshes = b.refreshes = 0;
        for (int i = 0; i < 5; ++i)
            QVERIFY(a.session.insertContact({u"W%1AW"_s.arg(i), u"BOB"_s, u"CT"_s, u"NA"_s,
                                             u"2026/02/14"_s, u"18:0%1:00"_s.arg(i), u"20"_s,
                                             u"DAVE"_s, u"1"_s}));
        // B hears of them; A's own notices and looks are nothing to A.
        QTRY_VERIFY_WITH_TIMEOUT((b.catchUp(), b.session.cache().count() == 5), 2000);
        QTest::qWait(server ? 300 : 0);
        a.catchUp();
        QVERIFY(!a.session.reloadPending());
        QCOMPARE(a.refreshes, 0);
        QCOMPARE(a.session.loadCount(), 1);
        QCOMPARE(b.session.loadCount(), 1); // B only added them
        QCOMPARE(a.session.cache().all(), b.session.cache().all());
    }

    // The partial-duplicate line through the prefix index is the line of a
    // walk over every row of the band, before and after rows are added at
    // the end and in the middle.
    void partialLineIsThatOfAWalkOverTheBand()
    {
        const auto walk = [](const ContactCache& cache, const QString& typed, const QString& band) {
            QString list;
            for (int r = 1; r <= cache.count(); ++r) {
                const Contact& c = cache.row(r);
                if (c.uband.compare(band, Qt::CaseInsensitive) == 0
                    && c.calls.startsWith(typed, Qt::CaseInsensitive))
                    list.prepend(c.calls + u' ');
                if (list.size() > 100)
                    break;
            }
            return list;
        };
        QRandomGenerator rng(7);
        const QString alphabet = u"KkWw1/2Aa"_s;
        const auto randomCall = [&](int length) {
            QString call;
            for (int i = 0; i < length; ++i)
                call += alphabet.at(int(rng.bounded(alphabet.size())));
            return call;
        };
        const QStringList bands{u"20"_s, u"40"_s, u"10"_s};
        const auto randomRow = [&](int minute) {
            return Contact{randomCall(1 + int(rng.bounded(6))), u"AL"_s, u"CT"_s, u"NA"_s,
                           u"2026/02/14"_s, u"10:%1:00"_s.arg(minute % 60, 2, 10, QChar(u'0')),
                           bands[int(rng.bounded(3))], u"DAVE"_s, u"1"_s};
        };
        std::vector<Contact> rows;
        for (int i = 0; i < 3000; ++i)
            rows.push_back(randomRow(i * 60 / 3000));
        ContactCache cache;
        cache.assign(rows);
        const auto compareAll = [&](const char* when) {
            for (int i = 0; i < 400; ++i) {
                const QString typed = randomCall(1 + int(rng.bounded(4)));
                for (const QString& band : {u"20"_s, u"40"_s, u"10"_s})
                    QVERIFY2(partialDupeList(cache, typed, band) == walk(cache, typed, band),
                             qPrintable(u"%1: %2 on %3"_s.arg(QLatin1String(when), typed, band)));
            }
        };
        compareAll("loaded");
        for (int i = 0; i < 200; ++i)
            cache.append(randomRow(59));
        compareAll("appended");
        for (int i = 0; i < 50; ++i)
            cache.insertInTimeOrder(randomRow(int(rng.bounded(60))));
        QVERIFY(cache.inTimeOrder());
        compareAll("inserted among them");
    }

    // The look in the background reads no row count: another position's
    // rows must be found even when this position's own contact came after
    // them (and holds the highest rowid), and rows stored while a read was
    // under way are fetched by the look that follows it.
    void backgroundLookFindsOthersRowsBeforeOwnOnes()
    {
        QTemporaryDir dir;
        const QString address = dir.filePath(u"log.MDB"_s);
        QVERIFY(LogStore::createLog(address, nullptr));
        Position a(u"a"_s), b(u"b"_s);
        QVERIFY(a.start(address) && b.start(address));
        const auto row = [](const QString& call, const QString& time) {
            return Contact{call, u"BOB"_s, u"CT"_s, u"NA"_s, u"2026/02/14"_s, time, u"20"_s,
                           u"DAVE"_s, u"1"_s};
        };
        QVERIFY(a.session.insertContact(row(u"W1AW"_s, u"18:00:00"_s)));
        QVERIFY(a.session.insertContact(row(u"K1ABC"_s, u"18:00:01"_s)));
        QVERIFY(b.session.insertContact(row(u"N1XYZ"_s, u"18:00:02"_s)));
        const int loads = b.session.loadCount();
        b.session.followInBackground([] { return true; });
        QTRY_COMPARE_WITH_TIMEOUT(b.session.cache().count(), 3, 2000);
        QStringList calls;
        for (const Contact& c : b.session.cache().all())
            calls << c.calls;
        QCOMPARE(calls, (QStringList{u"W1AW"_s, u"K1ABC"_s, u"N1XYZ"_s}));
        QVERIFY(!b.session.reloadPending());
        QCOMPARE(b.session.loadCount(), loads);

        // Looks asked for while one is under way are not lost.
        QVERIFY(a.session.insertContact(row(u"K2X"_s, u"18:00:03"_s)));
        b.session.followInBackground([] { return true; });
        QVERIFY(a.session.insertContact(row(u"K3X"_s, u"18:00:04"_s)));
        b.session.followInBackground([] { return true; });
        QTRY_COMPARE_WITH_TIMEOUT(b.session.cache().count(), 5, 2000);
        QCOMPARE(b.session.cache().row(5).calls, u"K3X"_s);
        QCOMPARE(b.session.loadCount(), loads);

        // While a call is typed nothing is applied; the reload stays pending.
        QVERIFY(a.session.insertContact(row(u"K4X"_s, u"18:00:05"_s)));
        b.session.followInBackground([] { return false; });
        QTRY_VERIFY_WITH_TIMEOUT(b.session.reloadPending(), 2000);
        QTest::qWait(50);
        QCOMPARE(b.session.cache().count(), 5);
        QVERIFY(b.session.catchUp());
        QCOMPARE(b.session.cache().count(), 6);
        QCOMPARE(b.session.loadCount(), loads);
    }

    void snapshotTellsWhatALoadHad()
    {
        QVERIFY(committedBefore(u"100:105:101,103"_s, 99));
        QVERIFY(committedBefore(u"100:105:101,103"_s, 102));
        QVERIFY(!committedBefore(u"100:105:101,103"_s, 101));
        QVERIFY(!committedBefore(u"100:105:101,103"_s, 105));
        QVERIFY(!committedBefore(u"100:105:"_s, 106));
        QVERIFY(committedBefore(u"100:105:"_s, 104));
        QVERIFY(!committedBefore(u"garbage"_s, 1));
    }
};

QTEST_MAIN(LogFollowTest)
#include "tst_log_follow.moc"
