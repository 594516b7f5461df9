#pragma once
// A serial line with no device: it records what is written and the line
// settings, and the test feeds received bytes, refuses opens and raises
// the port's failure.

#include "devices/SerialLine.h"

#include <QList>

namespace zelq::test {

class FakeSerialLine final : public SerialLine {
    Q_OBJECT
public:
    using SerialLine::SerialLine;

    // What the test sets up.
    QString refuseOpenWith; // non-empty: open() fails with this reason
    qint64 waiting = 0;     // what bytesWaiting() answers

    // What the program did.
    QList<SerialOpenRequest> opens;
    QByteArray written;
    bool rts = true; // opening a tty raises both lines
    bool dtr = true;

    bool open(const SerialOpenRequest& request) override
    {
        opens.append(request);
        failure = refuseOpenWith;
        opened = failure.isEmpty();
        if (opened)
            rts = dtr = true;
        return opened;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    QString openFailure() const override { return failure; }
    QString devicePath() const override
    {
        return opens.isEmpty() ? QString() : opens.last().device;
    }

    bool write(const QByteArray& bytes) override
    {
        if (!opened)
            return false;
        written += bytes;
        return true;
    }
    QByteArray readAll() override { return std::exchange(incoming, {}); }
    qint64 bytesWaiting() const override { return opened ? waiting : 0; }

    bool setRts(bool on) override { return opened && ((rts = on), true); }
    bool setDtr(bool on) override { return opened && ((dtr = on), true); }
    bool lowerDtrAndRts() override { return opened && ((rts = dtr = false), true); }

    // The device sends `bytes`.
    void receive(const QByteArray& bytes)
    {
        incoming += bytes;
        emit readyRead();
    }
    // The device goes away.
    void fail(const QString& reason)
    {
        opened = false;
        emit failed(reason);
    }

private:
    bool opened = false;
    QString failure;
    QByteArray incoming;
};

} // namespace zelq::test
