// Code practice without its window: random groups and the rules of their
// fields, and practice text sent through the keying thread onto a
// recording key line (in order, none lost or doubled, the keyer's own
// spacing, Stop after the character being keyed, edits while sending),
// the keyboard field typing ahead with Backspace, closing, and practice
// through a sender other than the line keyer.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/RecordingKeyLine.h"
#include "keying/CodePractice.h"
#include "keying/CwControl.h"
#include "keying/Morse.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

constexpr qint64 Ms = 1000000;

QString keyedStates(const QList<KeyChange>& changes)
{
    QString s;
    for (const KeyChange& c : changes)
        s += c.down ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

// The window as the practice logic sees it.
struct FakeView final : CodePracticeView {
    QString text, sent, groups = QStringLiteral("10"), perGroup = QStringLiteral("5"), clipboard, speed;
    bool letters = true;
    bool focused = false;
    int caret = -1;
    std::function<void()> onEcho;

    QString practiceText() const override { return text; }
    void setPracticeText(const QString& t) override { text = t; }
    void setPracticeCaret(int p) override { caret = p; }
    void focusPracticeText() override { focused = true; }
    void appendSent(const QString& t) override
    {
        sent += t;
        if (onEcho)
            onEcho();
    }
    void chopSent() override { sent.chop(1); }
    QString groupsText() const override { return groups; }
    void setGroupsText(const QString& t) override { groups = t; }
    QString perGroupText() const override { return perGroup; }
    void setPerGroupText(const QString& t) override { perGroup = t; }
    bool lettersOnly() const override { return letters; }
    QString clipboardText() const override { return clipboard; }
    void showSpeed(const QString& wpm) override { speed = wpm; }
};

// A keyer that keys on its own (as a WinKeyer does): it takes a character
// every tick and reports it sent at the next.
class TickingSender final : public CwSender {
public:
    TickingSender()
    {
        timer.setInterval(15);
        connect(&timer, &QTimer::timeout, this, &TickingSender::tick);
    }
    void send(const QString& text) override
    {
        if (unreachable)
            return; // a device that cannot be opened drops the text
        pending += text;
        handedOver += text;
        most = std::max(most, int(pending.size()));
        if (!sending) {
            sending = true;
            takeNext();
            timer.start();
        }
    }
    void clearBuffer() override { pending.clear(); }
    bool removeLast() override
    {
        if (pending.isEmpty())
            return false;
        pending.chop(1);
        return true;
    }
    QString buffer() const override { return pending; }
    bool isSending() const override { return sending; }
    void setWpm(double w) override { wpm = w; }

    QString handedOver, keyed;
    bool unreachable = false;
    int most = 0;
    double wpm = 0;

private:
    void takeNext()
    {
        current = pending.isEmpty() ? QChar() : pending.front();
        if (!pending.isEmpty())
            pending.remove(0, 1);
    }
    void tick()
    {
        if (!current.isNull()) {
            keyed += current;
            const QChar c = current;
            takeNext();
            emit characterSent(c, pending);
        }
        if (current.isNull() && pending.isEmpty() && sending) {
            sending = false;
            timer.stop();
            emit bufferEmpty();
        } else if (current.isNull()) {
            takeNext();
        }
    }

    QString pending;
    QChar current;
    bool sending = false;
    QTimer timer;
};

// Numbers in [0, 1) from a list, round and round.
std::function<double()> scripted(QList<double> values)
{
    auto at = std::make_shared<qsizetype>(0);
    return [values, at] { return values[(*at)++ % values.size()]; };
}

} // namespace

class TestCodePractice : public QObject {
    Q_OBJECT

    TempHome home;
    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    RecordingKeyLine line;

    std::unique_ptr<CwControl> keyer(const QString& wpm, KeyingMethod method = KeyingMethod::Dtr)
    {
        auto c = std::make_unique<CwControl>(registry, home.installDir(), dialogs, beeper);
        c->callText = [] { return QStringLiteral("W1AW"); };
        c->mode = [] { return QStringLiteral("CW"); };
        c->setLineOverride(&line);
        CwSettings s;
        s.method = method;
        s.speed = wpm;
        c->applySettings(s);
        line.clear();
        return c;
    }

    static void waitUntilIdle(const CwControl& c, const CodePractice& p, int ms = 10000)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!p.practising() && !c.CWSending(), ms);
    }

private slots:
    void init() { line.clear(); }

    void lettersOnlyAndAllSigns()
    {
        QCOMPARE(PracticeCharacters.size(), 41);
        QCOMPARE(PracticeCharacters.indexOf(QLatin1Char('0')), 26);
        QCOMPARE(PracticeCharacters.right(5), QStringLiteral(".,?/-"));

        QRandomGenerator seeded(1234);
        auto uniform = [&seeded] { return seeded.generateDouble(); };
        const PracticeGroups letters = generatePractice(QStringLiteral("10"), QStringLiteral("5"), true, uniform);
        QCOMPARE(letters.text.size(), 60);
        QVERIFY2(QRegularExpression(QStringLiteral("^([A-Z]{5} ){10}$")).match(letters.text).hasMatch(),
                 qPrintable(letters.text));

        // All signs: over many groups every one of the 41 turns up, and
        // nothing else.
        const PracticeGroups all = generatePractice(QStringLiteral("200"), QStringLiteral("5"), false, uniform);
        QCOMPARE(all.text.size(), 1200);
        for (QChar c : PracticeCharacters)
            QVERIFY2(all.text.contains(c), qPrintable(QString(c)));
        for (QChar c : all.text)
            QVERIFY(c == QLatin1Char(' ') || PracticeCharacters.contains(c));

        // The ends of the range: the first sign, the last of each choice.
        const auto edges = scripted({0.0, 0.99999, 26.5 / 41});
        QCOMPARE(generatePractice(QStringLiteral("1"), QStringLiteral("3"), true, edges).text, QStringLiteral("AZQ "));
        QCOMPARE(generatePractice(QStringLiteral("1"), QStringLiteral("3"), false, edges).text, QStringLiteral("A-0 "));
        // A source giving 1 still picks a sign.
        QCOMPARE(generatePractice(QStringLiteral("1"), QStringLiteral("1"), true, [] { return 1.0; }).text,
                 QStringLiteral("Z "));
    }

    void fieldsThatAreNotNumbers_data()
    {
        QTest::addColumn<QString>("groups");
        QTest::addColumn<QString>("perGroup");
        QTest::addColumn<QString>("groupsAfter");
        QTest::addColumn<QString>("perGroupAfter");
        QTest::addColumn<int>("groupCount");
        QTest::addColumn<int>("groupLength");
        QTest::newRow("letters in groups") << "ab" << "3" << "10" << "3" << 10 << 3;
        QTest::newRow("empty per group") << "2" << "" << "2" << "5" << 2 << 5;
        QTest::newRow("both") << "x1" << "five" << "10" << "5" << 10 << 5;
        QTest::newRow("blanks around") << " 4 " << "2" << " 4 " << "2" << 4 << 2;
        QTest::newRow("half to even") << "2.5" << "3.5" << "2.5" << "3.5" << 2 << 4;
        QTest::newRow("none") << "0" << "5" << "0" << "5" << 0 << 5;
        QTest::newRow("below none") << "-3" << "5" << "-3" << "5" << 0 << 5;
        QTest::newRow("far too many") << "1e9" << "500" << "9999" << "99" << 9999 << 99;
    }

    void fieldsThatAreNotNumbers()
    {
        QFETCH(QString, groups);
        QFETCH(QString, perGroup);
        QFETCH(QString, groupsAfter);
        QFETCH(QString, perGroupAfter);
        QFETCH(int, groupCount);
        QFETCH(int, groupLength);
        const PracticeGroups g = generatePractice(groups, perGroup, true, [] { return 0.5; });
        QCOMPARE(g.groups, groupsAfter);
        QCOMPARE(g.perGroup, perGroupAfter);
        const QStringList parts = g.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(parts.size(), groupLength == 0 ? 0 : groupCount);
        QCOMPARE(g.text.size(), qsizetype(groupCount) * (groupLength + 1));
        for (const QString& p : parts)
            QCOMPARE(p.size(), groupLength);
    }

    void generateAndPasteFillTheTextToSend()
    {
        auto c = keyer(QStringLiteral("30"));
        FakeView view;
        CodePractice p(*c, view);
        QCOMPARE(view.speed, QStringLiteral("30"));
        p.uniform = scripted({0.0});
        view.groups = QStringLiteral("ten");
        view.text = QStringLiteral("OLD");
        p.Command2_Click();
        QCOMPARE(view.groups, QStringLiteral("10"));
        QCOMPARE(view.text, QStringLiteral("AAAAA ").repeated(10));
        view.clipboard = QStringLiteral("cq de w1aw");
        p.Command1_Click();
        QCOMPARE(view.text, QStringLiteral("cq de w1aw"));
    }

    void practiceTextIsKeyedCharacterByCharacter()
    {
        auto c = keyer(QStringLiteral("60"));
        FakeView view;
        CodePractice p(*c, view);
        QList<qsizetype> waiting;
        connect(c.get(), &CwControl::characterSent, this, [&](QChar, const QString& rest) { waiting << rest.size(); });
        view.text = QStringLiteral("paris 5nn?");
        p.Command3_Click();
        QVERIFY(view.focused);
        QVERIFY(p.practising());
        waitUntilIdle(*c, p);
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("PARIS 5NN?"), 0));
        QCOMPARE(view.sent, QStringLiteral("paris 5nn?"));
        QCOMPARE(view.caret, 10);
        // The keyer never held more than the one character waiting ahead.
        QCOMPARE(waiting.size(), 10);
        QVERIFY(*std::max_element(waiting.begin(), waiting.end()) <= 1);
        // No gap between characters beyond the keyer's own units: every
        // change is one unit (20 ms) after the one before, loosely.
        const QList<KeyChange> changes = line.changes();
        qint64 longest = 0;
        for (qsizetype i = 1; i < changes.size(); ++i)
            longest = std::max(longest, changes[i].monotonicNs - changes[i - 1].monotonicNs);
        QVERIFY2(longest < 20 * Ms + (c->engine().realtime() ? 15 : 60) * Ms,
                 qPrintable(QString::number(longest / 1000)));
    }

    void stopEndsAfterTheCharacterBeingKeyed()
    {
        auto c = keyer(QStringLiteral("40"));
        FakeView view;
        CodePractice p(*c, view);
        view.text = QStringLiteral("TEST TEST");
        p.Command3_Click();
        QTRY_VERIFY(!line.changes().isEmpty());
        p.Command4_Click();
        QVERIFY(!p.practising());
        QCOMPARE(c->CWBuffer(), QString());
        waitUntilIdle(*c, p);
        QCOMPARE(keyedStates(line.changes()), elementsOf(QLatin1Char('T')));
        QCOMPARE(view.sent, QStringLiteral("T"));

        // Send again while the stopped character is still keyed: from the
        // start, the whole text.
        line.clear();
        view.sent.clear();
        view.text = QStringLiteral("TEE");
        p.Command3_Click();
        QTRY_VERIFY(!line.changes().isEmpty());
        p.Command4_Click();
        p.Command3_Click();
        waitUntilIdle(*c, p);
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TTEE"), 0));
        QCOMPARE(view.sent, QStringLiteral("TTEE"));
    }

    void editsWhileSendingTakeEffect()
    {
        auto c = keyer(QStringLiteral("60"));
        FakeView view;
        CodePractice p(*c, view);
        view.text = QStringLiteral("EEEEEEEEEE");
        // When the second character is echoed, the rest is rewritten.
        view.onEcho = [&] {
            if (view.sent.size() == 2)
                view.text = QStringLiteral("EEEMI");
        };
        p.Command3_Click();
        waitUntilIdle(*c, p);
        QCOMPARE(view.sent, QStringLiteral("EEEMI"));
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("EEEMI"), 0));

        // Cut short while sending: it ends where the text now ends.
        line.clear();
        view.sent.clear();
        view.text = QStringLiteral("TTTTTTTT");
        view.onEcho = [&] {
            if (view.sent.size() == 1)
                view.text = QStringLiteral("TTT");
        };
        p.Command3_Click();
        waitUntilIdle(*c, p);
        QCOMPARE(view.sent, QStringLiteral("TTT"));
    }

    void contactMarkIsNeverHandedToTheKeyer()
    {
        auto c = keyer(QStringLiteral("99"));
        int logged = 0;
        c->logContact = [&] { ++logged; };
        FakeView view;
        CodePractice p(*c, view);
        view.text = QStringLiteral("E!E");
        p.Command3_Click();
        p.keyboardCharacter(QLatin1Char('!'));
        waitUntilIdle(*c, p);
        QCoreApplication::processEvents();
        QCOMPARE(logged, 0);
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("EE"), 0));
    }

    void keyboardTypesAheadAndBackspaceTakesBack()
    {
        auto c = keyer(QStringLiteral("40"));
        FakeView view;
        CodePractice p(*c, view);
        p.keyboardCharacter(QLatin1Char('t'));
        QTRY_VERIFY(!line.changes().isEmpty());
        for (QChar ch : QStringLiteral("esx"))
            p.keyboardCharacter(ch);
        QCOMPARE(c->CWBuffer(), QStringLiteral("ESX")); // T is being keyed
        QCOMPARE(view.sent, QStringLiteral("TESX"));
        p.keyboardCharacter(QLatin1Char('\b'));
        QCOMPARE(c->CWBuffer(), QStringLiteral("ES"));
        QCOMPARE(view.sent, QStringLiteral("TES"));
        p.keyboardCharacter(QLatin1Char('t'));
        p.keyboardCharacter(QLatin1Char('\r')); // no sign: nothing
        waitUntilIdle(*c, p);
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TEST"), 0));
        QCOMPARE(view.sent, QStringLiteral("TEST"));
        // Everything sent: nothing to take back, and the echo stays true.
        p.keyboardCharacter(QLatin1Char('\b'));
        QCOMPARE(view.sent, QStringLiteral("TEST"));
    }

    void backspaceLeavesThePracticeTextAlone()
    {
        auto c = keyer(QStringLiteral("40"));
        FakeView view;
        CodePractice p(*c, view);
        view.text = QStringLiteral("TEE");
        p.Command3_Click();
        QTRY_VERIFY(!line.changes().isEmpty());
        p.keyboardCharacter(QLatin1Char('\b')); // the waiting E is the practice text's
        waitUntilIdle(*c, p);
        QCOMPARE(view.sent, QStringLiteral("TEE"));
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TEE"), 0));
    }

    void speedButtonsAndClosing()
    {
        auto c = keyer(QStringLiteral("30"));
        FakeView view;
        CodePractice p(*c, view);
        p.Command7_Click();
        QCOMPARE(view.speed, QStringLiteral("31"));
        p.Command8_Click();
        p.Command8_Click();
        QCOMPARE(view.speed, QStringLiteral("29"));
        QCOMPARE(c->settings().speed, QStringLiteral("29"));

        view.text = QStringLiteral("PARIS");
        p.Command3_Click();
        QTRY_VERIFY(!line.changes().isEmpty());
        QVERIFY(!p.closeRequested()); // the P is still keyed
        QVERIFY(!p.practising());
        QCOMPARE(c->CWBuffer(), QString());
        QTRY_VERIFY(p.closeRequested());
        QCOMPARE(keyedStates(line.changes()), elementsOf(QLatin1Char('P')));
    }

    void noKeyingMethodEchoesAtOnce()
    {
        auto c = keyer(QStringLiteral("30"), KeyingMethod::None);
        FakeView view;
        CodePractice p(*c, view);
        view.text = QStringLiteral("CQ CQ");
        p.Command3_Click();
        QVERIFY(!p.practising());
        QCOMPARE(view.sent, QStringLiteral("CQ CQ"));
        QCOMPARE(view.caret, 5);
        QVERIFY(line.changes().isEmpty());
        // The largest text Generate makes goes in one step, not a
        // character at a time.
        view.sent.clear();
        view.text = QStringLiteral("ABCDE! ").repeated(200000);
        p.Command3_Click();
        QVERIFY(!p.practising());
        QCOMPARE(view.sent, QStringLiteral("ABCDE ").repeated(200000));
    }

    void practiceThroughAKeyerOfItsOwn()
    {
        auto c = keyer(QStringLiteral("25"), KeyingMethod::WinKey);
        TickingSender device;
        c->setSender(KeyingMethod::WinKey, &device);
        QCOMPARE(device.wpm, 25.0);
        FakeView view;
        CodePractice p(*c, view);
        view.text = QStringLiteral("CQ TEST DE W1AW");
        p.Command3_Click();
        waitUntilIdle(*c, p);
        QCOMPARE(device.keyed, QStringLiteral("CQ TEST DE W1AW"));
        QCOMPARE(view.sent, view.text);
        QVERIFY2(device.most <= 2, qPrintable(QString::number(device.most)));
        QVERIFY(line.changes().isEmpty()); // the line keyer stays quiet

        // Stop: the character being keyed ends, nothing after it.
        device.keyed.clear();
        view.sent.clear();
        p.Command3_Click();
        QTRY_VERIFY(view.sent.size() >= 2);
        p.Command4_Click();
        waitUntilIdle(*c, p);
        QCOMPARE(view.sent, device.keyed);
        QVERIFY(view.sent.size() <= 4);

        // Typed characters queue on the device and Backspace takes one back.
        view.sent.clear();
        device.keyed.clear();
        for (QChar ch : QStringLiteral("abc"))
            p.keyboardCharacter(ch);
        p.keyboardCharacter(QLatin1Char('\b'));
        QCOMPARE(view.sent, QStringLiteral("AB"));
        waitUntilIdle(*c, p);
        QCOMPARE(device.keyed, QStringLiteral("AB"));

        // A device that cannot be reached takes nothing: practice stops
        // at once and echoes nothing as sent.
        view.sent.clear();
        device.unreachable = true;
        p.Command3_Click();
        QVERIFY(!p.practising());
        QCOMPARE(view.sent, QString());
        c->setSender(KeyingMethod::WinKey, nullptr);
    }
};

QTEST_GUILESS_MAIN(TestCodePractice)

#include "tst_code_practice.moc"
