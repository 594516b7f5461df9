// The log window as a whole: one keyboard for the whole window (Esc, Alt+C
// and Tab wherever the focus is, in the table's order), bounded waits on a
// locked log, a frozen log server and lost replies, failures named for what
// they are, the score before and after a reload, the backup at Time Off,
// and the partial line under the mouse.
#include "FreezableProxy.h"
#include "LogConnection.h"
#include "LogWindowRun.h"
#include "log/ContactEntry.h"
#include "log/KeyDispatch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUuid>
#include <sys/mount.h>

using namespace zelq;
using namespace zelq::test;

namespace {

// A small file system that fills up: tmpfs, mounted when the test runs as
// root (as CI does).
class SmallDisk {
public:
    SmallDisk()
    {
        if (geteuid() != 0 || !dir.isValid())
            return;
        mounted = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
    bool isMounted() const { return mounted; }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    // Writes a filler file until the disk is full.
    void fill()
    {
        QFile f(path(QStringLiteral("filler")));
        f.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size() && f.flush()) {
        }
    }
    void makeRoom() { QFile::remove(path(QStringLiteral("filler"))); }
    bool remount(bool readOnly)
    {
        return ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs",
                       MS_REMOUNT | (readOnly ? MS_RDONLY : 0), "size=256k")
            == 0;
    }

private:
    QTemporaryDir dir{QStringLiteral("/tmp/zelq-disk-XXXXXX")};
    bool mounted = false;
};

qint64 timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed();
}

} // namespace

// A new log on the test server, reached through a relay the test can freeze.
#define SERVER_BEHIND_RELAY(db, proxy)                                                          \
    PgTestDatabase db;                                                                          \
    ZELQ_REQUIRE_PG(db);                                                                        \
    do {                                                                                        \
        QString created;                                                                        \
        QVERIFY2(LogStore::createLog(db.address(), &created), qPrintable(created));             \
    } while (false);                                                                            \
    FreezableProxy proxy(QUrl(db.address()).host(), quint16(QUrl(db.address()).port()))

// A new SQLite log on a small file system of the test's own.
#define LOG_ON_SMALL_DISK(disk, log)                                                            \
    SmallDisk disk;                                                                             \
    if (!disk.isMounted())                                                                      \
        QSKIP("needs root to mount a small file system");                                       \
    const QString log = disk.path(QStringLiteral("ZELQLog.MDB"));                               \
    do {                                                                                        \
        QString created;                                                                        \
        QVERIFY2(LogStore::createLog(log, &created), qPrintable(created));                      \
    } while (false)

class LogWindowTest : public QObject {
    Q_OBJECT
private slots:
    void dispatchRunsTheStepsInOrder()
    {
        KeyDispatch d;
        QStringList seen;
        bool hold = false;
        d.escape = [&] { seen << QStringLiteral("clear"); };
        d.holding = [&] { return hold; };
        d.endHold = [&] { hold = false; seen << QStringLiteral("end hold"); };
        d.setCtrlShortcut(Qt::Key_C, [&] { seen << QStringLiteral("cw window"); });
        d.addKeyDownStep([&](const KeyStroke& k) {
            seen << QStringLiteral("down ") + QString::number(k.key, 16);
            if (k.key == Qt::Key_F12) {
                d.suppressCharacter();
                return false;
            }
            return k.key == Qt::Key_F1;
        });
        d.addCharacterStep([&](const KeyStroke& k) {
            seen << QStringLiteral("char ") + k.ch;
            return k.ch == QLatin1Char('#');
        });
        const auto key = [](int code, QChar ch = {}, bool ctrl = false) {
            KeyStroke k;
            k.key = code;
            k.ch = ch;
            k.ctrl = ctrl;
            return k;
        };
        using O = KeyDispatch::Outcome;

        // Ctrl+letter: the shortcut and nothing else, not even the steps.
        QCOMPARE(d.dispatch(key(Qt::Key_C, QLatin1Char('c'), true)), O::Consumed);
        QCOMPARE(seen, QStringList{QStringLiteral("cw window")});
        // Ctrl with a key that types nothing leaves no flag behind.
        seen.clear();
        QCOMPARE(d.dispatch(key(Qt::Key_Left, {}, true)), O::NotCharacter);
        QCOMPARE(d.dispatch(key(Qt::Key_A, QLatin1Char('a'))), O::ToControl);
        QCOMPARE(seen, (QStringList{QStringLiteral("down 1000012"), QStringLiteral("down 41"),
                                    QStringLiteral("char a")}));
        // A key-down step uses a key up, or keeps its character from a field.
        seen.clear();
        QCOMPARE(d.dispatch(key(Qt::Key_F1)), O::Consumed);
        QCOMPARE(d.dispatch(key(Qt::Key_F12, QLatin1Char('x'))), O::Consumed);
        QCOMPARE(seen, (QStringList{QStringLiteral("down 1000030"), QStringLiteral("down 100003b")}));
        // Quotes never get through; a character step may use a key up.
        QCOMPARE(d.dispatch(key(Qt::Key_Apostrophe, QLatin1Char('\''))), O::Consumed);
        QCOMPARE(d.dispatch(key(Qt::Key_QuoteDbl, QLatin1Char('"'))), O::Consumed);
        QCOMPARE(d.dispatch(key(Qt::Key_NumberSign, QLatin1Char('#'))), O::Consumed);
        // During the hold characters are dropped after the character steps
        // saw them (keyboard CW still sends them); Esc ends it and clears.
        hold = true;
        seen.clear();
        QCOMPARE(d.dispatch(key(Qt::Key_B, QLatin1Char('b'))), O::Consumed);
        QCOMPARE(d.dispatch(key(Qt::Key_Return, KeyStroke::Enter)), O::Consumed);
        QCOMPARE(d.dispatch(key(Qt::Key_Escape, KeyStroke::Escape)), O::Consumed);
        QVERIFY(!hold);
        QCOMPARE(seen.mid(seen.indexOf(QStringLiteral("end hold"))),
                 (QStringList{QStringLiteral("end hold"), QStringLiteral("char \x1b"), QStringLiteral("clear")}));
        QCOMPARE(d.dispatch(key(Qt::Key_B, QLatin1Char('b'))), O::ToControl);
    }

    void escAltCAndTabWorkWhereverTheFocusIs()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));

        // Esc with the focus in the contact list.
        TYPE(run, QStringLiteral("k1abc jim"));
        auto* list = run.window->findChild<QWidget*>(QStringLiteral("ListView1"));
        QVERIFY(list);
        list->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::focusWidget()->window(), run.window.get());
        QVERIFY(run.focused() != QStringLiteral("txtRSTR"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(run.text("txtCall"), QString());
        QCOMPARE(run.text("txtRSTR"), QString());
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));

        // Alt+C is the Clear command, from the menu's mnemonic; the button
        // runs the same command.
        TYPE(run, QStringLiteral("k1abc jim"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(run.text("txtCall"), QString());
        QCOMPARE(run.text("txtRSTR"), QString());
        TYPE(run, QStringLiteral("k1abc jim"));
        run.button("cmdClear")->click();
        QCOMPARE(run.text("txtCall"), QString());
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));

        // Tab goes round the entry fields and never into the list.
        const auto tab = [&](Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), mods ? Qt::Key_Backtab : Qt::Key_Tab, mods);
            return run.focused();
        };
        QCOMPARE(tab(), QStringLiteral("txtRSTR"));
        QCOMPARE(tab(), QStringLiteral("txtCntry"));
        QCOMPARE(tab(), QStringLiteral("txtCall"));
        QCOMPARE(tab(Qt::ShiftModifier), QStringLiteral("txtCntry"));
        list->setFocus(Qt::MouseFocusReason);
        QCOMPARE(tab(), QStringLiteral("txtCall"));
        run.window->mnuPostContest_Click();
        QCOMPARE(tab(), QStringLiteral("txtRSTR"));
        QCOMPARE(tab(), QStringLiteral("txtCntry"));
        QCOMPARE(tab(), QStringLiteral("txtPostConDate"));
        QCOMPARE(tab(), QStringLiteral("txtPostConTime"));
        QCOMPARE(tab(), QStringLiteral("txtCall"));
        QCOMPARE(run.cacheCount(), 1);
    }

    void partialLineEmptiesOverAnEmptyPartOfTheWindow()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        run.clock.advanceMs(5000);
        TYPE(run, QStringLiteral("w"));
        QCOMPARE(run.partialLine(), QStringLiteral("W1AW "));
        QWidget* central = run.window->centralWidget();
        // The far right of the multiplier box's row is empty window.
        const QPoint empty(central->width() - 2, central->height() - 2);
        QVERIFY(!central->childAt(empty) || central->childAt(empty)->objectName().isEmpty());
        QMouseEvent move(QEvent::MouseMove, empty, central->mapToGlobal(empty), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(central, &move);
        QCOMPARE(run.partialLine(), QString());
    }

    void aLockedLogAnswersWithinTheBounds()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        LogConnection other(run.logPath);
        QVERIFY2(other.exec(QStringLiteral("BEGIN EXCLUSIVE")), qPrintable(other.error()));

        // Leaving the call field while the operator types on: the answer is
        // on the status line, in red, within two seconds, and no box takes
        // the next keys.
        TYPE(run, QStringLiteral("k1abc"));
        run.dialogs.asked.clear();
        const qint64 spaceMs = timed([&] { run.type(QStringLiteral(" ")); });
        QVERIFY2(spaceMs < 2400, qPrintable(QString::number(spaceMs)));
        QCOMPARE(run.status(), DupCheckFailedText);
        QCOMPARE(run.statusColour(), red);
        QCOMPARE(run.dialogs.asked.size(), 0);
        TYPE(run, QStringLiteral("jim ma"));
        QCOMPARE(run.text("txtRSTR"), QStringLiteral("JIM"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("MA"));

        // Enter: the box for the failed duplicate query, then the insert
        // gives up within its own bound and says so.
        const qint64 enterMs = timed([&] { run.type(QStringLiteral("\r")); });
        QVERIFY2(enterMs < 2000 + 5000 + 400, qPrintable(QString::number(enterMs)));
        QCOMPARE(run.dialogs.messageTitles(), QStringList{DupCheckFailedTitle});
        QCOMPARE(run.status(), NotLoggedMessage);
        QCOMPARE(run.text("txtCall"), QStringLiteral("K1ABC"));

        // A reload that fails meanwhile leaves the line alone.
        QVERIFY(!run.context->session.WorkList());
        QCOMPARE(run.status(), NotLoggedMessage);

        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.rows(QStringLiteral("K1ABC")).size(), size_t(1));
        QCOMPARE(run.cacheCount(), 2);
    }

    void aFrozenLogServerAnswersWithinTwoSeconds()
    {
        SERVER_BEHIND_RELAY(db, proxy);
        TempHome home;
        Run run(home);
        START(run, FreezableProxy::relayedAddress(db.address(), proxy.port()));
        TYPE(run, QStringLiteral("w1aw bob ct\r"));

        proxy.setMode(FreezableProxy::Mode::Freeze);
        TYPE(run, QStringLiteral("k1abc"));
        run.dialogs.asked.clear();
        const qint64 spaceMs = timed([&] { run.type(QStringLiteral(" ")); });
        QVERIFY2(spaceMs < 2400, qPrintable(QString::number(spaceMs)));
        QCOMPARE(run.status(), DupCheckFailedText);
        QCOMPARE(run.dialogs.asked.size(), 0);
        const qint64 pollMs = timed([&] { QVERIFY(!run.context->session.logChangedElsewhere()); });
        QVERIFY2(pollMs < 2400, qPrintable(QString::number(pollMs)));

        // The host comes back: the next Enter logs on a new connection.
        proxy.setMode(FreezableProxy::Mode::Pass);
        proxy.dropConnections();
        TYPE(run, QStringLiteral("jim ma\r"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.cacheCount(), 2);
        LogConnection side(db.address(), QStringLiteral("QPSQL"));
        QCOMPARE(side.count(QStringLiteral("K1ABC")), 1);
    }

    void anInsertWhoseAnswerWasLostIsNeverStoredTwice()
    {
        SERVER_BEHIND_RELAY(db, proxy);
        TempHome home;
        Run run(home);
        START(run, FreezableProxy::relayedAddress(db.address(), proxy.port()));
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        LogConnection side(db.address(), QStringLiteral("QPSQL"));

        TYPE(run, QStringLiteral("k1abc jim ma"));
        proxy.setMode(FreezableProxy::Mode::LoseRepliesAfterInsert);
        const qint64 enterMs = timed([&] { run.type(QStringLiteral("\r")); });
        QVERIFY2(enterMs < 5400, qPrintable(QString::number(enterMs)));
        QCOMPARE(run.status(), NotLoggedMessage);
        QCOMPARE(run.cacheCount(), 1);
        QCOMPARE(side.count(QStringLiteral("K1ABC")), 1); // it did reach the log

        proxy.setMode(FreezableProxy::Mode::Pass);
        proxy.dropConnections();
        run.clock.advanceMs(20000); // a later Enter keeps the first try's time
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.text("txtCall"), QString());
        QCOMPARE(side.count(QStringLiteral("K1ABC")), 1);
        QCOMPARE(run.cacheCount(), 2);
        QVERIFY(run.context->session.WorkList());
        QCOMPARE(run.cacheCount(), 2);
    }

    void aFullDiskIsNamed()
    {
        LOG_ON_SMALL_DISK(disk, log);
        TempHome home;
        Run run(home);
        START(run, log);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        QCOMPARE(run.cacheCount(), 1);

        disk.fill();
        TYPE(run, QStringLiteral("k1abc jim ma\r"));
        QCOMPARE(run.status(), QStringLiteral("Contact NOT logged - the log file cannot be written "
                                              "(disk full).  Press Enter to try again."));
        QCOMPARE(run.statusColour(), red);
        QCOMPARE(run.cacheCount(), 1);

        // Setup's Done says so before the first contact fails.
        run.dialogs.asked.clear();
        QVERIFY(run.context->session.connectLog(log, home.installDir()));
        QCOMPARE(run.dialogs.messageTitles(), QStringList{QStringLiteral("Log Cannot Be Written")});
        QVERIFY(run.dialogs.asked[0].text.contains(QLatin1String("the disk is full")));

        disk.makeRoom();
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.rows(QStringLiteral("K1ABC")).size(), size_t(1));
    }

    void aReadOnlyLogIsNamed()
    {
        LOG_ON_SMALL_DISK(disk, log);
        QVERIFY(disk.remount(true));
        TempHome home;
        Run run(home);
        run.dialogs.answerButton(DialogButton::Ok); // the warning, before the question
        START(run, log);
        // Done warned at once, and the first contact says why it failed.
        QVERIFY(run.dialogs.messageTitles().contains(QStringLiteral("Log Cannot Be Written")));
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        QCOMPARE(run.status(), QStringLiteral("Contact NOT logged - the log file cannot be written "
                                              "(read-only).  Press Enter to try again."));
        QCOMPARE(run.cacheCount(), 0);
        QVERIFY(disk.remount(false));
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.rowCount(), 1);
    }

    void scoreIsTheSameLiveAndAfterAReload()
    {
        TempHome home;
        Run run(home);
        START(run);
        // Canada and the USA as typed or completed, Mexico twice in other
        // cases, Hawaii, and a European station.
        for (const char* c : {"ve3abc bob canada\r", "w1aw jim ct\r", "xe1a juan mexico\r",
                              "xe2b pedro MEXICO\r", "kh6xx kai hi\r", "dl1ab fritz germany\r",
                              "ve7xyz ann bc\r"}) {
            run.clock.advanceMs(5000);
            TYPE(run, QString::fromLatin1(c));
            QVERIFY2(run.status().isEmpty(), qPrintable(QString::fromLatin1(c) + run.status()));
        }
        QCOMPARE(run.cacheCount(), 7);
        const auto score = [&] {
            return QStringList{run.label("lblTotCon")->text(), run.label("lblsectogo")->text(),
                               run.label("lblTotScore")->text(), run.label("Label4")->text()};
        };
        const QStringList live = score();
        QVERIFY(run.context->session.WorkList());
        QCOMPARE(score(), live);
        QCOMPARE(run.context->session.multipliers().countries.total(), 1);
    }

    void timeOffWritesTheBackup()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("k1abc bob ct\r"));
        const QString backup = home.installDir() + QStringLiteral("/BckUpLog.dat");
        QFile::remove(backup);
        run.button("cmdLogOn")->click();
        QVERIFY(run.status().startsWith(QLatin1String("Logged Off at ")));
        QFile f(backup);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("\"K1ABC\""));
    }
};

QTEST_MAIN(LogWindowTest)
#include "tst_log_window.moc"
