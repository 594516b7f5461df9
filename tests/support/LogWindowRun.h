#pragma once
// One program run on a temporary home, driven through the real log window
// (offscreen) as an operator drives it: station setup on either engine,
// then keys typed one at a time. Shared by the tests of the log window.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "TempHome.h"
#include "log/FirstStart.h"
#include "log/LogStore.h"
#include "ui/AppContext.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/StationSetupWindow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>
#include <optional>

namespace zelq::test {

inline const QString dataDir = QStringLiteral(ZELQ_TEST_DATA_DIR);
inline const QString sqlite = QStringLiteral("sqlite");
inline const QString postgresql = QStringLiteral("postgresql");
inline const QDateTime saturdayEvening(QDate(2026, 2, 14), QTime(18, 0), Qt::UTC);
inline const QColor red(255, 0, 0);
inline const QColor normalStatus(0, 192, 192);

// One program run on a temporary home, taken through station setup to the
// point where contacts are entered.
struct Run {
    explicit Run(const TempHome& home, const QDateTime& utc = saturdayEvening, int zoneSeconds = 0)
        : clock(utc, zoneSeconds), logPath(home.installDir() + QStringLiteral("/ZELQLog.MDB"))
    {
        AppFolderSet f;
        f.install = home.installDir();
        f.shipped = dataDir;
        f.program = home.path() + QStringLiteral("/program");
        f.shared = home.path() + QStringLiteral("/shared");
        QDir().mkpath(f.program);
        QDir().mkpath(f.shared);
        prepareInstallFolder(f.install, f.shipped);
        context = std::make_unique<AppContext>(f, dialogs, beeper, clock);
        context->shared.LoadSharedPreferences(f.shared + QStringLiteral("/SharedUserPreferences.xml"));
        window = std::make_unique<LogWindow>(*context);
        startup = new StartupSequence(*context, *window);
        window->show();
    }

    // Setup's Done on the default log or on `address`; `offsetAnswer`
    // answers the UTC offset question asked when zone and setting differ.
    void start(const QString& address = QString(), const std::optional<QString>& offsetAnswer = {})
    {
        if (offsetAnswer)
            dialogs.answerText(*offsetAnswer);
        startup->run();
        StationSetupWindow* setup = window->setupCommand().window();
        QVERIFY(setup);
        if (!address.isEmpty()) {
            auto* text9 = setup->findChild<QLineEdit*>(QStringLiteral("Text9"));
            QVERIFY(text9);
            text9->clear();
            QTest::keyClicks(text9, address);
            logPath = address;
        }
        dialogs.answerButton(DialogButton::Yes); // continue the log
        QTest::mouseClick(setup->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QTRY_COMPARE(startup->state(), StartupSequence::State::Ready);
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), edit("txtCall"));
        QCOMPARE(dialogs.pendingAnswers(), 0);
    }

    QLineEdit* edit(const char* name) const { return window->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QLabel* label(const char* name) const { return window->findChild<QLabel*>(QString::fromLatin1(name)); }
    QPushButton* button(const char* name) const
    {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const { return edit(name)->text(); }
    QString status() const { return label("lblDialog")->text(); }
    QColor statusColour() const { return label("lblDialog")->palette().color(QPalette::Window); }
    QString partialLine() const { return label("lblDupe")->text(); }
    QString focused() const
    {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QStringLiteral("(none)");
    }
    bool newShown() const { return label("Label3")->isVisibleTo(window.get()); }

    // Types `keys` into whichever field has the focus, one key at a time with
    // the window's events run in between: ' ' is Space, '\r' Enter, '\x1b'
    // Esc, '\b' Backspace.
    void type(const QString& keys) const
    {
        for (QChar c : keys) {
            QWidget* w = QApplication::focusWidget();
            QVERIFY2(w, "no field has the focus");
            switch (c.unicode()) {
            case '\r': QTest::keyClick(w, Qt::Key_Return); break;
            case 0x1b: QTest::keyClick(w, Qt::Key_Escape); break;
            case '\b': QTest::keyClick(w, Qt::Key_Backspace); break;
            default: QTest::keyClick(w, c.toLatin1()); break;
            }
            QCoreApplication::processEvents();
        }
    }
    void ctrl(Qt::Key key) const
    {
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
        QCoreApplication::processEvents();
    }
    void focusField(const char* name) const
    {
        edit(name)->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
    }

    std::vector<Contact> rows(const QString& call) const
    {
        return context->store.selectByCall(call).value_or(std::vector<Contact>{});
    }
    int rowCount() const { return int(context->store.rowCount().value_or(-1)); }
    int cacheCount() const { return context->session.cache().count(); }

    FakeDialogs dialogs;
    FakeBeeper beeper;
    FakeClock clock;
    QString logPath;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<LogWindow> window;
    StartupSequence* startup = nullptr;
};

// Setup, with a check that stops the test when it fails.
#define START(run, ...)                                                                 \
    do {                                                                                \
        (run).start(__VA_ARGS__);                                                       \
        if (QTest::currentTestFailed())                                                 \
            return;                                                                     \
    } while (false)

#define TYPE(run, keys)                                                                 \
    do {                                                                                \
        (run).type(keys);                                                               \
        if (QTest::currentTestFailed())                                                 \
            return;                                                                     \
    } while (false)

// The log of one engine: SQLite is the default log the first start makes;
// PostgreSQL is a fresh database of the test server with an empty log.
struct EngineLog {
    explicit EngineLog(const QString& engine)
    {
        if (engine == postgresql)
            pg = std::make_unique<PgTestDatabase>();
    }
    bool create()
    {
        return !pg || LogStore::createLog(pg->address(), &error);
    }
    QString address() const { return pg ? pg->address() : QString(); }

    std::unique_ptr<PgTestDatabase> pg;
    QString error;
};

#define ENGINE_LOG(log)                                                                 \
    QFETCH(QString, engine);                                                            \
    EngineLog log(engine);                                                              \
    if (log.pg)                                                                         \
        ZELQ_REQUIRE_PG(*log.pg);                                                       \
    QVERIFY2(log.create(), qPrintable(log.error))

inline void addEngineRows()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << sqlite;
    QTest::newRow("postgresql") << postgresql;
}


} // namespace zelq::test
