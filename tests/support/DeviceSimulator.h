#pragma once
// Base of the device simulators: it sits on the master end of a PtyPair
// and answers what the program sends by a script. A rule answers a request
// (found anywhere in what has arrived, in order) with a reply, which may be
// cut into parts written a few milliseconds apart (a reply split over
// several reads); with joined replies on, the answers to every request of
// one read go out in a single write. Simulators of a device family
// override onInput() to parse frames of their own.

#include "PtyPair.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace zelq::test {

class DeviceSimulator : public QObject {
    Q_OBJECT
public:
    explicit DeviceSimulator(PtyPair& pty, QObject* parent = nullptr);
    ~DeviceSimulator() override;

    // Answers `request` with `reply` in one write.
    void answer(const QByteArray& request, const QByteArray& reply);
    // Answers `request` with `parts` written `gapMs` apart.
    void answerSplit(const QByteArray& request, const QList<QByteArray>& parts, int gapMs = 5);
    void setJoinReplies(bool on) { joinReplies = on; }

    // Sends bytes of its own accord.
    void send(const QByteArray& bytes);
    // Everything the program has sent so far.
    QByteArray received() const { return input; }
    // Runs the event loop until `count` bytes have arrived in all.
    bool waitForReceived(qsizetype count, int timeoutMs = 2000);

    // A device that stops reading: the program's bytes pile up.
    void setReading(bool on);
    // Reads at most `max` waiting bytes now; returns how many came.
    qsizetype readNow(qsizetype max);

    // Closes the simulator's end while the program holds the port.
    void unplug();

protected:
    // New bytes are at the end of `pending` (what no rule has taken yet).
    // The default applies the script.
    virtual void onInput(QByteArray& pending);
    // Queues a reply: parts `gapMs` apart.
    void reply(const QList<QByteArray>& parts, int gapMs = 0);

private:
    struct Rule {
        QByteArray request;
        QList<QByteArray> parts;
        int gapMs;
    };
    struct Outgoing {
        QByteArray bytes;
        int delayMs;
    };

    void readable();
    void take(const QByteArray& bytes);
    void flushJoined();
    void writeNext();

    PtyPair& pty;
    QSocketNotifier* notifier = nullptr;
    QList<Rule> rules;
    QByteArray input;
    QByteArray pending;
    QList<Outgoing> outgoing;
    QByteArray joined;
    bool joinReplies = false;
    bool collecting = false;
    QTimer writeTimer;
};

} // namespace zelq::test
