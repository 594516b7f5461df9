// The voice keyer and the spoken prompts: the WAV reader, "wave2.txt", the
// PTT around each message (on a pty through the port map, read from the
// ioctl shim's stamps), the F1 repeat, Esc, files and sound outputs that
// cannot play, the watchdog, an end signal during a message, the
// navigation prompts, and the real audio path on a null sink.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "IoctlShim.h"
#include "PtyPair.h"
#include "PulseNullSink.h"
#include "TempHome.h"
#include "VoiceFixtures.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "devices/RecordingKeyLine.h"
#include "keying/CwMessages.h"
#include "keying/KeyRelease.h"
#include "keying/PhoneControl.h"
#include "keying/QtWavePlayer.h"
#include "keying/VoiceNavigation.h"
#include "keying/WaveFile.h"
#include "log/KeyDispatch.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>
#include <csignal>
#include <cmath>
#include <sys/ioctl.h>

using namespace zelq;
using namespace zelq::test;

namespace {

constexpr qint64 Ms = 1000000;

KeyStroke key(int k, QChar ch = {})
{
    KeyStroke s;
    s.key = k;
    s.ch = ch;
    return s;
}

QString keyedStates(const QList<KeyChange>& changes)
{
    QString s;
    for (const KeyChange& c : changes)
        s += c.down ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

} // namespace

class TestVoiceKeyer : public QObject {
    Q_OBJECT

    TempHome home;
    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    QString status;

    QString writeWave(const QString& name, const QByteArray& bytes)
    {
        const QString path = home.installDir() + QLatin1Char('/') + name;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    std::unique_ptr<PhoneControl> keyer(WavePlayer& player, const PhoneSettings& s, KeyLine* line)
    {
        status.clear();
        auto c = std::make_unique<PhoneControl>(registry, home.installDir(), dialogs, beeper, player);
        c->mode = [] { return QStringLiteral("PH"); };
        c->showStatus = [this](const QString& t, StatusColour) { status = t; };
        c->setLineOverride(line);
        c->applySettings(s);
        return c;
    }

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(home.installDir())); }

    void waveReaderTakesPcmAndRefusesTheRest()
    {
        // 8-bit stereo: 128 is silence; a left/right pair averages to mono.
        QByteArray s8;
        s8 += char(255);
        s8 += char(1);
        s8 += char(128);
        s8 += char(128);
        std::optional<WaveData> w = parseWave(waveBytes(8000, 2, 8, s8));
        QVERIFY(w);
        QCOMPARE(w->frames(), 2);
        QByteArray mono = convertToPcm16(*w, 8000, 1);
        QCOMPARE(mono.size(), 4);
        QCOMPARE(qFromLittleEndian<qint16>(mono.constData()), qint16(0)); // (127 - 127) * 256 / 2
        // 16-bit mono at 8 kHz to 48 kHz stereo: six times the frames, both channels alike.
        w = parseWave(toneWave(100));
        QVERIFY(w);
        QCOMPARE(w->durationMs(), 100);
        const QByteArray up = convertToPcm16(*w, 48000, 2);
        QCOMPARE(up.size(), 4800 * 2 * 2);
        QCOMPARE(qFromLittleEndian<qint16>(up.constData() + 400), qFromLittleEndian<qint16>(up.constData() + 402));
        // A data length past the end (a recorder stopped early) plays what is there.
        QByteArray cut = toneWave(100);
        cut.chop(101);
        w = parseWave(cut);
        QVERIFY(w);
        QCOMPARE(w->samples.size(), 1600 - 102);

        QString reason;
        QVERIFY(!parseWave(QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16), &reason));
        QVERIFY(!parseWave(waveBytes(8000, 1, 16, QByteArray(100, '\0'), 3), &reason)); // float
        QVERIFY(reason.contains(QLatin1String("not PCM")));
        QVERIFY(!parseWave(waveBytes(8000, 1, 24, QByteArray(99, '\0')), &reason));
        QVERIFY(!parseWave(waveBytes(8000, 1, 16, QByteArray()), &reason));
        QVERIFY(!parseWave(QByteArray(4096, 'x'), &reason));
        // A chunk length that points far beyond the file ends the walk.
        QByteArray huge = toneWave(10);
        qToLittleEndian<quint32>(0xFFFFFFF0u, huge.data() + 16);
        QVERIFY(!parseWave(huge, &reason));
    }

    void settingsFileKeepsItsLinesAndDefaults()
    {
        PhoneSettings s;
        s.files[0] = QStringLiteral("  /x/cq.wav ");
        s.files[8] = QStringLiteral("/x/\"q\".wav");
        s.port = QStringLiteral("2");
        s.line = PttLine::Parallel;
        s.repeatSeconds = QStringLiteral("5");
        s.address = QStringLiteral("&H278");
        s.outputDevice = QStringLiteral("alsa_output.usb");
        QVERIFY(s.save(home.installDir()));
        QFile f(home.installDir() + QStringLiteral("/wave2.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 15); // 14 lines and the end
        QCOMPARE(lines[0], QByteArray("\"/x/cq.wav\"\r"));
        QCOMPARE(lines[8], QByteArray("\"/x/q.wav\"\r"));
        QCOMPARE(lines[9], QByteArray("\"2\"\r"));
        QCOMPARE(lines[10], QByteArray("2\r"));
        QCOMPARE(lines[11], QByteArray("\"5\"\r"));
        QCOMPARE(lines[12], QByteArray("\"&H278\"\r"));
        QCOMPARE(lines[13], QByteArray("\"alsa_output.usb\"\r"));
        const PhoneSettings back = PhoneSettings::load(home.installDir());
        QCOMPARE(back.files[0], QStringLiteral("/x/cq.wav"));
        QCOMPARE(back.line, PttLine::Parallel);
        QCOMPARE(back.repeatMs(), 5000);
        QCOMPARE(back.outputDevice, QStringLiteral("alsa_output.usb"));

        // Thirteen lines (no output line) and a short file keep the defaults.
        home.writeFile(QStringLiteral("zelq/wave2.txt"),
                       "\"a\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"3\"\r\n7\r\n");
        const PhoneSettings shortFile = PhoneSettings::load(home.installDir());
        QCOMPARE(shortFile.port, QStringLiteral("3"));
        QCOMPARE(shortFile.line, PttLine::Rts); // 7 is no line
        QCOMPARE(shortFile.address, QStringLiteral("&H378"));
        QCOMPARE(shortFile.repeatSeconds, QStringLiteral("0"));
        QVERIFY(shortFile.outputDevice.isEmpty());
        QFile::remove(home.installDir() + QStringLiteral("/wave2.txt"));
        QCOMPARE(PhoneSettings::load(home.installDir()).repeatMs(), 0);
    }

    void emptyKeyStopsTheMessageAndKeysNothing()
    {
        FakePlayer player;
        RecordingKeyLine line;
        PhoneSettings s;
        s.files[0] = writeWave(QStringLiteral("f1.wav"), toneWave(500));
        auto c = keyer(player, s, &line);
        line.clear();
        c->FKeyPhone(KeyF1 + 2); // F3 empty, nothing playing
        QVERIFY(line.changes().isEmpty() || keyedStates(line.changes()) == QLatin1String("0"));
        QVERIFY(player.opened.isEmpty());
        c->FKeyPhone(KeyF1);
        QVERIFY(player.isPlaying());
        QCOMPARE(keyedStates(line.changes()).right(1), QStringLiteral("1"));
        c->FKeyPhone(KeyF1 + 2); // ends F1, PTT down
        QVERIFY(!player.isPlaying());
        QVERIFY(!c->pttKeyed());
        QCOMPARE(keyedStates(line.changes()).right(1), QStringLiteral("0"));
        QCOMPARE(player.opened.size(), 1);
        // Codes outside F1..F9 do nothing.
        c->FKeyPhone(KeyF10);
        c->FKeyPhone(KeyF1 - 1);
        QCOMPARE(player.opened.size(), 1);
    }

    void dtrOnPortTwoAroundTheMessage()
    {
        PtyPair pty;
        const unsigned long dev = IoctlShim::deviceOf(pty.slavePath());
        PortMap map;
        map.setDevice(2, pty.slavePath());
        QVERIFY(map.save(home.installDir()));
        FakePlayer player;
        PhoneSettings s;
        s.files[0] = writeWave(QStringLiteral("cq.wav"), toneWave(300));
        s.port = QStringLiteral("2");
        s.line = PttLine::Dtr;
        IoctlShim::clear();
        auto c = keyer(player, s, nullptr);
        QVERIFY(c->pttOpen());
        QList<ShimEvent> log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].value, 0); // lines down at once after the open
        IoctlShim::clear();
        c->FKeyPhone(KeyF1);
        log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].value, TIOCM_DTR); // DTR only, up before the audio starts
        QVERIFY(log[0].monotonicNs <= player.playedAtNs);
        QTest::qWait(100);
        const qint64 endNs = RecordingKeyLine::nowNs();
        player.end();
        log = IoctlShim::eventsOf(dev);
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[1].value, 0);
        QVERIFY2(log[1].monotonicNs - endNs < 60 * Ms, qPrintable(QString::number((log[1].monotonicNs - endNs) / Ms)));

        // Without the player's news, the 40 ms watch sees the end.
        IoctlShim::clear();
        c->FKeyPhone(KeyF1);
        const qint64 quietEnd = RecordingKeyLine::nowNs();
        player.playingNow = false;
        QTRY_COMPARE(IoctlShim::eventsOf(dev).size(), 2);
        const qint64 lag = IoctlShim::eventsOf(dev)[1].monotonicNs - quietEnd;
        QVERIFY2(lag < 80 * Ms, qPrintable(QString::number(lag / Ms)));

        // Another part holding the port: the voice keyer's message.
        PhoneControl second(registry, home.installDir(), dialogs, beeper, player);
        dialogs.asked.clear();
        second.applySettings(s);
        QVERIFY(!second.pttOpen());
        QCOMPARE(dialogs.messageTitles(), QStringList {InvalidPhonePortTitle});
        QCOMPARE(dialogs.asked[0].text, InvalidPhonePortText);
    }

    void filesThatCannotPlayNeverKey()
    {
        FakePlayer player;
        RecordingKeyLine line;
        PhoneSettings s;
        s.files[0] = home.installDir() + QStringLiteral("/missing.wav");
        s.files[1] = writeWave(QStringLiteral("corrupt.wav"), QByteArray("RIFF....WAVEjunkjunkjunk"));
        s.repeatSeconds = QStringLiteral("1");
        auto c = keyer(player, s, &line);
        line.clear();
        c->FKeyPhone(KeyF1);
        QCOMPARE(status, QStringLiteral("Cannot play F1: ") + s.files[0]);
        QVERIFY(!c->PhoneRepeat()); // the repeat ends
        QVERIFY(!c->tmrRepeat().isActive());
        c->FKeyPhone(KeyF1 + 1);
        QCOMPARE(status, QStringLiteral("Cannot play F2: ") + s.files[1]);
        QVERIFY(!keyedStates(line.changes()).contains(QLatin1Char('1')));
        QVERIFY(!c->pttKeyed());
    }

    void noSoundOutputNeverKeys()
    {
        QtWavePlayer player;
        player.setDeviceId("no-such-output");
        RecordingKeyLine line;
        PhoneSettings s;
        s.files[3] = writeWave(QStringLiteral("f4.wav"), toneWave(200));
        auto c = keyer(player, s, &line);
        line.clear();
        c->FKeyPhone(KeyF1 + 3);
        QCOMPARE(status, QStringLiteral("Cannot play F4: ") + s.files[3]);
        QVERIFY(!keyedStates(line.changes()).contains(QLatin1Char('1')));
        QVERIFY(!player.isPlaying());
    }

    void watchdogLiftsAMessageThatNeverEnds()
    {
        FakePlayer player;
        RecordingKeyLine line;
        PhoneSettings s;
        s.files[0] = writeWave(QStringLiteral("short.wav"), toneWave(100));
        auto c = keyer(player, s, &line);
        line.clear();
        c->FKeyPhone(KeyF1);
        QTRY_VERIFY_WITH_TIMEOUT(!c->pttKeyed(), 3000);
        const QList<KeyChange> changes = line.changes();
        QCOMPARE(keyedStates(changes), QStringLiteral("10"));
        const qint64 held = changes[1].monotonicNs - changes[0].monotonicNs;
        QVERIFY2(held >= 1000 * Ms && held < 1300 * Ms, qPrintable(QString::number(held / Ms)));
        QVERIFY(!player.isPlaying()); // stopped, not left playing unkeyed
        QCOMPARE(status, PttHeldTooLongText);
    }

    void repeatAfterFiveSecondsUntilAKey()
    {
        FakePlayer player;
        RecordingKeyLine line;
        PhoneSettings s;
        s.files[0] = writeWave(QStringLiteral("cq5.wav"), toneWave(100));
        s.repeatSeconds = QStringLiteral("5");
        auto c = keyer(player, s, &line);
        c->FKeyPhone(KeyF1);
        QVERIFY(c->PhoneRepeat());
        const qint64 endNs = RecordingKeyLine::nowNs();
        player.end();
        QVERIFY(c->tmrRepeat().isActive());
        QCOMPARE(c->tmrRepeat().interval(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(player.isPlaying(), 7000);
        const qint64 period = player.playedAtNs - endNs;
        QVERIFY2(period >= 4990 * Ms && period < 5300 * Ms, qPrintable(QString::number(period / Ms)));
        QCOMPARE(player.opened.size(), 2);

        // Esc while it plays: stopped at once, PTT down, no repeat after it.
        QVERIFY(c->keyDownStep(key(Qt::Key_Escape, KeyStroke::Escape)) == false);
        QVERIFY(c->characterStep(key(Qt::Key_Escape, KeyStroke::Escape)));
        QVERIFY(!player.isPlaying());
        QVERIFY(!c->pttKeyed());
        QVERIFY(!c->tmrRepeat().isActive());

        // Esc during the pause: the repeat ends; Esc then goes on to the entry.
        c->FKeyPhone(KeyF1);
        player.end();
        QVERIFY(c->tmrRepeat().isActive());
        QVERIFY(!c->keyDownStep(key(Qt::Key_Escape, KeyStroke::Escape)));
        QVERIFY(!c->characterStep(key(Qt::Key_Escape, KeyStroke::Escape)));
        QVERIFY(!c->tmrRepeat().isActive());
        QVERIFY(!c->PhoneRepeat());

        // Any key ends it too; F10 is swallowed in phone mode, F1..F9 play.
        c->FKeyPhone(KeyF1);
        player.end();
        QVERIFY(!c->keyDownStep(key(Qt::Key_A, QLatin1Char('a'))));
        QVERIFY(!c->tmrRepeat().isActive());
        QVERIFY(c->keyDownStep(key(Qt::Key_F10)));
        QVERIFY(c->keyDownStep(key(Qt::Key_F1)));
        QVERIFY(player.isPlaying());
        player.end();
        // Other modes leave the function keys to their own keyers.
        c->mode = [] { return QStringLiteral("CW"); };
        QVERIFY(!c->keyDownStep(key(Qt::Key_F2)));
        c->cancelRepeat();
    }

    void navigationPromptsByMode()
    {
        FakePlayer player;
        VoiceNavigation nav(player, [](const QString& name) {
            return QStringLiteral(ZELQ_TEST_DATA_DIR "/") + name + QStringLiteral(".wav");
        });
        nav.NavigationMode = 1;
        nav.fieldFocused(EntryField::Name);
        nav.fieldFocused(EntryField::Spc);
        QVERIFY(nav.played().isEmpty());
        nav.fieldFocused(EntryField::Call);
        QCOMPARE(nav.played(), QStringList {QStringLiteral("Call")});
        nav.NavigationMode = 2;
        nav.fieldFocused(EntryField::Name);
        nav.fieldFocused(EntryField::Spc);
        QCOMPARE(nav.played().mid(1), (QStringList {QStringLiteral("Name"), QStringLiteral("SPC")}));
        player.end();

        // "Dupe" plays with navigation off; with it on, "Call" waits for it.
        nav.NavigationMode = 0;
        nav.duplicateFound();
        QCOMPARE(nav.played().last(), QStringLiteral("Dupe"));
        player.end();
        nav.NavigationMode = 1;
        nav.duplicateFound();
        nav.fieldFocused(EntryField::Call);
        QCOMPARE(nav.played().last(), QStringLiteral("Dupe"));
        player.end();
        QCOMPARE(nav.played().last(), QStringLiteral("Call"));
        player.end();

        // "Call Only" says "NavEn" and then "Call"; "Off" says "NavDis".
        nav.optionChosen(1);
        QCOMPARE(nav.played().last(), QStringLiteral("NavEn"));
        player.end();
        QCOMPARE(nav.played().last(), QStringLiteral("Call"));
        nav.optionChosen(0);
        QCOMPARE(nav.played().last(), QStringLiteral("NavDis"));
        // The shipped prompt files are readable speech of some length.
        for (const char* name : {"Call", "Name", "SPC", "Dupe", "NavDis", "NavEn"}) {
            const std::optional<WaveData> w =
                readWaveFile(QStringLiteral(ZELQ_TEST_DATA_DIR "/") + QLatin1String(name) + QStringLiteral(".wav"));
            QVERIFY2(w && w->durationMs() > 200 && w->durationMs() < 3000, name);
        }
    }

    void messagePlaysOnTheNullSink()
    {
        if (!sink || !sink->available())
            QSKIP(qPrintable(sink ? sink->why() : QStringLiteral("no audio server")));
        QByteArray id;
        for (const QtWavePlayer::Output& o : QtWavePlayer::outputs())
            if (o.id == PulseNullSink::sinkName().toUtf8())
                id = o.id;
        QVERIFY2(!id.isEmpty(), "the null sink is not listed");
        QtWavePlayer player;
        player.setDeviceId(id);
        RecordingKeyLine line;
        PhoneSettings s;
        s.files[0] = writeWave(QStringLiteral("real.wav"), toneWave(600, 22050));
        auto c = keyer(player, s, &line);
        line.clear();
        QSignalSpy ended(&player, &WavePlayer::finished);
        c->FKeyPhone(KeyF1);
        QVERIFY(player.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!c->pttKeyed(), 3000);
        QVERIFY2(status != PttHeldTooLongText, "the end of the message was not seen");
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0][0].toBool(), true);
        const QList<KeyChange> changes = line.changes();
        QCOMPARE(keyedStates(changes), QStringLiteral("10"));
        const qint64 held = changes[1].monotonicNs - changes[0].monotonicNs;
        // Keyed for the recording: not cut short, never past length + 1 s.
        QVERIFY2(held >= 550 * Ms && held < 1600 * Ms, qPrintable(QString::number(held / Ms)));
    }

    void endSignalDuringAMessageDropsThePtt()
    {
        PtyPair pty;
        const QString log = home.path() + QStringLiteral("/sigterm-ptt.log");
        QFile::remove(log);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELQ_SHIM_LOG"), log);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--play-until-killed"), pty.slavePath(), writeWave(QStringLiteral("long.wav"), toneWave(20000))});
        QVERIFY(child.waitForStarted());
        auto lines = [&] {
            QFile f(log);
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n') : QList<QByteArray>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!lines().isEmpty() && lines().last().endsWith(" lines 2"), 10000); // DTR up
        ::kill(pid_t(child.processId()), SIGTERM);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY2(lines().last().endsWith(" lines 0"), lines().last().constData());
    }

public:
    std::unique_ptr<PulseNullSink> sink;
};

// The child of endSignalDuringAMessageDropsThePtt: a long message with DTR
// keyed through a pty, until killed.
static int playUntilKilled(int argc, char** argv, const QString& device, const QString& wave)
{
    QCoreApplication app(argc, argv);
    DeviceRegistry registry;
    TempHome home;
    QDir().mkpath(home.installDir());
    PortMap map;
    map.setDevice(1, device);
    if (!map.save(home.installDir()))
        return 2;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    FakePlayer player;
    PhoneControl c(registry, home.installDir(), dialogs, beeper, player);
    PhoneSettings s;
    s.port = QStringLiteral("1");
    s.line = PttLine::Dtr;
    s.files[0] = wave;
    c.applySettings(s);
    c.FKeyPhone(KeyF1);
    return app.exec();
}

int main(int argc, char** argv)
{
    IoctlShim::preloadOrRestart(argv);
    if (argc == 4 && qstrcmp(argv[1], "--play-until-killed") == 0)
        return playUntilKilled(1, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QCoreApplication app(argc, argv);
    TestVoiceKeyer test;
    // Before QtMultimedia's first use, which connects to the server.
    test.sink = std::make_unique<PulseNullSink>();
    return QTest::qExec(&test, argc, argv);
}

#include "tst_voice_keyer.moc"
