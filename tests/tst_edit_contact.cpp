// Editing and deleting contacts through the log window's commands and the
// edit window, driven offscreen over a real log. Cases that depend on the
// statements run on SQLite and on PostgreSQL.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "export/Cabrillo.h"
#include "log/CountryCompletion.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/PrefixTable.h"
#include "ui/ContactEditCommands.h"
#include "ui/EditContactWindow.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using namespace zelq;
using namespace zelq::test;

namespace {

using Rows = std::vector<Contact>;
PrefixTable prefixes;

Contact contact(const QString& call, const QString& band, const QString& time,
                const QString& spc = u"CT"_s)
{
    return {call, u"BOB"_s, spc, u"NA"_s, u"2024/06/22"_s, time, band, u"DAVE"_s, u"1"_s};
}

template <typename T = QLineEdit> T* get(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

bool shown(QWidget* w, const char* name)
{
    return get<QWidget>(w, name)->isVisible();
}

void click(QWidget* w, const char* button)
{
    QTest::mouseClick(get<QPushButton>(w, button), Qt::LeftButton);
}

// Replaces a field's text by typing, as the operator would.
void retype(QWidget* w, const char* name, const QString& keys)
{
    QLineEdit* e = get(w, name);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, keys);
}

// Leaves a field with Tab and lets its check, and whatever that sets off, run.
void leave(QWidget* w, const char* name)
{
    QTest::keyClick(get(w, name), Qt::Key_Tab);
    QTest::qWait(20);
}

// One position over a new log of the row's engine, with the log window's
// edit and delete commands.
struct Position {
    QTemporaryDir dir{u"/tmp/zelq-edit-XXXXXX"_s};
    std::unique_ptr<PgTestDatabase> pg;
    QString address;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    LogStore store{u"edit"_s};
    LogSession session{store, dialogs};
    ContactEditCommands commands{session, prefixes, dialogs, beeper, nullptr};
    int reloads = 0;
    int hides = 0;
    QByteArray intact;

    explicit Position(const QString& engine = u"sqlite"_s)
    {
        if (engine == "postgresql"_L1) {
            pg = std::make_unique<PgTestDatabase>();
            address = pg->address();
        } else {
            address = dir.path() + u"/ZELQ Log.MDB"_s;
        }
        session.addReloadStep([this] { ++reloads; });
        commands.hideButtons = [this] { ++hides; };
    }
    bool open(const Rows& rows)
    {
        QString error;
        if (!LogStore::createLog(address, &error) || !session.connectLog(address, QString()))
            return false;
        for (const Contact& c : rows)
            if (!store.insert(c))
                return false;
        return session.WorkList();
    }
    // The edit window of cache row `row`, once it has the focus.
    EditContactWindow* edit(int row)
    {
        commands.cmdEdit_Click(row);
        EditContactWindow* w = commands.editWindow();
        if (w && !QTest::qWaitForWindowActive(w))
            qWarning() << "the edit window did not become active";
        return w;
    }
    Rows stored()
    {
        Rows r = store.selectAll().value_or(Rows{});
        std::sort(r.begin(), r.end(), [](const Contact& a, const Contact& b) {
            return std::tie(a.fldtime, a.calls) < std::tie(b.fldtime, b.calls);
        });
        return r;
    }
    // Makes every statement fail (the table renamed on the server, the file
    // overwritten under the open connection), or undoes that.
    bool breakLog(bool broken = true)
    {
        if (!pg) {
            if (broken) {
                QFile in(address);
                intact = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
            }
            const QByteArray bytes = broken ? QByteArray(100, 'x') : intact;
            QFile f(address);
            return f.open(QIODevice::ReadWrite) && f.write(bytes) == bytes.size();
        }
        const QUrl url(address);
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, u"admin"_s);
            db.setHostName(url.host());
            db.setPort(url.port(5432));
            db.setUserName(url.userName());
            db.setDatabaseName(url.path().mid(1));
            ok = db.open()
                && QSqlQuery(db).exec(broken ? u"ALTER TABLE tbllog RENAME TO away"_s
                                             : u"ALTER TABLE away RENAME TO tbllog"_s);
            db.close();
        }
        QSqlDatabase::removeDatabase(u"admin"_s);
        return ok;
    }
};

void engineRows()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << u"sqlite"_s;
    QTest::newRow("postgresql") << u"postgresql"_s;
}

} // namespace

#define OPEN_LOG(pos, ...)                                                                   \
    QFETCH(QString, engine);                                                                 \
    Position pos(engine);                                                                    \
    if (pos.pg)                                                                              \
        ZELQ_REQUIRE_PG(*pos.pg);                                                            \
    QVERIFY2(pos.open(__VA_ARGS__), qPrintable(pos.store.errorString()))

class EditContactTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        prefixes = PrefixTable::fromFile(QStringLiteral(ZELQ_TEST_DATA_DIR "/arrlpre2.txt"));
        QVERIFY(prefixes.count() > 1000);
    }

    void opensWithTheSelectedRow()
    {
        Position p;
        const Contact second{u"XE1A"_s, u"JUAN"_s, u"Mexico"_s, u"NA"_s, u"2024/06/23"_s,
                             u"01:02:03"_s, u"40"_s, u"DAVE"_s, u"2"_s};
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s), second}));
        EditContactWindow* w = p.edit(2);
        QVERIFY(w);
        QCOMPARE(w->objectName(), u"frmEditCon"_s);
        QCOMPARE(w->windowTitle(), u"Edit Contact Entry"_s);
        const char* names[] = {"txtEditCall", "txtEditCk", "txtEditPre", "txtEditSec", "txtEditDate",
                               "txtEditTime", "Text1", "Text2", "Text3"};
        const QStringList headings{u"Callsign"_s, u"Name"_s, u"S/P/C"_s, u"Cont"_s, u"Date"_s,
                                   u"Time"_s, u"Band"_s, u"Name Snt"_s, u"Transmitter #"_s};
        const auto labels = w->findChildren<QLabel*>();
        for (int i = 0; i < ColumnCount; ++i) {
            QLineEdit* e = get(w, names[i]);
            QCOMPARE(e->text(), second.at(i));
            QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
                return l->buddy() == e && l->text() == headings[i];
            }));
        }
        QCOMPARE(get<QLabel>(w, "Label1")->text(), u"  Dupe!"_s);
        QCOMPARE(get<QLabel>(w, "Label2")->text(), u"   Invalid!"_s);
        QCOMPARE(get<QLabel>(w, "Label6")->text(), u"   Invalid!"_s);
        for (const char* hidden : {"Label1", "Label2", "Label6", "cmdDeleteDupe"})
            QVERIFY2(!shown(w, hidden), hidden);
    }

    void keysFollowEachFieldsRule_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("call") << u"txtEditCall"_s << u"w1'a\"w/p"_s << u"W1AW/P"_s;
        QTest::newRow("name") << u"txtEditCk"_s << u"o'neil"_s << u"ONEIL"_s;
        QTest::newRow("continent") << u"txtEditSec"_s << u"n'a"_s << u"NA"_s;
        QTest::newRow("band keeps apostrophe") << u"Text1"_s << u"2'0\"m"_s << u"2'0M"_s;
        QTest::newRow("name sent") << u"Text2"_s << u"d\"ave'"_s << u"DAVE"_s;
        QTest::newRow("transmitter") << u"Text3"_s << u"x'2"_s << u"X2"_s;
        QTest::newRow("date") << u"txtEditDate"_s << u"2024-06/2a2\"."_s << u"202406/22"_s;
        QTest::newRow("time") << u"txtEditTime"_s << u"18:0a0;\"5"_s << u"18:005"_s;
        QTest::newRow("S/P/C keeps case after the first") << u"txtEditPre"_s << u"zz'\""_s << u"Zz"_s;
    }
    void keysFollowEachFieldsRule()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)}));
        EditContactWindow* w = p.edit(1);
        retype(w, qPrintable(field), typed);
        QCOMPARE(get(w, qPrintable(field))->text(), expected);
    }

    void spcCompletesCaseSensitivelyFromTheFirstCharacter()
    {
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s, u"m"_s)}));
        EditContactWindow* w = p.edit(1);
        QLineEdit* spc = get(w, "txtEditPre");

        // Typed after "m": "me" begins no country name as written.
        spc->setFocus();
        spc->end(false);
        QTest::keyClicks(spc, u"ex"_s);
        QCOMPARE(spc->text(), u"mex"_s);

        retype(w, "txtEditPre", u"M"_s);
        const auto first = completeCountryName(prefixes, QString(), u'M', Qt::CaseSensitive);
        QVERIFY(first);
        QCOMPARE(spc->text(), first->text);
        QCOMPARE(spc->selectedText(), first->text.mid(1));

        retype(w, "txtEditPre", u"mex"_s); // the first key is upper-cased
        QCOMPARE(spc->text(), u"Mexico"_s);
        QCOMPARE(spc->selectedText(), u"ico"_s);
        retype(w, "txtEditPre", u"MEX"_s);
        QCOMPARE(spc->text(), u"MEX"_s);

        // A key at the start replaces the whole entry.
        spc->setCursorPosition(0);
        QTest::keyClicks(spc, u"c"_s);
        QVERIFY(spc->text().startsWith(u'C'));
        QVERIFY(!spc->text().contains(u"MEX"_s));
    }

    void bandOutsideTheSixIsRefused_data()
    {
        QTest::addColumn<QString>("band");
        QTest::newRow("stored 6") << u"6"_s;
        QTest::newRow("typed 17") << u"17"_s;
        QTest::newRow("trailing blank") << u"20 "_s;
    }
    void bandOutsideTheSixIsRefused()
    {
        QFETCH(QString, band);
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, band, u"18:00:00"_s)}));
        const Rows before = p.stored();
        EditContactWindow* w = p.edit(1);
        get(w, "Text1")->setFocus();
        leave(w, "Text1");
        QVERIFY(shown(w, "Label6"));
        QCOMPARE(QApplication::focusWidget(), get(w, "Text1"));
        QCOMPARE(p.beeper.count, 1);

        // Enter in another field runs Done, which refuses the band too.
        QTest::keyClick(get(w, "txtEditCk"), Qt::Key_Return);
        QCOMPARE(p.stored(), before);
        QVERIFY(w->isVisible());

        retype(w, "Text1", u"40"_s);
        leave(w, "Text1");
        QVERIFY(!shown(w, "Label6"));
        QCOMPARE(QApplication::focusWidget(), get(w, "Text2"));
    }

    void spcOfTwoOrThreeCharactersMustBeASection_data()
    {
        QTest::addColumn<QString>("spc");
        QTest::addColumn<QString>("written"); // empty: refused
        QTest::newRow("ZZ") << u"ZZ"_s << QString();
        QTest::newRow("lower case section") << u"ct"_s << u"CT"_s;
        QTest::newRow("NWT") << u"NWT"_s << u"NWT"_s;
        QTest::newRow("country") << u"Mexico"_s << u"Mexico"_s;
        QTest::newRow("one character") << u"X"_s << u"X"_s;
    }
    void spcOfTwoOrThreeCharactersMustBeASection()
    {
        QFETCH(QString, spc);
        QFETCH(QString, written);
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s, u"ON"_s)}));
        EditContactWindow* w = p.edit(1);
        get(w, "txtEditPre")->setText(spc);
        click(w, "cmdDone");
        QCOMPARE(shown(w, "Label2"), written.isEmpty());
        QCOMPARE(p.commands.editWindow() == w, written.isEmpty());
        QCOMPARE(p.stored().at(0).spc, written.isEmpty() ? u"ON"_s : written);
        QCOMPARE(p.beeper.count, written.isEmpty() ? 1 : 0);
    }

    void invalidDateOrTimeIsReportedOnce()
    {
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)}));
        const Rows before = p.stored();
        EditContactWindow* w = p.edit(1);
        get(w, "txtEditDate")->setText(u"2024/13/01"_s);
        get(w, "txtEditTime")->setText(u"25:00"_s);
        // From one invalid field into another: only the one left is reported.
        get(w, "txtEditDate")->setFocus();
        leave(w, "txtEditDate");
        QCOMPARE(p.dialogs.messageTitles(), QStringList{u"Invalid Date Format!"_s});
        QCOMPARE(p.dialogs.asked[0].text, u"You have entered an invalid date format!"_s);
        QCOMPARE(QApplication::focusWidget(), get(w, "txtEditDate"));

        // Done checks the time first; the date it was clicked away from is
        // not reported again.
        p.dialogs.asked.clear();
        click(w, "cmdDone");
        QTest::qWait(20);
        QCOMPARE(p.dialogs.messageTitles(), QStringList{u"Invalid Time Format!"_s});
        QCOMPARE(p.dialogs.asked[0].text, u"You have entered an invalid time format!"_s);
        QCOMPARE(QApplication::focusWidget(), get(w, "txtEditTime"));
        retype(w, "txtEditTime", u"18:05"_s);
        QTest::keyClick(get(w, "txtEditTime"), Qt::Key_Return);
        QCOMPARE(p.dialogs.messageTitles().last(), u"Invalid Date Format!"_s);
        QCOMPARE(p.stored(), before);
        QCOMPARE(p.beeper.count, 3);
    }

    void editedDateAndTimeAreStoredAsLoggedContactsStoreThem_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("storedDate");
        QTest::addColumn<QString>("storedTime");
        QTest::addColumn<QString>("cabrillo");
        QTest::newRow("month first, h:mm") << u"2/7/2026"_s << u"1:23"_s << u"2026/02/07"_s
                                           << u"01:23"_s << u"2026-02-07 0123"_s;
        QTest::newRow("two-digit year") << u"2/7/26"_s << u"23:59"_s << u"2026/02/07"_s << u"23:59"_s
                                        << u"2026-02-07 2359"_s;
        QTest::newRow("dashes, seconds kept") << u"2026-2-7"_s << u"1:02:03"_s << u"2026/02/07"_s
                                              << u"01:02:03"_s << u"2026-02-07 0102"_s;
        QTest::newRow("already stored form") << u"2026/02/07"_s << u"18:05:00"_s << u"2026/02/07"_s
                                             << u"18:05:00"_s << u"2026-02-07 1805"_s;
    }
    void editedDateAndTimeAreStoredAsLoggedContactsStoreThem()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, storedDate);
        QFETCH(QString, storedTime);
        QFETCH(QString, cabrillo);
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)}));
        EditContactWindow* w = p.edit(1);
        QVERIFY(w);
        get(w, "txtEditDate")->setText(date);
        get(w, "txtEditTime")->setText(time);
        click(w, "cmdDone");
        QTest::qWait(20);
        QCOMPARE(p.dialogs.messageTitles(), QStringList{});
        const Rows rows = p.stored();
        QCOMPARE(int(rows.size()), 1);
        QCOMPARE(rows[0].flddate, storedDate);
        QCOMPARE(rows[0].fldtime, storedTime);

        // The Cabrillo line of the edited contact reads as any other.
        QVERIFY(p.session.WorkList());
        const QString line = cabrilloQsoLine(p.session.cache().row(1), u"K1ZZ"_s, u"CT"_s, u"CW"_s);
        QVERIFY2(line.startsWith(u"QSO: 14000 CW "_s + cabrillo + u" K1ZZ "_s), qPrintable(line));
    }

    void oneEditChangesAndOneDeleteRemovesIdenticalContacts_data() { engineRows(); }
    void oneEditChangesAndOneDeleteRemovesIdenticalContacts()
    {
        const Contact other = contact(u"W1AW"_s, u"40"_s, u"18:00:00"_s);
        const Contact twin = contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s);
        OPEN_LOG(p, {twin, twin, other});
        QSignalSpy finished(&p.commands, &ContactEditCommands::editFinished);
        EditContactWindow* w = p.edit(2);
        QVERIFY(w);
        retype(w, "txtEditCall", u"K1ABC"_s);
        retype(w, "txtEditCk", u"JOE"_s);
        QTest::keyClick(get(w, "txtEditCk"), Qt::Key_Return);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!p.commands.editWindow());
        QCOMPARE(p.hides, 1);

        Contact changed = contact(u"K1ABC"_s, u"20"_s, u"18:00:00"_s);
        changed.namerec = u"JOE"_s;
        QCOMPARE(p.stored(), (Rows{changed, changed, other}));
        QCOMPARE(p.session.cache().count(), 3);

        const int k1abc = p.session.cache().row(1).calls == "K1ABC"_L1 ? 1 : 2;
        p.dialogs.answerButton(DialogButton::Yes);
        QVERIFY(p.commands.cmdDelete_Click(k1abc));
        QCOMPARE(p.dialogs.messageTitles(), QStringList{u"Are you sure?"_s});
        QCOMPARE(p.dialogs.asked[0].text, u"Are you sure?"_s);
        QCOMPARE(p.stored(), Rows{other});
        QCOMPARE(p.session.cache().count(), 1);
        QCOMPARE(p.hides, 2);
    }

    void editIntoAnotherContactIsADupeAndDeleteDupeRemovesTheEditedOne_data() { engineRows(); }
    void editIntoAnotherContactIsADupeAndDeleteDupeRemovesTheEditedOne()
    {
        const Contact w1aw = contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s);
        const Contact k1abc = contact(u"K1ABC"_s, u"20"_s, u"18:01:00"_s);
        OPEN_LOG(p, {w1aw, k1abc});
        EditContactWindow* w = p.edit(2);
        QVERIFY(w);
        retype(w, "txtEditCall", u"W1AW"_s);
        click(w, "cmdDone");
        QVERIFY(shown(w, "Label1"));
        QVERIFY(shown(w, "cmdDeleteDupe"));
        QVERIFY(w->isVisible());
        QCOMPARE(p.beeper.count, 1);
        QCOMPARE(p.stored(), (Rows{w1aw, k1abc}));

        const int reloads = p.reloads;
        p.dialogs.answerButton(DialogButton::Yes);
        click(w, "cmdDeleteDupe");
        QVERIFY(!p.commands.editWindow());
        QCOMPARE(p.dialogs.messageTitles(), QStringList{u"Are you sure?"_s});
        QCOMPARE(p.stored(), Rows{w1aw});
        QCOMPARE(p.reloads, reloads + 1);
        QCOMPARE(p.hides, 2); // by the delete and by the end of the edit
    }

    void cancellingChangesNothing()
    {
        Position p;
        QVERIFY(p.open({contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)}));
        const Rows before = p.stored();
        const int reloads = p.reloads;
        p.dialogs.answerButton(DialogButton::No);
        QVERIFY(!p.commands.cmdDelete_Click(1));
        QCOMPARE(p.hides, 1);
        QCOMPARE(p.reloads, reloads);

        // Nothing selected: nothing asked, nothing opened.
        QVERIFY(!p.commands.cmdDelete_Click(2));
        p.commands.cmdEdit_Click(0);
        QVERIFY(!p.commands.editWindow());
        QCOMPARE(p.dialogs.asked.size(), 1);

        // Closing the edit window writes nothing; the log is reloaded anyway.
        EditContactWindow* w = p.edit(1);
        retype(w, "txtEditCall", u"K1ABC"_s);
        click(w, "cmdClose");
        QVERIFY(!p.commands.editWindow());
        QCOMPARE(p.stored(), before);
        QCOMPARE(p.hides, 2);
        QCOMPARE(p.reloads, reloads + 1);
    }

    void failedWritesAreReportedAndNothingClaimed_data() { engineRows(); }
    void failedWritesAreReportedAndNothingClaimed()
    {
        OPEN_LOG(p, {contact(u"W1AW"_s, u"20"_s, u"18:00:00"_s)});
        EditContactWindow* w = p.edit(1);
        QVERIFY(w);
        retype(w, "txtEditCall", u"K1ABC"_s);
        QVERIFY(p.breakLog());
        click(w, "cmdDone");
        QCOMPARE(p.dialogs.messageTitles(), QStringList{u"Network Error"_s});
        QVERIFY(w->isVisible()); // the edit is still there to try again

        const int reloads = p.reloads;
        p.dialogs.answerButton(DialogButton::Yes);
        QVERIFY(!p.commands.cmdDelete_Click(1));
        QCOMPARE(p.dialogs.messageTitles().last(), u"Network Error"_s);
        QCOMPARE(p.reloads, reloads);

        // Once the log is back, the same Done writes the edit.
        QVERIFY(p.breakLog(false));
        click(w, "cmdDone");
        QVERIFY(!p.commands.editWindow());
        QCOMPARE(p.stored(), Rows{contact(u"K1ABC"_s, u"20"_s, u"18:00:00"_s)});
    }
};

QTEST_MAIN(EditContactTest)
#include "tst_edit_contact.moc"
