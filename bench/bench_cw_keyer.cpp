// CW keying precision. Element timing error (the distance of every unit's
// line change from its deadline) at 20, 40 and 60 WPM with the window's
// thread idle, with it busy, and with two CPU-burning processes, each with
// and without SCHED_FIFO (target: p99 under 1 ms with SCHED_FIFO under
// load); the same on a pty's DTR line through the real serial code (the
// ioctl shim's stamps). Each unit is measured against its deadline on the
// message's grid and by its own length: a keyer held off starts its
// deadlines again from where it woke, so one late unit moves the grid of
// the rest. Then the time from a function key to the first
// key-down, from Esc to the key staying up, and from a "!" to the contact
// stored by the log window. cwdaemon (Debian), keying DTR of the same kind
// of shimmed pty, gives a reference figure when it is installed.
//
//   bench_cw_keyer
//
// SCHED_FIFO needs root or an rtprio limit (see the README).
#include "BenchSupport.h"
#include "IoctlShim.h"
#include "LogWindowRun.h"
#include "PtyPair.h"
#include "devices/DeviceRegistry.h"
#include "devices/QtSerialLine.h"
#include "devices/RecordingKeyLine.h"
#include "devices/SerialKeyLine.h"
#include "keying/CwControl.h"
#include "log/ContactEntry.h"
#include "keying/Morse.h"
#include "log/KeyDispatch.h"
#include "ui/LogWindowCw.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QUdpSocket>
#include <csignal>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zelq;
using namespace zelq::test;
using bench::FigureTable;
using bench::percentile;

namespace {

constexpr qint64 Ms = 1000000;
const QString Text = QStringLiteral("PARIS PARIS");

class Quiet final : public OperatorDialogs {
public:
    DialogButton message(const QString&, const QString&, const QList<DialogButton>& b, DialogIcon) override
    {
        return b.isEmpty() ? DialogButton::Ok : b.first();
    }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<Rgb> chooseColour(const QString&, Rgb) override { return {}; }
};

class NoBeep final : public Beeper {
public:
    void beep() override {}
};

enum class Load { Idle, Busy, Burners };

// Two processes that only burn CPU, until the object goes.
struct Burners {
    explicit Burners(bool on)
    {
        if (!on)
            return;
        for (int i = 0; i < 2; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long n = 0;
                for (;;)
                    n = n + 1;
            }
            pids.push_back(pid);
        }
    }
    ~Burners()
    {
        for (pid_t p : pids) {
            kill(p, SIGKILL);
            waitpid(p, nullptr, 0);
        }
    }
    std::vector<pid_t> pids;
};

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    volatile double x = 0;
    while (t.elapsed() < ms)
        x = x + 1;
}

// Errors (ms) of every unit's length (a unit held off starts late and
// ends a unit later, as the keyer starts its deadlines again from there).
std::vector<double> lengthErrors(const QList<KeyChange>& changes, qint64 unitNs)
{
    std::vector<double> errors;
    for (qsizetype i = 1; i < changes.size(); ++i)
        errors.push_back(double(std::llabs(changes[i].monotonicNs - changes[i - 1].monotonicNs - unitNs)) / Ms);
    return errors;
}

// Errors (ms) of every unit from its deadline; the first change sets the time.
std::vector<double> unitErrors(const QList<KeyChange>& changes, qint64 unitNs)
{
    std::vector<double> errors;
    if (changes.isEmpty())
        return errors;
    const qint64 t0 = changes[0].monotonicNs;
    for (qsizetype i = 0; i < changes.size(); ++i)
        errors.push_back(double(std::llabs(changes[i].monotonicNs - (t0 + i * unitNs))) / Ms);
    return errors;
}

// Errors (ms) of the changes of state only, against the standard timing
// of `text` without word spaces (a keyer that writes only changes).
std::vector<double> transitionErrors(const QList<KeyChange>& changes, const QString& text, qint64 unitNs)
{
    const QString elements = elementsOfText(text, 0);
    QList<qint64> expected;
    bool down = false;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const bool d = elements[i] == QLatin1Char('1');
        if (d != down)
            expected.append(i * unitNs);
        down = d;
    }
    QList<qint64> seen;
    down = false;
    for (const KeyChange& c : changes) {
        if (c.down != down)
            seen.append(c.monotonicNs);
        down = c.down;
    }
    std::vector<double> errors;
    if (seen.isEmpty())
        return errors;
    for (qsizetype i = 0; i < std::min(seen.size(), expected.size()); ++i)
        errors.push_back(double(std::llabs(seen[i] - seen[0] - expected[i])) / Ms);
    return errors;
}

void figures(FigureTable& table, const QString& name, const std::vector<double>& errors, const char* target)
{
    const QByteArray base = name.toUtf8();
    table.row((base + " p50").constData(), percentile(errors, 0.5), "ms", "");
    table.row((base + " p99").constData(), percentile(errors, 0.99), "ms", target);
    table.row((base + " max").constData(), percentile(errors, 1.0), "ms", "");
}

QList<KeyChange> fromShim(const QList<ShimEvent>& events, int bit)
{
    QList<KeyChange> changes;
    for (const ShimEvent& e : events)
        if (e.kind == ShimEvent::Lines)
            changes.append({(e.value & bit) != 0, e.monotonicNs});
    return changes;
}

// cwdaemon keying "PARIS" on a shimmed pty's DTR; empty when it is not installed.
std::vector<double> cwdaemonErrors(int wpm)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("cwdaemon"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (program.isEmpty())
        return {};
    PtyPair pty;
    QTemporaryDir dir;
    const QString log = dir.path() + QStringLiteral("/shim.log");
    QProcess daemon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZELQ_SHIM_LOG"), log);
    daemon.setProcessEnvironment(env);
    daemon.setProcessChannelMode(QProcess::MergedChannels);
    const QString device = pty.slavePath().mid(5); // "pts/N"
    daemon.start(program, {QStringLiteral("-n"), QStringLiteral("-d"), device, QStringLiteral("-x"), QStringLiteral("n"),
                           QStringLiteral("-s"), QString::number(wpm), QStringLiteral("-p"), QStringLiteral("16789")});
    if (!daemon.waitForStarted())
        return {};
    QThread::msleep(800);
    QFile::remove(log);
    QUdpSocket udp;
    udp.writeDatagram(QByteArray("PARIS"), QHostAddress::LocalHost, 16789);
    QThread::msleep(qint64(elementsOfText(QStringLiteral("PARIS"), 0).size() * unitMs(wpm)) + 1500);
    daemon.terminate();
    daemon.waitForFinished(3000);
    QFile f(log);
    QList<KeyChange> changes;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& l : f.readAll().split('\n')) {
            const QList<QByteArray> parts = l.split(' ');
            if (parts.size() == 4 && parts[2] == "lines") {
                const QList<QByteArray> secNs = parts[0].split('.');
                changes.append({(parts[3].toInt() & TIOCM_DTR) != 0, secNs[0].toLongLong() * 1000000000 + secNs[1].toLongLong()});
            }
        }
    }
    return transitionErrors(changes, QStringLiteral("PARIS"), qint64(unitMs(wpm) * Ms));
}

} // namespace

int main(int argc, char** argv)
{
    IoctlShim::preloadOrRestart(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    TempHome home;
    DeviceRegistry registry;
    Quiet dialogs;
    NoBeep beeper;
    FigureTable table(out);

    CwControl keyer(registry, home.installDir(), dialogs, beeper);
    keyer.mode = [] { return QStringLiteral("CW"); };
    keyer.callText = [] { return QString(); };
    RecordingKeyLine line;
    keyer.setLineOverride(&line);
    CwSettings s;
    s.method = KeyingMethod::Dtr;
    s.messages[0] = Text;
    keyer.applySettings(s);

    std::vector<double> lengths;
    auto run = [&](int wpm, Load load, bool fifo) {
        lengths.clear();
        keyer.engine().setRealtime(fifo);
        CwSettings now = keyer.settings();
        now.speed = QString::number(wpm);
        keyer.applySettings(now);
        Burners burners(load == Load::Burners);
        QThread::msleep(50);
        std::vector<double> errors;
        for (int pass = 0; pass < 3; ++pass) {
            line.clear();
            keyer.FKeyCW(112);
            if (load == Load::Busy)
                spin(int(elementsOfText(Text, 0).size() * unitMs(wpm)) + 100);
            while (keyer.CWSending())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const std::vector<double> e = unitErrors(line.changes(), qint64(unitMs(wpm) * Ms));
            errors.insert(errors.end(), e.begin(), e.end());
            const std::vector<double> l = lengthErrors(line.changes(), qint64(unitMs(wpm) * Ms));
            lengths.insert(lengths.end(), l.begin(), l.end());
        }
        return errors;
    };

    out << "Element timing error (" << Text << " three times, every unit against its deadline)\n";
    bool fifoGranted = false;
    for (bool fifo : {true, false}) {
        for (Load load : {Load::Idle, Load::Busy, Load::Burners}) {
            for (int wpm : {20, 40, 60}) {
                const std::vector<double> e = run(wpm, load, fifo);
                if (fifo)
                    fifoGranted = keyer.engine().realtime();
                const char* loadName = load == Load::Idle ? "idle" : load == Load::Busy ? "UI busy" : "2 burners";
                figures(table, QStringLiteral("%1 WPM %2 %3").arg(wpm).arg(QLatin1String(loadName),
                                                                        fifo ? QStringLiteral("FIFO") : QStringLiteral("normal")),
                        e, fifo && load != Load::Idle ? "< 1" : "");
                table.row("  unit length error p99", percentile(lengths, 0.99), "ms", "");
            }
        }
    }
    if (!fifoGranted)
        out << "(SCHED_FIFO was refused: the FIFO rows ran at normal priority)\n";
    out.flush();

    // The real serial code on a pty's DTR line, read through the shim.
    {
        PtyPair pty;
        SerialKeyLine dtr(std::make_unique<QtSerialLine>(registry, home.installDir()), KeyPin::Dtr);
        QString reason;
        if (dtr.openDevice(pty.slavePath(), QStringLiteral("CW keying"), &reason)) {
            keyer.setLineOverride(&dtr);
            keyer.engine().setRealtime(true);
            CwSettings now = keyer.settings();
            now.speed = QStringLiteral("60");
            keyer.applySettings(now);
            Burners burners(true);
            QThread::msleep(50);
            IoctlShim::clear();
            keyer.FKeyCW(112);
            while (keyer.CWSending())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const QList<KeyChange> changes = fromShim(IoctlShim::eventsOf(IoctlShim::deviceOf(pty.slavePath())), TIOCM_DTR);
            figures(table, QStringLiteral("pty DTR 60 WPM 2 burners FIFO"), unitErrors(changes, 20 * Ms), "< 1");
            figures(table, QStringLiteral("  same, changes only"), transitionErrors(changes, Text, 20 * Ms), "");
            keyer.setLineOverride(&line);
        }
        const std::vector<double> ref = cwdaemonErrors(60);
        if (!ref.empty())
            figures(table, QStringLiteral("cwdaemon pty DTR 60 WPM idle"), ref, "reference");
        else
            out << "(cwdaemon not installed: no reference figure)\n";
    }

    // Function key to the first key-down; Esc to the key staying up.
    {
        CwSettings now = keyer.settings();
        now.speed = QStringLiteral("60");
        keyer.applySettings(now);
        keyer.engine().setRealtime(true);
        std::vector<double> fkey, esc;
        for (int i = 0; i < 40; ++i) {
            line.clear();
            const qint64 pressed = RecordingKeyLine::nowNs();
            keyer.FKeyCW(112);
            while (line.changes().isEmpty())
                QThread::usleep(50);
            fkey.push_back(double(line.changes()[0].monotonicNs - pressed) / Ms);
            QThread::usleep(unsigned(1000 * (7 + i % 13)));
            KeyStroke k;
            k.ch = KeyStroke::Escape;
            const qint64 escAt = RecordingKeyLine::nowNs();
            keyer.characterStep(k);
            while (keyer.CWSending())
                QThread::usleep(100);
            qint64 lastDownEnd = escAt;
            const QList<KeyChange> c = line.changes();
            for (qsizetype j = 1; j < c.size(); ++j)
                if (c[j - 1].down && !c[j].down)
                    lastDownEnd = std::max(lastDownEnd, c[j].monotonicNs);
            esc.push_back(double(lastDownEnd - escAt) / Ms);
            QCoreApplication::processEvents();
        }
        table.row("F-key to first key-down p50", percentile(fkey, 0.5), "ms", "");
        table.row("F-key to first key-down p99", percentile(fkey, 0.99), "ms", "< 5");
        table.row("Esc to key up for good p50", percentile(esc, 0.5), "ms", "");
        table.row("Esc to key up for good max", percentile(esc, 1.0), "ms", "1 sign");
    }
    keyer.setLineOverride(nullptr);

    // "!" to the contact stored, on the real log window (SQLite).
    {
        TempHome windowHome;
        Run runWindow(windowHome);
        runWindow.start();
        CwControl& cw = runWindow.window->cwKeyer().control();
        RecordingKeyLine windowLine;
        cw.setLineOverride(&windowLine);
        CwSettings w = cw.settings();
        w.method = KeyingMethod::Dtr;
        w.speed = QStringLiteral("60");
        w.messages[1] = QStringLiteral("TU!");
        cw.applySettings(w);
        std::vector<double> stored;
        qint64 storedAt = 0;
        runWindow.window->contactEntry().afterLogged.push_back([&] { storedAt = RecordingKeyLine::nowNs(); });
        for (int i = 0; i < 20; ++i) {
            runWindow.type(QStringLiteral("k%1abc bob ct").arg(i));
            storedAt = 0;
            windowLine.clear();
            cw.FKeyCW(113);
            while (storedAt == 0 || cw.CWSending())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            // The keyer reaches the mark when the U's last unit ends.
            const QList<KeyChange> c = windowLine.changes();
            const qint64 reached = c.isEmpty() ? 0 : c.last().monotonicNs + 20 * Ms;
            stored.push_back(double(storedAt - reached) / Ms);
        }
        table.row("'!' to contact stored p50", percentile(stored, 0.5), "ms", "");
        table.row("'!' to contact stored p99", percentile(stored, 0.99), "ms", "< 20");
        cw.setLineOverride(nullptr);
    }
    out.flush();
    return 0;
}
