#pragma once
// What the CW keyer hands its text to: the line keyer's own thread, a
// WinKeyer, or the radio's keyer through rigctld. Each keeps its own
// buffer of text not yet sent and tells the window, on the window's
// thread, what was sent and when it has nothing left.

#include <QObject>
#include <QString>

namespace zelq {

class CwSender : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Appends text to the buffer and starts sending if idle.
    virtual void send(const QString& text) = 0;
    // Drops what is not yet sent; the character being keyed ends first.
    virtual void clearBuffer() = 0;
    // Drops only the text not yet handed to the device: what a keying
    // device already holds is still sent.
    virtual void dropUnsent() { clearBuffer(); }
    // Takes back the last character not yet sent; false when none is left.
    virtual bool removeLast() = 0;
    virtual QString buffer() const = 0;
    // From send() until everything handed over has been sent.
    virtual bool isSending() const = 0;
    // The speed for what is sent from now on.
    virtual void setWpm(double wpm) = 0;

signals:
    // A character was sent; `rest` is what the buffer still holds.
    void characterSent(QChar c, const QString& rest);
    // A "!" in the text was reached (nothing is keyed for it).
    void contactMarkReached();
    // The buffer ran empty: sending has ended.
    void bufferEmpty();
};

} // namespace zelq
