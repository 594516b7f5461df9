// The CW keyer: the element table and the arithmetic of units and word
// spaces, the wildcards, "cw.txt", and the keying thread keying against
// its deadlines (read from the recording key line's stamps and from the
// ioctl shim's on a pty) while the window's thread is busy, with the
// operator's keys (function keys, Esc, Backspace, keyboard CW, speed) and
// the end signals that must leave the key up.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "IoctlShim.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/ParallelKeyLine.h"
#include "devices/PortMap.h"
#include "devices/QtSerialLine.h"
#include "devices/RecordingKeyLine.h"
#include "devices/SerialKeyLine.h"
#include "keying/CwControl.h"
#include "keying/CwMessages.h"
#include "keying/KeyRelease.h"
#include "keying/Morse.h"
#include "log/KeyDispatch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <csignal>
#include <sys/ioctl.h>
#include <sys/wait.h>

using namespace zelq;
using namespace zelq::test;

namespace {

constexpr qint64 Ms = 1000000;

// What is wrong with the timing of `elements` as keyed, or nothing. The
// recording holds one change per unit, as the keyer sets the line at every
// unit; each must be in its state, at its deadline (start + i units) within
// `tolerance`, and most of them within 4 ms. Without real-time scheduling
// the keyer may be held off and starts its deadlines again from where it
// woke (so no element is keyed short): then each unit is measured from the
// one before.
QString timingFault(const QList<KeyChange>& changes, qsizetype from, const QString& elements, qint64 unitNs,
                    bool realtime, qint64 tolerance)
{
    if (changes.size() < from + elements.size())
        return QStringLiteral("%1 units keyed, %2 expected").arg(changes.size() - from).arg(elements.size());
    const qint64 t0 = changes[from].monotonicNs;
    std::vector<qint64> errors;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (changes[from + i].down != (elements[i] == QLatin1Char('1')))
            return QStringLiteral("unit %1 keyed in the wrong state").arg(i);
        const qint64 deadline = realtime || i == 0 ? t0 + i * unitNs : changes[from + i - 1].monotonicNs + unitNs;
        errors.push_back(std::llabs(changes[from + i].monotonicNs - deadline));
    }
    std::sort(errors.begin(), errors.end());
    if (errors.back() > tolerance)
        return QStringLiteral("a unit %1 us off its deadline").arg(errors.back() / 1000);
    if (errors[errors.size() / 2] > 4 * Ms)
        return QStringLiteral("half the units over %1 us off").arg(errors[errors.size() / 2] / 1000);
    return {};
}

QString keyedStates(const QList<KeyChange>& changes)
{
    QString s;
    for (const KeyChange& c : changes)
        s += c.down ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

KeyStroke key(int k)
{
    KeyStroke s;
    s.key = k;
    return s;
}

KeyStroke typed(QChar c)
{
    KeyStroke s;
    s.ch = c;
    return s;
}

// Keeps the window's thread from running events for `ms`.
void busy(int ms)
{
    QElapsedTimer t;
    t.start();
    volatile double x = 0;
    while (t.elapsed() < ms)
        x = x + 1;
}

} // namespace

class TestCwKeyer : public QObject {
    Q_OBJECT

    TempHome home;
    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    RecordingKeyLine line;
    QString call;
    int logged = 0;

    // A keyer on the recording line: DTR method, the given messages.
    std::unique_ptr<CwControl> keyer(const QString& wpm, std::initializer_list<std::pair<int, QString>> messages = {},
                                     const QString& repeat = QStringLiteral("0"))
    {
        auto c = std::make_unique<CwControl>(registry, home.installDir(), dialogs, beeper);
        c->callText = [this] { return call; };
        c->mode = [] { return QStringLiteral("CW"); };
        c->logContact = [this] { ++logged; };
        c->setLineOverride(&line);
        CwSettings s;
        s.method = KeyingMethod::Dtr;
        s.speed = wpm;
        s.repeatSeconds = repeat;
        for (const auto& [slot, text] : messages)
            s.messages[size_t(slot)] = text;
        c->applySettings(s);
        line.clear();
        return c;
    }

    // Deadlines are kept to this when the keyer runs real-time (as root in
    // CI); without it a busy system may hold the thread off for a time slice.
    // Under real time it is still under one unit at 60 WPM, so a lost or
    // doubled unit shows; a shared virtual machine may hold even a real-time
    // thread off for some milliseconds. bench_cw_keyer measures precision.
    qint64 tolerance(const CwControl& c) const
    {
        return const_cast<CwControl&>(c).engine().realtime() ? 12 * Ms : 60 * Ms;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(IoctlShim::loaded(), "the ioctl shim is not preloaded");
        QDir().mkpath(home.installDir());
    }

    void init()
    {
        line.clear();
        call.clear();
        logged = 0;
    }

    void elementTable()
    {
        QCOMPARE(elementsOf(QLatin1Char('E')), QStringLiteral("1000"));
        QCOMPARE(elementsOf(QLatin1Char('q')), QStringLiteral("1110111010111000"));
        QCOMPARE(elementsOf(QLatin1Char('0')), QStringLiteral("1110111011101110111000"));
        QCOMPARE(elementsOf(QLatin1Char('-')), elementsOf(QLatin1Char('='))); // BT, not the hyphen
        QCOMPARE(elementsOf(QLatin1Char('\\')), QStringLiteral("111010111010101110101000"));
        QCOMPARE(elementsOf(QLatin1Char('@')), QString());
        QCOMPARE(elementsOf(QLatin1Char('!')), QString());
        // Every sign: elements 1 or 111 apart by one 0, ending in 000.
        const QString all = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,?/-=[];\\");
        for (QChar c : all) {
            const QString e = elementsOf(c);
            QVERIFY2(e.endsWith(QLatin1String("1000")), qPrintable(c));
            for (const QString& element : e.chopped(3).split(QLatin1Char('0')))
                QVERIFY2(element == QLatin1String("1") || element == QLatin1String("111"), qPrintable(c));
            QCOMPARE(elementsOf(c.toLower()), e);
        }
    }

    void unitsAndWordSpaces()
    {
        QCOMPARE(unitMs(20), 60.0);
        QCOMPARE(unitMs(60), 20.0);
        QVERIFY(std::abs(unitMs(13) - 92.3077) < 0.001);
        QCOMPARE(unitMs(0), unitMs(MinWpm));   // nearest bound
        QCOMPARE(unitMs(-4), 240.0);
        QCOMPARE(unitMs(150), unitMs(MaxWpm));
        // Between two words: 3 units closing the sign, then 8, 3 or none.
        QCOMPARE(keyedElements(QLatin1Char(' '), 0).size(), 8);
        QCOMPARE(keyedElements(QLatin1Char(' '), -5), QStringLiteral("000"));
        QCOMPARE(keyedElements(QLatin1Char(' '), -8), QString());
        QCOMPARE(keyedElements(QLatin1Char(' '), -12), QString());
        QCOMPARE(keyedElements(QLatin1Char(' '), 2).size(), 10);
        QCOMPARE(keyedElements(QLatin1Char('E'), 5), QStringLiteral("1000")); // only blanks change
        QCOMPARE(elementsOfText(QStringLiteral("e@e"), 0), QStringLiteral("10001000"));
    }

    void wildcards_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("reportAfter");
        QTest::newRow("call trimmed") << "$ 5NN" << "  W1AW " << "" << "W1AW 5NN" << "";
        QTest::newRow("call and report") << "TU $ *" << "W1AW" << "" << "TU W1AW 5NN" << "5NN";
        QTest::newRow("hash removed") << "NR # *" << "W1AW" << "599" << "NR  5NN" << "5NN";
        QTest::newRow("report kept") << "*" << "" << "579" << "579" << "579";
        QTest::newRow("two calls") << "$ $" << "K1ABC" << "" << "K1ABC K1ABC" << "";
        QTest::newRow("empty call") << "$ TEST" << "" << "" << " TEST" << "";
        QTest::newRow("mark kept") << "TU $!" << "W1AW" << "" << "TU W1AW!" << "";
    }

    void wildcards()
    {
        QFETCH(QString, message);
        QFETCH(QString, call);
        QFETCH(QString, report);
        QFETCH(QString, sent);
        QFETCH(QString, reportAfter);
        QCOMPARE(expandWildcards(message, call, report), sent);
        QCOMPARE(report, reportAfter);
    }

    void functionKeyCodes()
    {
        QCOMPARE(messageSlot(112), 0);
        QCOMPARE(messageSlot(120), 8);
        QCOMPARE(messageSlot(121), -1); // F10 is passed on as 124
        QCOMPARE(messageSlot(124), 9);
        QCOMPARE(messageSlot(122), 10);
        QCOMPARE(messageSlot(123), -1);
        QCOMPARE(functionKeyCode(10), 124);
        QCOMPARE(functionKeyCode(12), 123);
    }

    void settingsFile()
    {
        TempHome h;
        const QString folder = h.installDir();
        QDir().mkpath(folder);
        // No file: the defaults, and F9 empty.
        CwSettings none = CwSettings::load(folder);
        QCOMPARE(none.speed, QStringLiteral("13"));
        QCOMPARE(none.messages[8], QString());
        QCOMPARE(none.method, KeyingMethod::None);
        QCOMPARE(none.address, QStringLiteral("&H378"));

        CwSettings s;
        s.messages[0] = QStringLiteral("CQ ZELQ $ TEST");
        s.messages[1] = QStringLiteral("$ \"5NN\"");  // the quote cannot be stored
        s.messages[9] = QStringLiteral("F10");
        s.messages[10] = QStringLiteral("F11");
        s.port = QStringLiteral("3");
        s.speed = QStringLiteral("28");
        s.wordSpace = QStringLiteral("-5");
        s.method = KeyingMethod::Printer;
        s.display = true;
        s.repeatSeconds = QStringLiteral("2.5");
        QVERIFY(s.save(folder));
        QFile f(folder + QStringLiteral("/cw.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 19); // 18 lines, each ended by CR LF
        QCOMPARE(lines[0], QByteArray("\"CQ ZELQ $ TEST\"\r"));
        QCOMPARE(lines[1], QByteArray("\"$ 5NN\"\r"));
        QCOMPARE(lines[8], QByteArray("\"\"\r"));
        QCOMPARE(lines[9], QByteArray("\"3\"\r"));
        QCOMPARE(lines[11], QByteArray("\"F10\"\r"));
        QCOMPARE(lines[14], QByteArray("3\r"));
        QCOMPARE(lines[15], QByteArray("\"&H378\"\r"));
        QCOMPARE(lines[16], QByteArray("1\r"));
        QCOMPARE(lines[17], QByteArray("\"2.5\"\r"));

        const CwSettings back = CwSettings::load(folder);
        QCOMPARE(back.messages[0], s.messages[0]);
        QCOMPARE(back.messages[8], QStringLiteral("VVV DE ")); // an empty F9 line
        QCOMPARE(back.messages[10], QStringLiteral("F11"));
        QCOMPARE(back.method, KeyingMethod::Printer);
        QCOMPARE(back.wordSpaceUnits(), -5);
        QCOMPARE(back.repeatMs(), 2500);
        QVERIFY(back.display);

        // A short file: what was read, defaults after it.
        h.writeFile(QStringLiteral("short/cw.txt"), "\"A\"\r\n\"B\"\r\n");
        const CwSettings shortFile = CwSettings::load(h.path() + QStringLiteral("/short"));
        QCOMPARE(shortFile.messages[1], QStringLiteral("B"));
        QCOMPARE(shortFile.speed, QStringLiteral("13"));

        CwSettings pause;
        for (auto [text, ms] : {std::pair{"3", 3000}, {"0", 0}, {"60", 0}, {"x", 0}, {"59.9", 59900}}) {
            pause.repeatSeconds = QString::fromLatin1(text);
            QCOMPARE(pause.repeatMs(), ms);
        }
    }

    void eAt20WpmAndTheWordSpace()
    {
        auto c = keyer(QStringLiteral("20"));
        QSignalSpy empty(&c->engine(), &CwKeyer::bufferEmpty);
        c->LoopThroughCWBuffer(QStringLiteral("e e@"));
        QVERIFY(c->CWSending());
        QTRY_VERIFY_WITH_TIMEOUT(!c->CWSending(), 5000);
        // The news reaches this thread through the keyer's messenger, a
        // moment after the keying thread has finished.
        QTRY_COMPARE_WITH_TIMEOUT(empty.size(), 1, 2000);
        QTest::qWait(50);
        QCOMPARE(empty.size(), 1);
        const QString expected = QStringLiteral("1000") + QStringLiteral("00000000") + QStringLiteral("1000");
        const QList<KeyChange> changes = line.changes();
        QCOMPARE(keyedStates(changes), expected);
        const QString fault = timingFault(changes, 0, expected, 60 * Ms, c->engine().realtime(), tolerance(*c));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        // 60 ms down, then 180 + 480 ms up before the second E.
        QVERIFY(std::llabs(changes[1].monotonicNs - changes[0].monotonicNs - 60 * Ms) <= tolerance(*c));
        QVERIFY(std::llabs(changes[12].monotonicNs - changes[1].monotonicNs - 660 * Ms) <= tolerance(*c));
    }

    void keyingKeepsItsDeadlinesWhileTheWindowIsBusy()
    {
        call = QStringLiteral("W1AW");
        auto c = keyer(QStringLiteral("60"), {{1, QStringLiteral("TU $ ! *")}});
        QSignalSpy sent(&c->engine(), &CwKeyer::characterSent);
        const QString expected = elementsOfText(QStringLiteral("TU W1AW  5NN"), 0);
        c->FKeyCW(113);
        // The window's thread runs nothing for longer than the message.
        busy(int(expected.size()) * 20 + 300);
        QVERIFY(!c->CWSending());
        QCOMPARE(logged, 0); // the mark's news waits for the window...
        QCoreApplication::processEvents();
        QCOMPARE(logged, 1); // ...and is acted on once it is free
        QCOMPARE(sent.size(), 13); // the mark among them
        const QString fault = timingFault(line.changes(), 0, expected, 20 * Ms, c->engine().realtime(), tolerance(*c));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void contactMarkWithoutACallLogsNothing()
    {
        auto c = keyer(QStringLiteral("99"));
        c->LoopThroughCWBuffer(QStringLiteral("!E"));
        QTRY_VERIFY(!c->CWSending());
        QCoreApplication::processEvents();
        QCOMPARE(logged, 0);
        QCOMPARE(keyedStates(line.changes()), QStringLiteral("1000"));
    }

    void escDuringAndAfterSending()
    {
        auto c = keyer(QStringLiteral("40"), {{2, QStringLiteral("CQ TEST")}});
        QSignalSpy sent(&c->engine(), &CwKeyer::characterSent);
        c->FKeyCW(114);
        QTRY_VERIFY(!line.changes().isEmpty());
        QVERIFY(c->characterStep(typed(KeyStroke::Escape))); // used up: the fields stay
        QTRY_VERIFY(!c->CWSending());
        // The sign being keyed ended; nothing after it.
        QCOMPARE(keyedStates(line.changes()), elementsOf(QLatin1Char('C')));
        QCOMPARE(sent.size(), 1);
        QVERIFY(!c->characterStep(typed(KeyStroke::Escape))); // idle: the entry's Esc
    }

    void typeAheadAndBackspace()
    {
        auto c = keyer(QStringLiteral("40"));
        QVERIFY(c->keyDownStep(key(Qt::Key_F12)));
        QVERIFY(c->KeyboardCWMode());
        QVERIFY(c->characterStep(typed(QLatin1Char('t'))));
        QTRY_VERIFY(!line.changes().isEmpty());
        for (QChar ch : QStringLiteral("esx"))
            QVERIFY(c->characterStep(typed(ch)));
        QCOMPARE(c->CWBuffer(), QStringLiteral("ESX")); // T is being keyed
        QVERIFY(c->characterStep(typed(KeyStroke::Backspace)));
        QCOMPARE(c->CWBuffer(), QStringLiteral("ES"));
        QVERIFY(c->characterStep(typed(QLatin1Char('t'))));
        QTRY_VERIFY(!c->CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TEST"), 0));
        QVERIFY(c->keyDownStep(key(Qt::Key_F12)));
        QVERIFY(!c->KeyboardCWMode());
        QVERIFY(!c->characterStep(typed(QLatin1Char('a')))); // back to the fields
    }

    void newFunctionKeyReplacesTheMessage()
    {
        call = QStringLiteral("K1ABC");
        auto c = keyer(QStringLiteral("40"), {{0, QStringLiteral("CQ TEST")}, {2, QStringLiteral("TU")},
                                             {9, QStringLiteral("F10")}, {10, QStringLiteral("EE")}});
        QSignalSpy sent(&c->engine(), &CwKeyer::characterSent);
        QVERIFY(c->keyDownStep(key(Qt::Key_F1)));
        QTRY_VERIFY(!line.changes().isEmpty());
        QVERIFY(c->keyDownStep(key(Qt::Key_F3)));
        QTRY_VERIFY(!c->CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("CTU"), 0));

        line.clear();
        QVERIFY(c->keyDownStep(key(Qt::Key_F10)));
        QTRY_VERIFY(!c->CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("F10"), 0));
        line.clear();
        QVERIFY(c->keyDownStep(key(Qt::Key_F11)));
        QTRY_VERIFY(!c->CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("EE"), 0));
        // F12 sends nothing; an empty message keys nothing.
        line.clear();
        QVERIFY(c->keyDownStep(key(Qt::Key_F12)));
        QVERIFY(c->keyDownStep(key(Qt::Key_F5)));
        QTest::qWait(50);
        QVERIFY(line.changes().isEmpty());
    }

    void noKeyingMethodLeavesTheKeysAlone()
    {
        auto c = keyer(QStringLiteral("40"), {{0, QStringLiteral("CQ")}});
        CwSettings s = c->settings();
        s.method = KeyingMethod::None;
        c->applySettings(s);
        QVERIFY(!c->keyDownStep(key(Qt::Key_F1)));
        QVERIFY(!c->keyDownStep(key(Qt::Key_Up)));
        QTest::qWait(30);
        QVERIFY(line.changes().isEmpty());
        // Another mode: the keys are the other mode's.
        s.method = KeyingMethod::Dtr;
        c->applySettings(s);
        c->mode = [] { return QStringLiteral("PH"); };
        QVERIFY(!c->keyDownStep(key(Qt::Key_F1)));
    }

    void f1RepeatsAfterItsPauseUntilAKey()
    {
        auto c = keyer(QStringLiteral("60"), {{0, QStringLiteral("E")}}, QStringLiteral("3"));
        QCOMPARE(c->tmrRepeat().interval(), 3000);
        QVERIFY(c->keyDownStep(key(Qt::Key_F1)));
        QVERIFY(c->CWRepeat());
        QTRY_COMPARE_WITH_TIMEOUT(line.changes().size(), 8, 6000);
        const QList<KeyChange> changes = line.changes();
        // The second pass starts the pause after the first one's end
        // (its last unit of key-up ends 20 ms after the last change).
        const qint64 pause = changes[4].monotonicNs - (changes[3].monotonicNs + 20 * Ms);
        QVERIFY2(pause >= 3000 * Ms && pause < 3300 * Ms, qPrintable(QString::number(pause / Ms)));
        // Any key on the window ends the repeat.
        QTRY_VERIFY(!c->CWSending());
        QVERIFY(!c->keyDownStep(key(Qt::Key_A)));
        QVERIFY(!c->CWRepeat());
        QVERIFY(!c->tmrRepeat().isActive());
    }

    void speedKeysWhileSending()
    {
        auto c = keyer(QStringLiteral("20"));
        QString status;
        c->showStatus = [&](const QString& text, StatusColour) { status = text; };
        c->LoopThroughCWBuffer(QStringLiteral("TTTT"));
        QTRY_VERIFY(line.changes().size() >= 2);
        for (int i = 0; i < 40; ++i)
            c->keyDownStep(key(Qt::Key_Up));
        QCOMPARE(status, QStringLiteral("60 WPM"));
        QTRY_VERIFY_WITH_TIMEOUT(!c->CWSending(), 5000);
        // The units after the change are 20 ms long.
        const QList<KeyChange> changes = line.changes();
        const qint64 last = changes.last().monotonicNs - changes[changes.size() - 2].monotonicNs;
        QVERIFY2(std::llabs(last - 20 * Ms) <= tolerance(*c), qPrintable(QString::number(last)));
        // Bounds.
        for (int i = 0; i < 60; ++i)
            c->keyDownStep(key(Qt::Key_PageUp));
        QCOMPARE(c->settings().speed, QStringLiteral("99"));
        for (int i = 0; i < 30; ++i)
            c->keyDownStep(key(Qt::Key_PageDown));
        QCOMPARE(c->settings().speed, QStringLiteral("5"));
        c->keyDownStep(key(Qt::Key_Down));
        QCOMPARE(status, QStringLiteral("5 WPM"));
    }

    void closeIsRefusedWhileSending()
    {
        auto c = keyer(QStringLiteral("30"));
        c->LoopThroughCWBuffer(QStringLiteral("PARIS"));
        QTRY_VERIFY(!line.changes().isEmpty());
        QVERIFY(!c->closeRequested());
        QCOMPARE(c->CWBuffer(), QString());
        QTRY_VERIFY(c->closeRequested());
    }

    void watchdogLiftsAStuckKey()
    {
        // A loop calibrated far too slow holds the key for a second per
        // unit: the watchdog lifts it after 3 units + 50 ms.
        auto c = keyer(QStringLiteral("20"));
        QString status;
        c->showStatus = [&](const QString& text, StatusColour) { status = text; };
        QSignalSpy lifted(c.get(), &CwControl::watchdogLifted);
        c->setTiming({CwTiming::Loop, CwKeyer::calibrateLoop() * 1000.0 / 60.0});
        c->LoopThroughCWBuffer(QStringLiteral("E"));
        QTRY_VERIFY_WITH_TIMEOUT(line.changes().size() >= 2, 3000);
        const QList<KeyChange> changes = line.changes();
        QVERIFY(changes[0].down);
        QVERIFY(!changes[1].down);
        const qint64 held = changes[1].monotonicNs - changes[0].monotonicNs;
        QVERIFY2(held >= 230 * Ms && held < 500 * Ms, qPrintable(QString::number(held / Ms)));
        QTRY_COMPARE(lifted.size(), 1);
        QCOMPARE(status, KeyHeldTooLongText);
        c->setTiming({CwTiming::Timer, 0});
        QTRY_VERIFY_WITH_TIMEOUT(!c->CWSending(), 10000);
    }

    void dtrKeyingOnAPtyThroughThePortMap()
    {
        PtyPair pty;
        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        PortMap map;
        map.setDevice(4, pty.slavePath());
        QVERIFY(map.save(home.installDir()));
        CwControl c(registry, home.installDir(), dialogs, beeper);
        CwSettings s;
        s.method = KeyingMethod::Dtr;
        s.port = QStringLiteral("4");
        s.speed = QStringLiteral("60");
        IoctlShim::clear();
        c.applySettings(s);
        QVERIFY(c.lineOpen());
        QList<ShimEvent> log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].value, 0); // both lines down at once, right after the open
        QCOMPARE(registry.holder(pty.slavePath()), QStringLiteral("CW keying"));

        IoctlShim::clear();
        c.LoopThroughCWBuffer(QStringLiteral("PARIS"));
        QTRY_VERIFY(!c.CWSending());
        log = IoctlShim::eventsOf(dev);
        QList<KeyChange> asKeyed;
        for (const ShimEvent& e : log) {
            QCOMPARE(e.kind, ShimEvent::Lines);
            QVERIFY((e.value & TIOCM_RTS) == 0); // only DTR keys
            asKeyed.append({(e.value & TIOCM_DTR) != 0, e.monotonicNs});
        }
        const QString fault = timingFault(asKeyed, 0, elementsOfText(QStringLiteral("PARIS"), 0), 20 * Ms,
                                          c.engine().realtime(), tolerance(c));
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        // Another part holding the port: the keyer's message, the port closed.
        CwControl second(registry, home.installDir(), dialogs, beeper);
        dialogs.asked.clear();
        second.applySettings(s);
        QVERIFY(!second.lineOpen());
        QCOMPARE(dialogs.messageTitles(), QStringList {InvalidCwPortTitle});
        QCOMPARE(dialogs.asked[0].text, InvalidCwPortText);
    }

    void printerKeyingWritesThreeAndTwo()
    {
        PtyPair pty;
        const QString root = home.path() + QStringLiteral("/parport");
        home.writeFile(QStringLiteral("parport/proc/parport0/base-addr"), "888\t1912\n");
        QVERIFY(pty.linkAt(root + QStringLiteral("/dev0")));
        ParallelKeyLine printer(registry, {root + QStringLiteral("/proc"), root + QStringLiteral("/dev")});
        QString reason;
        QVERIFY2(printer.open(QStringLiteral("&H378"), QStringLiteral("CW keying"), {}, &reason), qPrintable(reason));
        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        auto c = keyer(QStringLiteral("60"));
        c->setLineOverride(&printer);
        IoctlShim::clear();
        c->LoopThroughCWBuffer(QStringLiteral("N"));
        QTRY_VERIFY(!c->CWSending());
        QString bytes;
        for (const ShimEvent& e : IoctlShim::eventsOf(dev)) {
            QCOMPARE(e.kind, ShimEvent::Control);
            bytes += QString::number(e.value);
        }
        QCOMPARE(bytes, QStringLiteral("33323222"));

        // What an end signal does: the byte 2, written from the handler's path.
        printer.keyDown();
        IoctlShim::clear();
        liftRegisteredKeys();
        QList<ShimEvent> lifted = IoctlShim::eventsOf(dev);
        QCOMPARE(lifted.size(), 1);
        QCOMPARE(lifted[0].value, 2);
        c->setLineOverride(nullptr); // no longer registered
        printer.keyDown();
        IoctlShim::clear();
        liftRegisteredKeys();
        QVERIFY(IoctlShim::eventsOf(dev).isEmpty());
    }

    void endSignalLeavesTheKeyUp()
    {
        PtyPair pty;
        const QString log = home.path() + QStringLiteral("/sigterm.log");
        QFile::remove(log);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELQ_SHIM_LOG"), log);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--key-until-killed"), pty.slavePath()});
        QVERIFY(child.waitForStarted());
        // Wait for a key-down (RTS set), then end the program.
        auto lines = [&] {
            QFile f(log);
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n') : QList<QByteArray>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!lines().isEmpty() && lines().last().endsWith(" lines 4"), 10000);
        const qint64 downAt = RecordingKeyLine::nowNs();
        ::kill(pid_t(child.processId()), SIGTERM);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit); // ended by the signal
        const QList<QByteArray> written = lines();
        QVERIFY2(written.last().endsWith(" lines 0"), written.last().constData());
        // Lifted by the handler, not by the dash's own end 720 ms on.
        const qint64 liftedAt = qint64(written.last().split(' ')[0].toDouble() * 1e9);
        QVERIFY2(liftedAt - downAt < 500 * Ms, qPrintable(QString::number((liftedAt - downAt) / Ms)));
    }
};

// The child of endSignalLeavesTheKeyUp: keys long dashes on RTS until killed.
static int keyUntilKilled(int argc, char** argv, const QString& device)
{
    QCoreApplication app(argc, argv);
    DeviceRegistry registry;
    TempHome home;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    SerialKeyLine key(std::make_unique<QtSerialLine>(registry, home.installDir()), KeyPin::Rts);
    QString reason;
    if (!key.openDevice(device, QStringLiteral("CW keying"), &reason))
        return 2;
    CwControl c(registry, home.installDir(), dialogs, beeper);
    c.setLineOverride(&key);
    CwSettings s;
    s.method = KeyingMethod::Rts;
    s.speed = QStringLiteral("5");
    c.applySettings(s);
    c.LoopThroughCWBuffer(QString(50, QLatin1Char('T')));
    return app.exec();
}

int main(int argc, char** argv)
{
    IoctlShim::preloadOrRestart(argv);
    if (argc == 3 && qstrcmp(argv[1], "--key-until-killed") == 0)
        return keyUntilKilled(1, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    TestCwKeyer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cw_keyer.moc"
