#pragma once
// Set commands to the radio through rigctld, as the radio's keyer and the
// voice keyer's PTT use them. Each command sent gets exactly one answer:
// the daemon's "RPRT n" line, or an empty reply when the link went down
// or nothing came back in time. Tests give a channel of their own.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

namespace zelq {

class RigCommandChannel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    using Answer = std::function<void(bool accepted, const QByteArray& reply)>;

    // Empty while commands can go; otherwise why not, in the operator's words.
    virtual QString unavailableReason() = 0;
    // The daemon puts the VFO before every argument: text for the radio
    // then always follows a separating blank it keeps.
    virtual bool namesVfo() { return false; }
    // Queues `command` (no line end); false, and no answer, when it cannot go.
    virtual bool send(const QByteArray& command, Answer answer) = 0;

    // `command` goes to the daemon from the end-signal handler (SIGTERM,
    // SIGINT, SIGHUP) for as long as it is armed; empty disarms.
    virtual void armOnEnd(const QByteArray& command) { Q_UNUSED(command); }

signals:
    // The daemon was reached or lost: what was unavailable may work now.
    void linkChanged();
    // The link is about to close (program end, End Test): last commands now.
    void closing();
};

inline const QString RigNotRigctldText = QStringLiteral(
    "The rig type is not \"Hamlib rigctld\": choose it in the Rig Interface Setup window to key through the radio.");
inline const QString RigNoAnswerText = QStringLiteral(
    "rigctld does not answer: press Test in the Rig Interface Setup window, or check rigctld's host and port.");

// "rigctld refused "T 1": RPRT -11"
inline QString rigRefusedText(const QByteArray& command, const QByteArray& reply)
{
    return QStringLiteral("rigctld refused \"%1\": %2")
        .arg(QString::fromLatin1(command), QString::fromLatin1(reply));
}

} // namespace zelq
