// The voice keyer and the spoken prompts on the real log window, playing
// through a null sink of the test's own: F1..F9 in phone mode key the PTT
// for the message and leave the CW keyer alone, Esc stops, Ctrl+P and the
// menu open the windows, Browse and Done write "wave2.txt", and the
// prompts follow the focus and the duplicate check.
#include "LogWindowRun.h"
#include "PulseNullSink.h"
#include "devices/RecordingKeyLine.h"
#include "keying/PhoneControl.h"
#include "keying/QtWavePlayer.h"
#include "keying/VoiceNavigation.h"
#include "ui/BlindWindow.h"
#include "ui/LogWindowPhone.h"
#include "ui/PhoneWindow.h"

#include <QAction>
#include <QRadioButton>
#include <QtEndian>
#include <cmath>

using namespace zelq;
using namespace zelq::test;

namespace {

PulseNullSink* sink = nullptr;

QByteArray toneWave(int ms)
{
    const int rate = 16000;
    QByteArray pcm(rate * ms / 1000 * 2, '\0');
    for (int i = 0; i < pcm.size() / 2; ++i)
        qToLittleEndian<qint16>(qint16(9000 * std::sin(2 * M_PI * 600 * i / rate)), pcm.data() + 2 * i);
    auto u32 = [](quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); return b; };
    auto u16 = [](quint16 v) { QByteArray b(2, '\0'); qToLittleEndian(v, b.data()); return b; };
    return "RIFF" + u32(quint32(36 + pcm.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate)
        + u32(rate * 2) + u16(2) + u16(16) + "data" + u32(quint32(pcm.size())) + pcm;
}

QString keyedStates(const QList<KeyChange>& changes)
{
    QString s;
    for (const KeyChange& c : changes)
        s += c.down ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

} // namespace

class TestVoiceWindow : public QObject {
    Q_OBJECT

private slots:
    void functionKeysInPhoneModeKeyThePttForTheMessage()
    {
        if (!sink->available())
            QSKIP(qPrintable(sink->why()));
        TempHome home;
        RecordingKeyLine line;
        Run run(home);
        START(run);
        const QString f1 = home.writeFile(QStringLiteral("zelq/cq.wav"), toneWave(400));
        LogWindowPhone& voice = run.window->voiceKeyer();
        PhoneControl& phone = voice.control();
        voice.keyerPlayer().setDeviceId(PulseNullSink::sinkName().toUtf8());
        phone.setLineOverride(&line);
        PhoneSettings s;
        s.files[0] = f1;
        phone.applySettings(s);
        voice.keyerPlayer().setDeviceId(PulseNullSink::sinkName().toUtf8());
        run.context->prefs.mode = QStringLiteral("PH");
        line.clear();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(phone.pttKeyed());
        QTRY_VERIFY_WITH_TIMEOUT(!phone.pttKeyed(), 3000);
        QCOMPARE(keyedStates(line.changes()), QStringLiteral("10"));
        const qint64 held = line.changes()[1].monotonicNs - line.changes()[0].monotonicNs;
        QVERIFY2(held >= 380000000LL && held < 1400000000LL, qPrintable(QString::number(held / 1000000)));
        QCOMPARE(run.text("txtCall"), QString()); // F1 typed nothing

        // Esc stops a message at once and is not the entry's clear.
        TYPE(run, QStringLiteral("w1a"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(phone.playing());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!phone.playing());
        QVERIFY(!phone.pttKeyed());
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1A"));
        // Esc with nothing playing clears as always.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(run.text("txtCall"), QString());

        // A missing file: the status line says so and nothing is keyed.
        s.files[1] = home.installDir() + QStringLiteral("/gone.wav");
        phone.applySettings(s);
        line.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QCOMPARE(run.status(), QStringLiteral("Cannot play F2: ") + s.files[1]);
        QVERIFY(!keyedStates(line.changes()).contains(QLatin1Char('1')));

        // In CW mode the same key is the CW keyer's, never the voice keyer's.
        run.context->prefs.mode = QStringLiteral("CW");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(!phone.playing());
        run.context->prefs.mode = QStringLiteral("PH");
    }

    void setupWindowBrowseAndDoneWriteTheFile()
    {
        TempHome home;
        Run run(home);
        START(run);
        run.ctrl(Qt::Key_P);
        PhoneWindow& w = run.window->voiceKeyer().phoneWindow();
        QTRY_VERIFY(w.isVisible());
        run.dialogs.answerFile(QStringLiteral("/radio/cq.wav"));
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton); // F3's Browse
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("Text3"))->text(), QStringLiteral("/radio/cq.wav"));
        run.dialogs.answerFile(QString()); // cancelled: a beep, the field kept
        const int beeps = run.beeper.count;
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
        QCOMPARE(run.beeper.count, beeps + 1);
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("Text3"))->text(), QStringLiteral("/radio/cq.wav"));
        auto* dtr = w.findChild<QRadioButton*>(QStringLiteral("Option2"));
        QTest::mouseClick(dtr, Qt::LeftButton, {}, QPoint(6, dtr->height() / 2)); // on its circle
        QVERIFY(dtr->isChecked());
        QCOMPARE(run.window->voiceKeyer().control().settings().line, PttLine::Dtr);
        auto* loop = w.findChild<QLineEdit*>(QStringLiteral("txtPHLoop"));
        loop->setText(QStringLiteral("75")); // 60 and more is no pause
        loop->setFocus();
        emit loop->editingFinished();
        QCOMPARE(loop->text(), QStringLiteral("0"));
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        const PhoneSettings saved = PhoneSettings::load(home.installDir());
        QCOMPARE(saved.files[2], QStringLiteral("/radio/cq.wav"));
        QCOMPARE(saved.line, PttLine::Dtr);
        QCOMPARE(saved.repeatSeconds, QStringLiteral("0"));
    }

    void promptsFollowTheFocusAndTheDuplicateCheck()
    {
        TempHome home;
        Run run(home);
        START(run);
        VoiceNavigation& nav = run.window->voiceKeyer().navigation();
        // Navigation off: the focus says nothing, a duplicate says "Dupe".
        run.focusField("txtRSTR");
        run.focusField("txtCall");
        QVERIFY(nav.played().isEmpty());
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        QTRY_COMPARE(run.cacheCount(), 1);
        TYPE(run, QStringLiteral("w1aw\r"));
        QTRY_VERIFY(nav.played().contains(QStringLiteral("Dupe")));
        QTest::qWait(3100); // the hold after a duplicate

        // "All Data Fields" from the navigation window: stored, and every field speaks.
        run.window->menu().mnuVoiceNavigation->trigger();
        BlindWindow& blind = run.window->voiceKeyer().blindWindow();
        QTRY_VERIFY(blind.isVisible());
        auto* all = blind.findChild<QRadioButton*>(QStringLiteral("Option3"));
        QTest::mouseClick(all, Qt::LeftButton, {}, QPoint(6, all->height() / 2));
        QTest::mouseClick(blind.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(run.context->prefs.voiceNavigation, 2);
        Preferences stored;
        loadPreferences(run.context->preferencesPath(), stored);
        QCOMPARE(stored.voiceNavigation, 2);
        const qsizetype before = nav.played().size();
        run.focusField("txtRSTR");
        run.focusField("txtCntry");
        if (sink->available()) {
            QTRY_VERIFY(nav.played().mid(before).contains(QStringLiteral("SPC")));
            QVERIFY(nav.played().mid(before).contains(QStringLiteral("Name")));
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PulseNullSink server; // before QtMultimedia is first used
    sink = &server;
    TestVoiceWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_voice_window.moc"
