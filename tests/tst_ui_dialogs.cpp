// The small windows and services of the user interface: the beep tone, the
// multiplier colours window, the help window, and the shipped preferences
// and help files.
#include "FakeDialogs.h"
#include "TempHome.h"
#include "settings/Preferences.h"
#include "ui/ColoursWindow.h"
#include "ui/HelpWindow.h"
#include "ui/Labels.h"
#include "ui/QtOperatorDialogs.h"
#include "ui/ToneBeeper.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <memory>

using namespace zelq;
using namespace zelq::test;

namespace {

const QString kDataDir = QStringLiteral(ZELQ_TEST_DATA_DIR);

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QAudioFormat audioFormat(int rate, int channels, QAudioFormat::SampleFormat type)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(type);
    return f;
}

template <typename T> T read(const char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Samples of one channel as -1..1.
QList<double> channelSamples(const QByteArray& pcm, const QAudioFormat& f, int channel)
{
    QList<double> out;
    const int size = f.bytesPerSample();
    for (qsizetype at = qsizetype(channel) * size; at + size <= pcm.size();
         at += f.bytesPerFrame()) {
        const char* p = pcm.constData() + at;
        switch (f.sampleFormat()) {
        case QAudioFormat::UInt8:
            out << (quint8(*p) - 128) / 127.0;
            break;
        case QAudioFormat::Int16:
            out << read<qint16>(p) / 32767.0;
            break;
        case QAudioFormat::Int32:
            out << read<qint32>(p) / 2147483647.0;
            break;
        case QAudioFormat::Float:
            out << read<float>(p);
            break;
        default:
            break;
        }
    }
    return out;
}

double peak(const QList<double>& s, qsizetype from, qsizetype to)
{
    double m = 0;
    for (qsizetype i = from; i < to; ++i)
        m = std::max(m, std::fabs(s[i]));
    return m;
}

QColor textColour(QLabel* label) { return label->palette().color(QPalette::WindowText); }

} // namespace

class UiDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // ---- beep ----

    void beepToneHasLengthPitchAndFades_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("type");
        QTest::newRow("16-bit mono 48 kHz") << 48000 << 1 << int(QAudioFormat::Int16);
        QTest::newRow("16-bit stereo 44.1 kHz") << 44100 << 2 << int(QAudioFormat::Int16);
        QTest::newRow("float stereo 48 kHz") << 48000 << 2 << int(QAudioFormat::Float);
        QTest::newRow("32-bit mono 22.05 kHz") << 22050 << 1 << int(QAudioFormat::Int32);
        QTest::newRow("8-bit mono 8 kHz") << 8000 << 1 << int(QAudioFormat::UInt8);
    }

    void beepToneHasLengthPitchAndFades()
    {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, type);
        const QAudioFormat f = audioFormat(rate, channels, QAudioFormat::SampleFormat(type));
        const QByteArray pcm = beepTone(f);

        const qsizetype frames = qsizetype(rate) * BeepDurationMs / 1000;
        QCOMPARE(pcm.size(), frames * f.bytesPerFrame());

        const QList<double> s = channelSamples(pcm, f, 0);
        QCOMPARE(s.size(), frames);
        // Audible in the middle, silent at both ends, quiet during the ramps.
        QVERIFY(peak(s, frames / 4, frames * 3 / 4) > 0.3);
        QVERIFY(peak(s, frames / 4, frames * 3 / 4) <= 1.0);
        const double oneStep = 1.5 / 127; // a step of the coarsest format
        QVERIFY(std::fabs(s.first()) < oneStep);
        QVERIFY(std::fabs(s.last()) < oneStep);
        const qsizetype ms = rate / 1000;
        QVERIFY(peak(s, 0, ms) < 0.25);
        QVERIFY(peak(s, frames - ms, frames) < 0.25);

        // 880 Hz crosses zero twice a cycle.
        int crossings = 0;
        for (qsizetype i = 1; i < s.size(); ++i)
            if ((s[i - 1] < 0) != (s[i] < 0))
                ++crossings;
        const double expected = 2.0 * BeepFrequencyHz * BeepDurationMs / 1000.0;
        QVERIFY2(std::fabs(crossings - expected) <= 4, qPrintable(QString::number(crossings)));

        if (channels == 2)
            QCOMPARE(channelSamples(pcm, f, 1), s);
    }

    void beepToneRefusesFormatsItCannotFill()
    {
        QVERIFY(beepTone(QAudioFormat()).isEmpty());
        QVERIFY(beepTone(audioFormat(0, 1, QAudioFormat::Int16)).isEmpty());
        QVERIFY(beepTone(audioFormat(48000, 0, QAudioFormat::Int16)).isEmpty());
        QVERIFY(beepTone(audioFormat(48000, 1, QAudioFormat::Unknown)).isEmpty());
    }

    void beepNeverBlocksAndWithoutAudioDeviceRingsTheBell()
    {
        QElapsedTimer clock;
        clock.start();
        {
            ToneBeeper beeper;
            QCOMPARE(beeper.lastSound(), ToneBeeper::Sound::None);
            beeper.beep();
            beeper.beep(); // restarts a tone that may still be playing
            QTest::qWait(BeepDurationMs * 2);
            beeper.beep();
            if (QMediaDevices::audioOutputs().isEmpty()) {
                QCOMPARE(beeper.lastSound(), ToneBeeper::Sound::SystemBell);
                QVERIFY(!beeper.isPlaying());
            }
            // destroyed while a tone may be playing
        }
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    // The audio layer finds its devices once per process, so the tone is
    // played by a second run of this test program whose sound goes to a
    // PulseAudio null sink.
    void toneReachesTheSoundCard()
    {
        const QString pulse = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulse.isEmpty())
            QSKIP("pulseaudio is not installed");
        TempHome home; // a private XDG_RUNTIME_DIR for the server's socket
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(pulse, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                             QStringLiteral("--log-level=error"),
                             QStringLiteral("--exit-idle-time=-1"),
                             QStringLiteral("--load=module-native-protocol-unix"),
                             QStringLiteral("--load=module-null-sink sink_name=null")});
        QVERIFY(server.waitForStarted(5000));
        const auto stopServer = qScopeGuard([&server] {
            server.terminate();
            if (!server.waitForFinished(5000))
                server.kill();
            server.waitForFinished(1000);
        });
        const QString socket =
            qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pulse/native");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 10000);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELQ_TEST_NULL_SINK"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("toneOnNullSink")});
        QVERIFY(child.waitForFinished(60000));
        const QString out = QString::fromUtf8(child.readAll());
        const bool played =
            out.contains(QStringLiteral("PASS   : UiDialogsTest::toneOnNullSink()"));
        QVERIFY2(child.exitCode() == 0 && played, qPrintable(out));
    }

    // Run only by toneReachesTheSoundCard.
    void toneOnNullSink()
    {
        if (qEnvironmentVariableIsEmpty("ZELQ_TEST_NULL_SINK"))
            QSKIP("runs inside toneReachesTheSoundCard");
        QVERIFY(!QMediaDevices::audioOutputs().isEmpty());
        ToneBeeper beeper;
        beeper.beep();
        QCOMPARE(beeper.lastSound(), ToneBeeper::Sound::Tone);
        QVERIFY(beeper.isPlaying());
        // The tone ends by itself and gives the output back.
        QTRY_VERIFY_WITH_TIMEOUT(!beeper.isPlaying(), 3000);

        beeper.beep();
        QTest::qWait(BeepDurationMs / 3);
        beeper.beep(); // starts over while playing
        QCOMPARE(beeper.lastSound(), ToneBeeper::Sound::Tone);
        QVERIFY(beeper.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!beeper.isPlaying(), 3000);
    }

    // ---- multiplier colours ----

    void coloursWindowPaintsTheCurrentColours()
    {
        Preferences prefs;
        prefs.remainingColour = StoredColour::fromRgb(200, 10, 20);
        prefs.workedColour = StoredColour::fromRgb(0, 128, 255);
        FakeDialogs dialogs;
        ColoursWindow w(prefs, dialogs);
        QCOMPARE(w.objectName(), QStringLiteral("Form6"));
        QCOMPARE(w.windowTitle(), QStringLiteral(" Modify Multiplier Color Selections"));

        auto* remaining = w.findChild<QLabel*>(QStringLiteral("lblRemaining"));
        auto* worked = w.findChild<QLabel*>(QStringLiteral("lblWorked"));
        QVERIFY(remaining && worked);
        QCOMPARE(remaining->text(), QStringLiteral("Appearance of multiplier remaining"));
        QCOMPARE(worked->text(), QStringLiteral("Appearance of multiplier worked"));
        QCOMPARE(textColour(remaining), QColor(200, 10, 20));
        QCOMPARE(textColour(worked), QColor(0, 128, 255));

        // A window kept between openings shows the colours of the moment.
        prefs.workedColour = StoredColour::fromRgb(1, 2, 3);
        w.show();
        QCOMPARE(textColour(worked), QColor(1, 2, 3));
        QCOMPARE(dialogs.asked.size(), 0);
    }

    void chosenColourIsStoredInItsOwnSettingAndPainted()
    {
        Preferences prefs;
        const quint32 worked0 = prefs.workedColour;
        FakeDialogs dialogs;
        ColoursWindow w(prefs, dialogs);

        dialogs.answerColour(qRgb(0x12, 0x34, 0x56));
        w.findChild<QPushButton*>(QStringLiteral("cmdRemaining"))->click();
        QCOMPARE(prefs.remainingColour, quint32(0x563412)); // red + 256 green + 65536 blue
        QCOMPARE(prefs.workedColour, worked0);
        QCOMPARE(textColour(w.findChild<QLabel*>(QStringLiteral("lblRemaining"))),
                 QColor(0x12, 0x34, 0x56));

        dialogs.answerColour(qRgb(0, 200, 0));
        w.findChild<QPushButton*>(QStringLiteral("cmdWorked"))->click();
        QCOMPARE(prefs.workedColour, StoredColour::fromRgb(0, 200, 0));
        QCOMPARE(prefs.remainingColour, quint32(0x563412));
        QCOMPARE(textColour(w.findChild<QLabel*>(QStringLiteral("lblWorked"))), QColor(0, 200, 0));

        QCOMPARE(dialogs.asked.size(), 2);
        QCOMPARE(dialogs.asked[0].kind, AskedDialog::Kind::Colour);
        QCOMPARE(dialogs.unscripted, 0);
    }

    void cancelledColourChoiceChangesNothing()
    {
        Preferences prefs;
        const Preferences before = prefs;
        FakeDialogs dialogs;
        ColoursWindow w(prefs, dialogs);
        auto* remaining = w.findChild<QLabel*>(QStringLiteral("lblRemaining"));
        auto* worked = w.findChild<QLabel*>(QStringLiteral("lblWorked"));
        const QColor r0 = textColour(remaining), w0 = textColour(worked);

        dialogs.answerColour(std::nullopt);
        w.findChild<QPushButton*>(QStringLiteral("cmdRemaining"))->click();
        dialogs.answerColour(std::nullopt);
        w.findChild<QPushButton*>(QStringLiteral("cmdWorked"))->click();

        QCOMPARE(prefs.remainingColour, before.remainingColour);
        QCOMPARE(prefs.workedColour, before.workedColour);
        QCOMPARE(textColour(remaining), r0);
        QCOMPARE(textColour(worked), w0);
    }

    void doneHidesTheColoursWindow()
    {
        Preferences prefs;
        FakeDialogs dialogs;
        ColoursWindow w(prefs, dialogs);
        w.show();
        QVERIFY(w.isVisible());
        w.findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
    }

    // ---- help window ----

    void helpWindowShowsTheFileAndSavesItLineForLine()
    {
        TempHome home;
        QVERIFY(QDir().mkpath(home.installDir()));
        const QByteArray original = "ZELQ help\r\n\r\nPress \"Done\" to connect.\r\nEnd\r\n";
        const QString helpFile = home.writeFile(QStringLiteral("data/rdzelqnt.txt"), original);
        FakeDialogs dialogs;
        HelpWindow w(helpFile, home.installDir(), dialogs);
        QCOMPARE(w.objectName(), QStringLiteral("Form5"));
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELQ Logger Help"));

        auto* text = w.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        QVERIFY(text);
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->toPlainText(),
                 QStringLiteral("ZELQ help\n\nPress \"Done\" to connect.\nEnd\n"));

        auto* save = w.findChild<QPushButton*>(QStringLiteral("Command1"));
        QVERIFY(save && save->isEnabled());
        save->click();
        // A text file with the lines shown (blank line and quotes kept), not
        // one quoted value.
        const QString saved = home.installDir() + QStringLiteral("/HelpTavrin.txt");
        QCOMPARE(readAll(saved), original);
        QCOMPARE(dialogs.asked.size(), 0);

        // Saving again over the first copy, and a file with LF or CR line
        // ends or none at the end: CR LF after every line shown.
        save->click();
        QCOMPARE(readAll(saved), original);
        const QString mixed = home.writeFile(QStringLiteral("data/mixed.txt"),
                                             "one\ntwo\rthree \xc3\xa4\r\n\n  four");
        HelpWindow m(mixed, home.installDir(), dialogs);
        QVERIFY(m.saveText());
        QCOMPARE(readAll(saved), QByteArray("one\r\ntwo\r\nthree \xc3\xa4\r\n\r\n  four"));
    }

    void helpWindowWithoutItsFileSaysSo()
    {
        TempHome home;
        FakeDialogs dialogs;
        for (const QString& missing : {QString(), home.path() + QStringLiteral("/nowhere.txt"),
                                       home.path()}) { // a folder where the file belongs
            HelpWindow w(missing, home.installDir(), dialogs);
            const QString shown =
                w.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
            QVERIFY2(shown.contains(QStringLiteral("rdzelqnt.txt")), qPrintable(shown));
            QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
        }
        QCOMPARE(dialogs.asked.size(), 0);
    }

    void failedHelpSaveIsReported()
    {
        TempHome home;
        // A folder stands where the saved file belongs.
        QVERIFY(QDir().mkpath(home.installDir() + QStringLiteral("/HelpTavrin.txt")));
        FakeDialogs dialogs;
        HelpWindow w(kDataDir + QStringLiteral("/rdzelqnt.txt"), home.installDir(), dialogs);
        QVERIFY(!w.saveText());
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked[0].kind, AskedDialog::Kind::Message);
        QVERIFY(dialogs.asked[0].text.contains(QStringLiteral("HelpTavrin.txt")));
    }

    // A first name such as OBR<I>EN&CO shows as typed, not as markup.
    void valueLabelsShowMarkupAsText()
    {
        std::unique_ptr<QLabel> label(valueLabel("lblOwnName", nullptr, 1));
        const QString name = QStringLiteral("OBR<I>EN&CO <b>");
        label->setText(name);
        QVERIFY(label->sizeHint().width()
                >= label->fontMetrics().horizontalAdvance(name));
    }

    // ---- shipped files ----

    void shippedPreferencesLoadAsTheDefaults()
    {
        const QString path = kDataDir + QStringLiteral("/ZELQpfNt.txt");
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes.count("\r\n"), Preferences::WrittenLineCount);
        QCOMPARE(bytes.count('\n'), Preferences::WrittenLineCount);
        QVERIFY(bytes.endsWith("\r\n"));

        // Start from other values, so every line has to be read.
        Preferences p;
        p.ownCall = QStringLiteral("X1X");
        p.mode = QStringLiteral("RY");
        p.band = QStringLiteral("80");
        p.refreshMs = 6000;
        p.rigType = QStringLiteral("K3");
        p.formSize = 50;
        p.logPath = QStringLiteral("/x");
        p.transmitter = 7;
        p.taskbar = 1;
        p.fldigiHost = QStringLiteral("elsewhere");
        p.fldigiPort = 1;
        QCOMPARE(loadPreferences(path, p), PreferencesLoad::Loaded);
        QCOMPARE(p.fldigiHost, QStringLiteral("127.0.0.1"));
        QCOMPARE(p.fldigiPort, 7362);
        QCOMPARE(p.ownCall, QString());
        QCOMPARE(p.mode, QStringLiteral("CW"));
        QCOMPARE(p.band, QStringLiteral("20"));
        QCOMPARE(p.refreshMs, 60000.0);
        QCOMPARE(p.rigType, QStringLiteral("None"));
        QCOMPARE(p.formSize, 100);
        QCOMPARE(p.logPath, QString()); // the installation folder's log is offered
        QCOMPARE(p.transmitter, 0.0);
        QCOMPARE(p.taskbar, 0);

        // Worked and remaining must be told apart at a glance on the grid.
        const QColor worked = colourFromStored(p.workedColour);
        const QColor remaining = colourFromStored(p.remainingColour);
        const int distance = std::abs(worked.red() - remaining.red())
                             + std::abs(worked.green() - remaining.green())
                             + std::abs(worked.blue() - remaining.blue());
        QVERIFY2(distance >= 300, qPrintable(QString::number(distance)));

        // Written exactly as the program writes its preferences.
        TempHome home;
        const QString again = home.path() + QStringLiteral("/again.txt");
        QVERIFY(savePreferences(again, p));
        QCOMPARE(readAll(again), bytes);
    }

    void shippedHelpTextIsCompleteAndCoversTheLogServer()
    {
        const QByteArray bytes = readAll(kDataDir + QStringLiteral("/rdzelqnt.txt"));
        QVERIFY(!bytes.isEmpty());
        const qsizetype lines = bytes.count('\n');
        QCOMPARE(bytes.count("\r\n"), lines); // CR LF throughout
        QVERIFY2(lines >= 150 && lines <= 250, qPrintable(QString::number(lines)));
        const QString text = QString::fromUtf8(bytes);
        QVERIFY(text.contains(QStringLiteral("log server")));
        QVERIFY(text.contains(QStringLiteral("postgresql://zelq@SERVER/zelq")));
        QVERIFY(text.contains(QStringLiteral("--install-dir")));
    }

    // ---- the real dialogs ----

    void realDialogsConstructAndShowLineBreaks()
    {
        QtOperatorDialogs withoutWindow(nullptr);
        auto parent = std::make_unique<QWidget>();
        QtOperatorDialogs dialogs(parent.get());
        parent.reset(); // dialogs outliving their window must not use it
        dialogs.setParentWidget(nullptr);
        QCOMPARE(displayLineBreaks(QStringLiteral("a\r\nb\rc\nd\r\n\r\ne")),
                 QStringLiteral("a\nb\nc\nd\n\ne"));
    }
};

QTEST_MAIN(UiDialogsTest)
#include "tst_ui_dialogs.moc"
