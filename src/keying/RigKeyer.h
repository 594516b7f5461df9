#pragma once
// CW through the radio's own keyer, reached over rigctld: text goes with
// "b" (send_morse) a word at a time (typed text as it comes), the next
// piece shortly before the radio is estimated to finish the last, so Esc
// and a new message can still drop what the radio does not hold yet. Esc sends "\stop_morse";
// when the daemon refuses it the message ends with the word the radio
// has, and the note says so. The speed goes with "L KEYSPD n". When the
// link cannot carry commands nothing is sent and the note says why.
// What was sent and when it ends are estimated from the Morse timing.

#include "keying/CwSender.h"
#include "keying/RadioMorseTiming.h"

#include <QElapsedTimer>
#include <QTimer>

namespace zelq {

class RigCommandChannel;

class RigKeyer final : public CwSender {
    Q_OBJECT
public:
    explicit RigKeyer(RigCommandChannel& channel, QObject* parent = nullptr);

    void send(const QString& text) override;
    void clearBuffer() override;
    void dropUnsent() override;
    bool removeLast() override;
    QString buffer() const override;
    bool isSending() const override { return sending; }
    void setWpm(double wpm) override;

    // What the operator is to know about this way of keying; empty when
    // all is well.
    QString note() const;
    // Asks the link again (the method was chosen, the rig type changed)
    // and gives the radio the speed. Until the first call or send() the
    // link is left alone.
    void checkLink();

    // How long before the radio's estimated end the next word goes.
    static constexpr int HandOverLeadMs = 300;

signals:
    void noteChanged(const QString& note);

private:
    struct Sign {
        QChar c;
        double endMs;
    };
    double now() const { return double(clock.nsecsElapsed()) / 1e6; }
    void handOver();
    void pieceAnswered(bool accepted, const QByteArray& reply, const QByteArray& command);
    void stopAnswered(bool accepted, const QByteArray& reply);
    void onTick();
    void schedule();
    void finish();
    // The text not handed over goes, with the piece awaiting its answer.
    void fail(const QString& why);
    void sendSpeed();
    void setProblem(const QString& text);
    void setStopNote(const QString& text);

    RigCommandChannel& channel;
    QElapsedTimer clock;
    QTimer tick;
    QString pending;           // not handed over
    RadioPiece flight;         // handed over, its answer awaited
    bool inFlight = false;
    int flightBlanks = 0;      // blanks the radio keys before its word
    bool blankOwed = false;    // the text ended in blanks that did not go
    QList<Sign> keyed;         // with the radio, not yet sent by the estimate
    double keyedUntil = 0;     // the estimated end of what the radio has
    double wpm = 13;
    int radioWpm = 0;          // the speed last given to the radio; 0 none
    bool engaged = false;
    bool sending = false;
    bool stopping = false;
    QString problem;
    QString stopNote;
    QString shownNote;
};

inline const QString RigStopRefusedText = QStringLiteral(
    "The radio cannot stop its keyer through rigctld: Esc ends the message after the word the radio already has.");

} // namespace zelq
