// The shared log: its store and the session of one position. The cases both
// engines share run on an SQLite file (in a folder with a blank in its name)
// and on a PostgreSQL database; then come the cases of one engine: waiting
// for another SQLite writer, a PostgreSQL connection that drops, and the
// PostgreSQL change notice.
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "log/Bands.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/LogWorker.h"
#include "log/SectionTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

// Readable failure output of QCOMPARE on rows.
namespace zelq {
QString rowText(const Contact& c)
{
    QStringList cols;
    for (int i = 0; i < ColumnCount; ++i)
        cols << c.at(i);
    return u'[' + cols.join(u'|') + u']';
}
char* toString(const Contact& c)
{
    return qstrdup(qPrintable(rowText(c)));
}
char* toString(const std::optional<std::vector<Contact>>& rows)
{
    QStringList all;
    for (const Contact& c : rows.value_or(std::vector<Contact>{}))
        all << rowText(c);
    return qstrdup(rows ? qPrintable(all.join(u' ')) : "(failed)");
}
char* toString(const std::vector<Contact>& rows)
{
    return toString(std::optional(rows));
}
} // namespace zelq

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(zelq::DialogButton)

using namespace zelq;
using namespace zelq::test;

namespace {

const QString sqlite = u"sqlite"_s;
const QString postgresql = u"postgresql"_s;
using Rows = std::vector<Contact>;

Contact contact(const QString& call, const QString& band, const QString& time,
                const QString& spc = u"CT"_s, const QString& cont = u"NA"_s,
                const QString& date = u"2024/06/22"_s)
{
    return {call, u"BOB"_s, spc, cont, date, time, band, u"DAVE"_s, u"1"_s};
}

QStringList callsOf(const Rows& rows)
{
    QStringList calls;
    for (const Contact& c : rows)
        calls << c.calls;
    return calls;
}

Rows sorted(Rows rows)
{
    std::sort(rows.begin(), rows.end(), [](const Contact& a, const Contact& b) {
        return std::tie(a.uband, a.flddate, a.fldtime, a.calls)
            < std::tie(b.uband, b.flddate, b.fldtime, b.calls);
    });
    return rows;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listing(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// A connection of the test's own to an SQLite file or a PostgreSQL
// database, for what the program never does: holding locks, renaming the
// table, ending other sessions.
class RawConnection {
public:
    explicit RawConnection(const QString& fileOrAddress)
        : name(u"raw_"_s + QUuid::createUuid().toString(QUuid::Id128))
    {
        const bool server = fileOrAddress.startsWith("postgresql://"_L1);
        QSqlDatabase db = QSqlDatabase::addDatabase(server ? u"QPSQL"_s : u"QSQLITE"_s, name);
        const QUrl url(fileOrAddress);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(server ? url.path().mid(1) : fileOrAddress);
        if (!db.open())
            err = db.lastError().text();
    }
    ~RawConnection()
    {
        db().close();
        QSqlDatabase::removeDatabase(name);
    }

    bool isOpen() const { return db().isOpen(); }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    QString error() const { return err; }
    bool exec(const QString& sql)
    {
        QSqlQuery q(db());
        if (!q.exec(sql))
            err = q.lastError().text();
        return err.isEmpty();
    }
    // First column of the first row; invalid on failure.
    QVariant value(const QString& sql)
    {
        QSqlQuery q(db());
        if (q.exec(sql) && q.next())
            return q.value(0);
        err = q.lastError().text();
        return {};
    }

private:
    QString name;
    QString err;
};

// A new empty log of the engine under test.
class FreshLog {
public:
    explicit FreshLog(const QString& engine) : engine(engine)
    {
        if (isServer()) {
            pg = std::make_unique<PgTestDatabase>();
            address = pg->address();
        } else {
            QDir(dir.path()).mkpath(u"DORVY Software"_s);
            address = dir.path() + u"/DORVY Software/ZELQ Log.MDB"_s;
        }
    }
    bool create() { return LogStore::createLog(address, &error); }
    bool isServer() const { return engine == postgresql; }

    // Makes the log unreadable under the connections that have it open:
    // the table goes away on the server; the file is overwritten in place.
    // (A file replaced by another is not noticed: SQLite goes on with the
    // file it opened.)
    bool makeUnreadable()
    {
        if (isServer()) {
            admin = std::make_unique<RawConnection>(address);
            return admin->exec(u"ALTER TABLE tbllog RENAME TO tbllog_away"_s);
        }
        intact = fileBytes(address);
        return overwrite(QByteArray(100, 'x'));
    }
    bool restore()
    {
        return isServer() ? admin->exec(u"ALTER TABLE tbllog_away RENAME TO tbllog"_s)
                          : overwrite(intact);
    }

    QString engine;
    QTemporaryDir dir{u"/tmp/zelq-log-XXXXXX"_s};
    std::unique_ptr<PgTestDatabase> pg;
    QString address; // the file path, or the database address
    QString error;

private:
    bool overwrite(const QByteArray& bytes)
    {
        QFile f(address);
        return f.open(QIODevice::ReadWrite) && f.write(bytes) == bytes.size();
    }
    std::unique_ptr<RawConnection> admin;
    QByteArray intact;
};

// A position of the contest: its own connection, dialogs and session.
struct Position {
    explicit Position(const QString& name) : store(name), session(store, dialogs) {}
    LogStore store;
    FakeDialogs dialogs;
    LogSession session;
};

void addEngineRows()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << sqlite;
    QTest::newRow("postgresql") << postgresql;
}

} // namespace

// A fresh empty log of the row's engine; the PostgreSQL row skips without
// a test server.
#define FRESH_LOG(log)                                                                  \
    QFETCH(QString, engine);                                                            \
    FreshLog log(engine);                                                               \
    if (log.pg)                                                                         \
        ZELQ_REQUIRE_PG(*log.pg);                                                       \
    QVERIFY2(log.create(), qPrintable(log.error))

// A position connected to `log`.
#define CONNECTED(pos, name, log)                                                       \
    Position pos(QStringLiteral(name));                                                          \
    QVERIFY2(pos.session.connectLog(log.address, QString()), qPrintable(pos.store.errorString()))

class LogStoreTest : public QObject {
    Q_OBJECT
private slots:
    void theWorkerIsWaitedForAtMostTheBound()
    {
        LogWorker worker;
        QList<bool> notices;
        worker.onWaiting = [&](bool waiting) { notices << waiting; };

        // Quick jobs: no notice.
        int ran = 0;
        QVERIFY(worker.run([&] { ++ran; }, 1000));
        QCOMPARE(ran, 1);
        QCOMPARE(notices, QList<bool>{});

        // A slow job within its bound: the window is told it waits, then not.
        QVERIFY(worker.run([] { std::this_thread::sleep_for(std::chrono::milliseconds(400)); }, 2000));
        QCOMPARE(notices, (QList<bool>{true, false}));

        // A job past its bound is given up on when the bound is reached; a
        // job queued behind it and given up on never runs.
        std::atomic<bool> release{false};
        QElapsedTimer t;
        t.start();
        QVERIFY(!worker.run([&] { while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5)); }, 300));
        const qint64 waited = t.elapsed();
        QVERIFY2(waited >= 300 && waited < 800, qPrintable(QString::number(waited)));
        std::atomic<int> late{0};
        QVERIFY(!worker.run([&] { ++late; }, 100));
        release = true;
        QVERIFY(worker.run([&] { ++ran; }, 2000));
        QCOMPARE(ran, 2);
        QCOMPARE(late.load(), 0);
    }

    void emptyLogLoadsEmptyAndClearsOldRecords_data() { addEngineRows(); }
    void emptyLogLoadsEmptyAndClearsOldRecords()
    {
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        QVERIFY(a.dialogs.asked.isEmpty());
        a.session.multipliers().sections.set(1, 1); // left from a log loaded before
        a.session.multipliers().countries.add(4, u"Mexico"_s);
        int steps = 0;
        a.session.addReloadStep([&] { ++steps; });

        QVERIFY(a.session.WorkList());
        QCOMPARE(steps, 1);
        QCOMPARE(a.session.cache().count(), 0);
        QCOMPARE(a.session.knownRowCount(), 0.0);
        QCOMPARE(a.session.multipliers().sections.total(), 0);
        QCOMPARE(a.session.multipliers().countries.total(), 0);
        QVERIFY(!a.session.reloadPending());
        QCOMPARE(a.session.logChangedElsewhere(), std::optional(false));
    }

    void contactsLoadInOrderWithTheirMultipliers_data() { addEngineRows(); }
    void contactsLoadInOrderWithTheirMultipliers()
    {
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        // Logged out of order: one entered afterwards ("hh:mm"), one after midnight.
        const Rows logged{
            contact(u"W1AW"_s, u"20"_s, u"18:00:30"_s),
            contact(u"ve3abc"_s, u"40"_s, u"00:05:00"_s, u"ON"_s, u"NA"_s, u"2024/06/23"_s),
            contact(u"W1AW"_s, u"80"_s, u"18:00"_s),
            contact(u"XE1A"_s, u"20"_s, u"23:59:59"_s, u"Mexico"_s),
            contact(u"XE2B"_s, u"20"_s, u"09:15:00"_s, u"MEXICO"_s),
            contact(u"VE3X"_s, u"2"_s, u"10:00:00"_s, u"ON"_s), // not a band: counts nothing
            contact(u"XE3C"_s, u"2"_s, u"10:01:00"_s, u"Cuba"_s),
            contact(u"DL1AB"_s, u"20"_s, u"11:00:00"_s, u"Germany"_s, u"EU"_s),
        };
        for (const Contact& c : logged)
            QVERIFY2(a.store.insert(c), qPrintable(a.store.errorString()));

        auto found = a.store.selectByCall(u"w1aw"_s);
        QVERIFY(found);
        QCOMPARE(sorted(*found), sorted({logged[0], logged[2]}));
        found = a.store.selectByCall(u"VE3ABC"_s);
        QVERIFY(found);
        QCOMPARE(*found, Rows{logged[1]});
        // Whole calls only; an unworked call is an empty answer, not a failure.
        found = a.store.selectByCall(u"W1A"_s);
        QVERIFY(found && found->empty());

        QVERIFY(a.session.mnuOpen2());
        QCOMPARE(callsOf(a.session.cache().all()),
                 (QStringList{u"XE2B"_s, u"VE3X"_s, u"XE3C"_s, u"DL1AB"_s, u"W1AW"_s, u"W1AW"_s,
                              u"XE1A"_s, u"ve3abc"_s}));
        QCOMPARE(a.session.cache().row(5).uband, u"80"_s);
        QCOMPARE(a.session.knownRowCount(), 8.0);

        const MultiplierRecords& m = a.session.multipliers();
        const int ct = SectionTable::indexOf(u"CT"), on = SectionTable::indexOf(u"ON");
        QVERIFY(m.sections.worked(ct, bandIndex(u"20"_s)));
        QVERIFY(m.sections.worked(ct, bandIndex(u"80"_s)));
        QVERIFY(m.sections.worked(on, bandIndex(u"40"_s)));
        QCOMPARE(m.sections.total(), 3);
        QCOMPARE(m.countries.count(bandIndex(u"20"_s)), 1);
        QVERIFY(m.countries.contains(bandIndex(u"20"_s), u"Mexico"_s));
        QCOMPARE(m.countries.total(), 1);
    }

    void singleQuotesRoundTripThroughEveryStatement_data() { addEngineRows(); }
    void singleQuotesRoundTripThroughEveryStatement()
    {
        FRESH_LOG(log);
        LogStore store;
        QVERIFY2(store.connect(log.address), qPrintable(store.errorString()));
        const Contact bystander = contact(u"K1ABC"_s, u"20"_s, u"18:00:00"_s);
        const Contact q{u"O'BRIEN"_s,    u"JOSÉ D'ÂRCY '' \\ END'"_s, u"N'A"_s,
                        u"'"_s,          u"2024/06/'22"_s,            u"18:'01"_s,
                        u"2'0"_s,        u"x'); delete from tbllog; --"_s, u"''"_s};
        QVERIFY(store.insert(bystander));
        QVERIFY2(store.insert(q), qPrintable(store.errorString()));
        QCOMPARE(store.selectByCall(u"o'brien"_s), std::optional(Rows{q}));

        Contact edited = q;
        edited.calls = u"D'ANGELO"_s;
        edited.namerec = u"MC'DONALD"_s;
        edited.uband = u"4'0"_s;
        edited.fldtime = u"18:'02"_s;
        QVERIFY2(store.update(edited, q.calls, q.uband, q.fldtime), qPrintable(store.errorString()));
        QCOMPARE(store.selectByCall(q.calls), std::optional(Rows{}));
        QCOMPARE(store.selectByCall(edited.calls), std::optional(Rows{edited}));

        QVERIFY2(store.deleteOne(edited.calls, edited.uband, edited.fldtime),
                 qPrintable(store.errorString()));
        QCOMPARE(store.selectAll(), std::optional(Rows{bystander}));
    }

    // Call, band and time are the whole key: rows sharing them change and go together.
    void rowsSharingCallBandAndTimeChangeTogether_data() { addEngineRows(); }
    void rowsSharingCallBandAndTimeChangeTogether()
    {
        FRESH_LOG(log);
        LogStore store;
        QVERIFY2(store.connect(log.address), qPrintable(store.errorString()));
        const QString noon = u"12:00:00"_s;
        const Contact first = contact(u"W1AW"_s, u"20"_s, noon);
        const Contact twin = contact(u"W1AW"_s, u"20"_s, noon, u"ME"_s, u"NA"_s, u"2024/06/23"_s);
        const Contact otherBand = contact(u"W1AW"_s, u"40"_s, noon);
        const Contact otherTime = contact(u"W1AW"_s, u"20"_s, u"12:00:01"_s);
        for (const Contact& c : {first, twin, otherBand, otherTime})
            QVERIFY(store.insert(c));

        Contact edited = first;
        edited.calls = u"W1AX"_s;
        QVERIFY(store.update(edited, u"W1AW"_s, u"20"_s, noon));
        QCOMPARE(store.selectByCall(u"W1AX"_s), std::optional(Rows{edited, edited}));
        QCOMPARE(sorted(store.selectByCall(u"W1AW"_s).value_or(Rows{})), sorted({otherBand, otherTime}));

        QVERIFY(store.deleteOne(u"W1AX"_s, u"20"_s, noon));
        QCOMPARE(sorted(store.selectAll().value_or(Rows{})), sorted({otherBand, otherTime}));
    }

    void startNewLogErasesOnlyOnTypedYes_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("erases");
        for (const QString& engine : {sqlite, postgresql}) {
            const auto row = [&](const char* name, std::optional<QString> answer, bool erases) {
                QTest::addRow("%s/%s", qPrintable(engine), name) << engine << answer << erases;
            };
            row("YES", u"YES"_s, true);
            row("yes", u"yes"_s, true);
            row("YES+blank", u"YES "_s, false);
            row("no", u"no"_s, false);
            row("cancel", std::nullopt, false);
        }
    }
    void startNewLogErasesOnlyOnTypedYes()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, erases);
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        CONNECTED(b, "posB", log);
        QVERIFY(a.session.insertContact(contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)));
        QVERIFY(a.session.insertContact(contact(u"XE1A"_s, u"20"_s, u"18:02:00"_s, u"Mexico"_s)));
        QVERIFY(b.session.WorkList());

        int steps = 0, resets = 0, saves = 0, fatal = 0;
        a.session.addReloadStep([&] { ++steps; });
        a.session.resetOperatingTime = [&] { ++resets; };
        a.session.savePreferences = [&] { ++saves; };
        a.session.onFatalLoadError = [&] { ++fatal; };
        a.dialogs.answerText(answer);
        a.session.StartNewLog();

        QCOMPARE(a.dialogs.asked.size(), 1);
        QCOMPARE(a.dialogs.asked[0].kind, AskedDialog::Kind::Input);
        QCOMPARE(a.dialogs.unscripted, 0);
        QCOMPARE(steps, 1);
        QCOMPARE(fatal, 0);
        const int left = erases ? 0 : 2;
        QCOMPARE(a.store.rowCount(), std::optional<double>(left));
        QCOMPARE(a.session.cache().count(), left);
        QCOMPARE(a.session.knownRowCount(), double(left));
        QCOMPARE(a.session.multipliers().countries.total(), erases ? 0 : 1);
        QCOMPARE(resets, erases ? 1 : 0);
        QCOMPARE(saves, erases ? 1 : 0);
        QCOMPARE(b.session.logChangedElsewhere(), std::optional(erases));
    }

    void startNewLogReportsAFailedErase_data() { addEngineRows(); }
    void startNewLogReportsAFailedErase()
    {
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        QVERIFY(a.session.insertContact(contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)));
        int resets = 0, saves = 0;
        QStringList statuses;
        a.session.resetOperatingTime = [&] { ++resets; };
        a.session.savePreferences = [&] { ++saves; };
        a.session.onStatus = [&](const QString& s) { statuses << s; };
        QVERIFY(log.makeUnreadable());

        a.dialogs.answerText(u"YES"_s);
        a.session.StartNewLog();
        QCOMPARE(a.dialogs.messageTitles(), QStringList{u"Network Error"_s});
        QCOMPARE(resets + saves, 0);
        QCOMPARE(a.session.cache().count(), 1);
        QCOMPARE(statuses.size(), 1); // the reload after it failed too
        QVERIFY(a.session.reloadPending());
        QVERIFY(log.restore());
        QCOMPARE(a.store.rowCount(), std::optional(1.0));
    }

    void askContinueLog_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<DialogButton>("button");
        QTest::addColumn<std::optional<QString>>("typed");
        QTest::addColumn<bool>("erases");
        for (const QString& engine : {sqlite, postgresql}) {
            const QByteArray e = engine.toLatin1();
            QTest::addRow("%s/continue", e.data()) << engine << DialogButton::Yes
                                                   << std::optional<QString>() << false;
            QTest::addRow("%s/new, YES", e.data()) << engine << DialogButton::No
                                                   << std::optional(u"YES"_s) << true;
            QTest::addRow("%s/new, cancel", e.data()) << engine << DialogButton::No
                                                      << std::optional<QString>() << false;
        }
    }
    void askContinueLog()
    {
        QFETCH(DialogButton, button);
        QFETCH(std::optional<QString>, typed);
        QFETCH(bool, erases);
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        QVERIFY(a.store.insert(contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)));
        int steps = 0;
        a.session.addReloadStep([&] { ++steps; });
        a.dialogs.answerButton(button);
        const bool asksToType = button == DialogButton::No;
        if (asksToType)
            a.dialogs.answerText(typed);

        a.session.AskContinueLog();
        QCOMPARE(a.dialogs.asked.size(), asksToType ? 2 : 1);
        QCOMPARE(a.dialogs.asked[0].buttons, (QList{DialogButton::Yes, DialogButton::No}));
        if (asksToType)
            QCOMPARE(a.dialogs.asked[1].kind, AskedDialog::Kind::Input);
        QCOMPARE(a.dialogs.unscripted, 0);
        QCOMPARE(steps, 1);
        QCOMPARE(a.store.rowCount(), std::optional<double>(erases ? 0 : 1));
        QCOMPARE(a.session.cache().count(), erases ? 0 : 1);
    }

    void positionsSeeEachOthersContacts_data() { addEngineRows(); }
    void positionsSeeEachOthersContacts()
    {
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        CONNECTED(b, "posB", log);
        QVERIFY(a.session.WorkList());
        QVERIFY(b.session.WorkList());

        const Contact mine = contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s);
        QVERIFY(a.session.insertContact(mine));
        QCOMPARE(a.session.knownRowCount(), a.store.rowCount().value_or(-1));
        QCOMPARE(a.session.logChangedElsewhere(), std::optional(false));

        Contact theirs = contact(u"K1ABC"_s, u"40"_s, u"18:00:30"_s);
        theirs.trn = u"2"_s;
        QVERIFY(b.session.insertContact(theirs));
        QCOMPARE(a.session.logChangedElsewhere(), std::optional(true));
        QVERIFY(a.session.WorkList());
        QCOMPARE(a.session.cache().all(), (Rows{mine, theirs}));
        QCOMPARE(a.session.logChangedElsewhere(), std::optional(false));

        QVERIFY(b.store.deleteOne(mine.calls, mine.uband, mine.fldtime));
        QCOMPARE(a.session.logChangedElsewhere(), std::optional(true));
    }

    void createLogLeavesWhatExistsAlone_data() { addEngineRows(); }
    void createLogLeavesWhatExistsAlone()
    {
        FRESH_LOG(log);
        const Contact kept = contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s);
        {
            LogStore store;
            QVERIFY(store.connect(log.address));
            QVERIFY(store.insert(kept));
        }
        const QByteArray before = fileBytes(log.address);
        QString error;
        QVERIFY(!LogStore::createLog(log.address, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(log.address), before);
        LogStore store;
        QVERIFY2(store.connect(log.address), qPrintable(store.errorString()));
        QCOMPARE(store.selectAll(), std::optional(Rows{kept}));

        if (!log.isServer()) { // nor any other file
            const QString text = log.dir.filePath(u"notes.txt"_s);
            const QByteArray bytes("W1AW,BOB,CT\n");
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
            f.close();
            error.clear();
            QVERIFY(!LogStore::createLog(text, &error));
            QVERIFY(!error.isEmpty());
            QCOMPARE(fileBytes(text), bytes);
        }
    }

    void connectRefusesWhatIsNotALog_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"missing file", "missing folder", "folder", "empty file",
                                 "text file", "foreign SQLite", "foreign SQLite in WAL mode"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void connectRefusesWhatIsNotALog()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir(u"/tmp/zelq-log-XXXXXX"_s);
        const QString path = dir.filePath(kind == "missing folder"_L1 ? u"gone/ZELQ Log.MDB"_s
                                                                       : u"ZELQ Log.MDB"_s);
        if (kind == "folder"_L1) {
            QVERIFY(QDir().mkdir(path));
        } else if (kind.endsWith(" file"_L1) && kind != "missing file"_L1) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == "text file"_L1)
                f.write("CALL,NAME,SPC\r\nW1AW,BOB,CT\r\n");
        } else if (kind.startsWith("foreign"_L1)) {
            RawConnection foreign(path);
            QVERIFY2(foreign.isOpen(), qPrintable(foreign.error()));
            if (kind.endsWith("WAL mode"_L1))
                QCOMPARE(foreign.value(u"PRAGMA journal_mode=WAL"_s).toString(), u"wal"_s);
            QVERIFY(foreign.exec(u"CREATE TABLE contacts (callsign TEXT, band TEXT)"_s));
            QVERIFY(foreign.exec(u"INSERT INTO contacts VALUES ('W1AW', '20')"_s));
        }
        const QStringList filesBefore = listing(dir.path());
        const QByteArray bytes = fileBytes(path);

        Position a(u"posA"_s);
        QVERIFY(!a.session.connectLog(path, QString()));
        QVERIFY(!a.store.isOpen());
        QVERIFY(!a.store.errorString().isEmpty());
        QCOMPARE(a.dialogs.messageTitles(), QStringList{u"File, Network or Install Error."_s});
        QVERIFY(a.dialogs.asked[0].text.startsWith(
            u"Unable to find your log file (ZELQLog.MDB).  Please very the location of the log file and try again."_s));
        QVERIFY(a.dialogs.asked[0].text.contains(a.store.errorString()));

        // Nothing made, nothing changed, nothing left beside it.
        QCOMPARE(listing(dir.path()), filesBefore);
        QCOMPARE(fileBytes(path), bytes);
        if (kind == "folder"_L1)
            QVERIFY(QDir(path).isEmpty());
    }

    void connectRefusesBadServerAddresses_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"password in address", "no log table", "no such database", "no server"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void connectRefusesBadServerAddresses()
    {
        QFETCH(QString, kind);
        PgTestDatabase db;
        ZELQ_REQUIRE_PG(db);
        QUrl url(db.address());
        if (kind == "password in address"_L1)
            url.setPassword(u"secret"_s);
        else if (kind == "no such database"_L1)
            url.setPath(u"/zelq_nosuch_"_s + QUuid::createUuid().toString(QUuid::Id128).left(12));
        else if (kind == "no server"_L1)
            url.setPort(1);

        Position a(u"posA"_s);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!a.session.connectLog(url.toString(), QString()));
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(!a.store.errorString().isEmpty());
        QCOMPARE(a.dialogs.messageTitles(), QStringList{u"File, Network or Install Error."_s});
        QString error;
        if (kind == "password in address"_L1)
            QVERIFY(!LogStore::createLog(url.toString(), &error) && !error.isEmpty());

        // Refusing never makes a table.
        RawConnection raw(db.address());
        QVERIFY2(raw.isOpen(), qPrintable(raw.error()));
        QCOMPARE(raw.value(u"select count(*) from pg_tables where tablename = 'tbllog'"_s).toInt(), 0);
    }

    void workListFailureKeepsTheCache_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<bool>("startingUp");
        for (const QString& engine : {sqlite, postgresql}) {
            QTest::addRow("%s/running", qPrintable(engine)) << engine << false;
            QTest::addRow("%s/starting up", qPrintable(engine)) << engine << true;
        }
    }
    void workListFailureKeepsTheCache()
    {
        QFETCH(bool, startingUp);
        FRESH_LOG(log);
        CONNECTED(a, "posA", log);
        QVERIFY(a.store.insert(contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)));
        QVERIFY(a.store.insert(contact(u"XE1A"_s, u"40"_s, u"18:01:00"_s, u"Mexico"_s)));
        QVERIFY(a.session.WorkList());
        const Rows loaded = a.session.cache().all();
        QStringList statuses;
        int fatal = 0, steps = 0;
        a.session.onStatus = [&](const QString& s) { statuses << s; };
        a.session.onFatalLoadError = [&] { ++fatal; };
        a.session.addReloadStep([&] { ++steps; });

        QVERIFY(log.makeUnreadable());
        a.session.setStartingUp(startingUp);
        QVERIFY(!a.session.WorkList());
        QCOMPARE(steps, 0);
        if (startingUp) {
            QCOMPARE(a.dialogs.messageTitles(), QStringList{u"File Error"_s});
            QCOMPARE(a.dialogs.asked[0].text, u"Error opening file."_s);
            QCOMPARE(fatal, 1);
        } else {
            QVERIFY(a.dialogs.asked.isEmpty());
            QCOMPARE(fatal, 0);
            QCOMPARE(statuses.size(), 1);
            QVERIFY(!statuses[0].isEmpty());
            QVERIFY(a.session.reloadPending());
            QCOMPARE(a.session.cache().all(), loaded);
            QCOMPARE(a.session.knownRowCount(), 2.0);
            QCOMPARE(a.session.multipliers().sections.total(), 1);
            QCOMPARE(a.session.multipliers().countries.total(), 1);
            // Nor does a contact that could not be stored enter the cache.
            QVERIFY(!a.session.insertContact(contact(u"K1ABC"_s, u"20"_s, u"18:02:00"_s)));
            QCOMPARE(a.session.cache().all(), loaded);
            QCOMPARE(a.session.knownRowCount(), 2.0);
        }

        // Once the log is back, the next reload picks up where it left off.
        QVERIFY(log.restore());
        a.session.setStartingUp(false);
        QVERIFY(a.session.WorkList());
        QVERIFY(!a.session.reloadPending());
        QCOMPARE(steps, 1);
        QCOMPARE(a.session.cache().all(), loaded);
    }

    void sqliteInsertWaitsForAnotherWriter()
    {
        FreshLog log(sqlite);
        QVERIFY2(log.create(), qPrintable(log.error));
        LogStore store;
        QVERIFY2(store.connect(log.address), qPrintable(store.errorString()));
        const Contact theirs = contact(u"K1ABC"_s, u"40"_s, u"18:00:00"_s);
        const Contact mine = contact(u"W1AW"_s, u"20"_s, u"18:00:01"_s);

        // Another position holds the write lock for 1.5 s, on a connection
        // in its own thread (Qt's connections belong to one thread).
        std::promise<QString> locked;
        std::thread writer([&] {
            const QString name = u"writer_"_s + QUuid::createUuid().toString(QUuid::Id128);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
                db.setDatabaseName(log.address);
                QSqlQuery q(db.open() ? db : QSqlDatabase());
                if (!q.exec(u"BEGIN IMMEDIATE"_s) || !q.exec(LogStore::insertStatement(theirs))) {
                    locked.set_value(u"writer: "_s + q.lastError().text() + db.lastError().text());
                } else {
                    locked.set_value(QString());
                    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                    q.exec(u"COMMIT"_s);
                }
                q.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        });
        const QString lockError = locked.get_future().get();
        QElapsedTimer timer;
        timer.start();
        const bool inserted = store.insert(mine);
        const qint64 waited = timer.elapsed();
        writer.join();

        QVERIFY2(lockError.isEmpty(), qPrintable(lockError));
        QVERIFY2(inserted, qPrintable(store.errorString()));
        QVERIFY2(waited > 1000, qPrintable(QString::number(waited)));
        QCOMPARE(sorted(store.selectAll().value_or(Rows{})), sorted({theirs, mine}));
    }

    void postgresReconnectsAfterLostConnection()
    {
        FreshLog log(postgresql);
        ZELQ_REQUIRE_PG(*log.pg);
        QVERIFY2(log.create(), qPrintable(log.error));
        LogStore store;
        QVERIFY2(store.connect(log.address), qPrintable(store.errorString()));
        const Contact first = contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s);
        const Contact second = contact(u"K1ABC"_s, u"40"_s, u"18:01:00"_s);
        QVERIFY(store.insert(first));

        RawConnection admin(log.address);
        QVERIFY2(admin.isOpen(), qPrintable(admin.error()));
        const QString others = u"FROM pg_stat_activity WHERE datname = '%1' AND pid <> pg_backend_pid()"_s
                                   .arg(log.pg->name());
        const auto endStoreSession = [&] {
            if (!admin.exec(u"SELECT pg_terminate_backend(pid) "_s + others))
                return false;
            QElapsedTimer t;
            t.start();
            while (admin.value(u"SELECT count(*) "_s + others).toInt() != 0 && t.elapsed() < 5000)
                QTest::qWait(20);
            return t.elapsed() < 5000;
        };

        QVERIFY2(endStoreSession(), qPrintable(admin.error()));
        QCOMPARE(store.selectByCall(u"w1aw"_s), std::optional(Rows{first}));
        QVERIFY2(endStoreSession(), qPrintable(admin.error()));
        QCOMPARE(store.rowCount(), std::optional(1.0));

        // A write is not repeated on its own (it may have gone through), but
        // it fails once at most, and nothing is lost or doubled.
        QVERIFY2(endStoreSession(), qPrintable(admin.error()));
        const bool insertedAtOnce = store.insert(second);
        QVERIFY(insertedAtOnce || !store.errorString().isEmpty());
        QCOMPARE(store.rowCount(), std::optional(insertedAtOnce ? 2.0 : 1.0));
        if (!insertedAtOnce)
            QVERIFY2(store.insert(second), qPrintable(store.errorString()));
        QCOMPARE(sorted(store.selectAll().value_or(Rows{})), sorted({first, second}));
    }

    void postgresAnnouncesChanges()
    {
        FreshLog log(postgresql);
        ZELQ_REQUIRE_PG(*log.pg);
        QVERIFY2(log.create(), qPrintable(log.error));
        LogStore store;
        QVERIFY2(store.connect(log.address), qPrintable(store.errorString()));
        RawConnection listener(log.address);
        QVERIFY2(listener.isOpen(), qPrintable(listener.error()));
        QSqlDriver* driver = listener.db().driver();
        QVERIFY(driver->subscribeToNotification(u"tbllog_changed"_s));
        QSignalSpy spy(driver, &QSqlDriver::notification);

        const Contact c = contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s);
        QVERIFY(store.insert(c));
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 1, 5000);
        QCOMPARE(spy.first().at(0).toString(), u"tbllog_changed"_s);
        spy.clear();
        QVERIFY(store.deleteOne(c.calls, c.uband, c.fldtime));
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 1, 5000);
    }
};

QTEST_GUILESS_MAIN(LogStoreTest)
#include "tst_log_store.moc"
