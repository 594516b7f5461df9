#include "keying/RigKeyer.h"

#include "keying/Morse.h"
#include "keying/RigCommandChannel.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

namespace zelq {

RigKeyer::RigKeyer(RigCommandChannel& c, QObject* parent) : CwSender(parent), channel(c)
{
    clock.start();
    tick.setSingleShot(true);
    tick.setTimerType(Qt::PreciseTimer);
    connect(&tick, &QTimer::timeout, this, &RigKeyer::onTick);
    connect(&channel, &RigCommandChannel::linkChanged, this, [this] {
        radioWpm = 0; // a new daemon, maybe another radio: the speed goes again
        setStopNote(QString());
        checkLink();
        if (!problem.isEmpty() && sending)
            fail(problem);
    });
}

void RigKeyer::checkLink()
{
    engaged = true;
    setProblem(channel.unavailableReason());
    if (problem.isEmpty())
        sendSpeed();
}

QString RigKeyer::note() const
{
    return problem.isEmpty() ? stopNote : problem;
}

void RigKeyer::setProblem(const QString& text)
{
    problem = text;
    if (note() != shownNote)
        emit noteChanged(shownNote = note());
}

void RigKeyer::setStopNote(const QString& text)
{
    stopNote = text;
    if (note() != shownNote)
        emit noteChanged(shownNote = note());
}

void RigKeyer::send(const QString& text)
{
    checkLink();
    if (!problem.isEmpty()) {
        // Nothing can go: nothing is kept for later either.
        pending.clear();
        return;
    }
    const QString t = radioText(text);
    if (t.isEmpty())
        return;
    pending += t;
    sending = true;
    stopping = false;
    handOver();
}

void RigKeyer::setWpm(double w)
{
    wpm = w > 0 ? w : MinWpm;
    // The link is first asked when this way of keying is used.
    if (engaged)
        checkLink();
}

void RigKeyer::sendSpeed()
{
    const int n = int(std::lround(std::clamp(wpm, MinWpm, MaxWpm)));
    if (n == radioWpm)
        return;
    radioWpm = n;
    QPointer<RigKeyer> self(this);
    const QByteArray command = "L KEYSPD " + QByteArray::number(n);
    const bool queued = channel.send(command, [self, command](bool accepted, const QByteArray& reply) {
        if (self && !accepted) {
            self->radioWpm = 0; // tried again with the next change or message
            if (!reply.isEmpty())
                self->setProblem(rigRefusedText(command, reply));
        }
    });
    if (!queued)
        radioWpm = 0;
}

void RigKeyer::handOver()
{
    if (inFlight || !sending)
        return;
    if (pending.isEmpty() || stopping) {
        schedule();
        return;
    }
    const double t = now();
    if (t < keyedUntil - HandOverLeadMs) {
        schedule();
        return;
    }
    const RadioPiece piece = nextRadioPiece(pending);
    pending.remove(0, piece.length());
    if (piece.word.isEmpty()) {
        // Blanks at the end go with the next word, if one comes; they are
        // through when the radio is.
        for (QChar c : piece.blanks)
            keyed.append({c, std::max(t, keyedUntil)});
        blankOwed = true;
        schedule();
        return;
    }
    const bool vfo = channel.namesVfo();
    flight = piece;
    flightBlanks = radioLeadingBlanks(piece, vfo, blankOwed);
    inFlight = true;
    QPointer<RigKeyer> self(this);
    const QByteArray command = radioCommand(piece, vfo, blankOwed);
    blankOwed = false;
    const bool queued = channel.send(command, [self, command](bool accepted, const QByteArray& reply) {
        if (self)
            self->pieceAnswered(accepted, reply, command);
    });
    if (!queued) {
        inFlight = false;
        checkLink();
        fail(problem.isEmpty() ? RigNoAnswerText : problem);
    }
}

void RigKeyer::pieceAnswered(bool accepted, const QByteArray& reply, const QByteArray& command)
{
    if (!inFlight)
        return;
    inFlight = false;
    const RadioPiece piece = std::exchange(flight, {});
    if (!accepted) {
        fail(reply.isEmpty() ? RigNoAnswerText : rigRefusedText(command, reply));
        return;
    }
    if (problem.startsWith(QLatin1String("rigctld refused \"b")))
        setProblem(QString());
    const double start = std::max(now(), keyedUntil);
    const QList<double> ends = radioCharacterEnds(piece, flightBlanks, start, wpm);
    const QString text = piece.text();
    for (qsizetype i = 0; i < text.size(); ++i)
        keyed.append({text[i], ends[i]});
    keyedUntil = ends.isEmpty() ? start : ends.last();
    handOver();
    schedule();
}

void RigKeyer::onTick()
{
    const double t = now();
    while (!keyed.isEmpty() && keyed.first().endMs <= t) {
        const QChar c = keyed.takeFirst().c;
        emit characterSent(c, buffer());
    }
    if (!sending)
        return;
    if (keyed.isEmpty() && !inFlight && (pending.isEmpty() || stopping)) {
        finish();
        return;
    }
    handOver();
    schedule();
}

void RigKeyer::schedule()
{
    if (!sending)
        return;
    double next = -1;
    if (!keyed.isEmpty())
        next = keyed.first().endMs;
    if (!inFlight && !pending.isEmpty() && !stopping) {
        const double due = keyedUntil - HandOverLeadMs;
        next = next < 0 ? due : std::min(next, due);
    }
    if (next < 0 && !inFlight)
        next = now(); // nothing left to wait for
    if (next < 0)
        return;       // the answer moves things on
    tick.start(int(std::max(0.0, std::ceil(next - now()))));
}

void RigKeyer::finish()
{
    tick.stop();
    pending.clear();
    keyed.clear();
    sending = false;
    stopping = false;
    emit bufferEmpty();
}

void RigKeyer::fail(const QString& why)
{
    pending.clear();
    if (inFlight) {
        inFlight = false;
        flight = {};
    }
    setProblem(why);
    // What the radio already holds still runs out by the estimate.
    schedule();
}

void RigKeyer::dropUnsent()
{
    pending.clear();
}

bool RigKeyer::removeLast()
{
    if (pending.isEmpty())
        return false;
    pending.chop(1);
    return true;
}

QString RigKeyer::buffer() const
{
    QString b;
    for (const Sign& s : keyed)
        b += s.c;
    if (inFlight)
        b += flight.text();
    return b + pending;
}

void RigKeyer::clearBuffer()
{
    pending.clear();
    if (!sending)
        return;
    stopping = true;
    if (keyed.isEmpty() && !inFlight) {
        finish();
        return;
    }
    QPointer<RigKeyer> self(this);
    const bool queued = channel.send("\\stop_morse", [self](bool accepted, const QByteArray& reply) {
        if (self)
            self->stopAnswered(accepted, reply);
    });
    if (!queued)
        schedule();
}

void RigKeyer::stopAnswered(bool accepted, const QByteArray& reply)
{
    if (accepted) {
        // The radio stopped: what it held is not sent.
        keyed.clear();
        keyedUntil = now();
        if (sending && !inFlight && (pending.isEmpty() || stopping))
            finish();
        else
            handOver(); // a new message came after Esc
        return;
    }
    if (!reply.isEmpty())
        setStopNote(RigStopRefusedText);
    schedule();
}

} // namespace zelq
