#include "DeviceSimulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <unistd.h>

namespace zelq::test {

DeviceSimulator::DeviceSimulator(PtyPair& pty, QObject* parent) : QObject(parent), pty(pty)
{
    notifier = new QSocketNotifier(qintptr(pty.master()), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &DeviceSimulator::readable);
    writeTimer.setSingleShot(true);
    connect(&writeTimer, &QTimer::timeout, this, &DeviceSimulator::writeNext);
}

DeviceSimulator::~DeviceSimulator() = default;

void DeviceSimulator::answer(const QByteArray& request, const QByteArray& reply)
{
    rules.append({request, {reply}, 0});
}

void DeviceSimulator::answerSplit(const QByteArray& request, const QList<QByteArray>& parts,
                                  int gapMs)
{
    rules.append({request, parts, gapMs});
}

void DeviceSimulator::send(const QByteArray& bytes)
{
    reply({bytes});
}

void DeviceSimulator::readable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(pty.master(), buf, sizeof buf);
        if (n > 0) {
            take(QByteArray(buf, n));
            continue;
        }
        if (n < 0 && errno == EAGAIN)
            return;
        // EIO: no program holds the slave right now (it closed the port).
        notifier->setEnabled(false);
        QTimer::singleShot(5, this, [this] {
            if (pty.master() >= 0)
                notifier->setEnabled(true);
        });
        return;
    }
}

void DeviceSimulator::take(const QByteArray& bytes)
{
    input += bytes;
    pending += bytes;
    collecting = joinReplies;
    onInput(pending);
    collecting = false;
    flushJoined();
}

void DeviceSimulator::onInput(QByteArray& buffer)
{
    for (;;) {
        const Rule* first = nullptr;
        qsizetype at = -1;
        for (const Rule& r : rules) {
            const qsizetype found = buffer.indexOf(r.request);
            if (found >= 0 && (at < 0 || found < at)) {
                at = found;
                first = &r;
            }
        }
        if (!first)
            return;
        buffer.remove(0, at + first->request.size());
        reply(first->parts, first->gapMs);
    }
}

void DeviceSimulator::reply(const QList<QByteArray>& parts, int gapMs)
{
    if (collecting) {
        for (const QByteArray& p : parts)
            joined += p;
        return;
    }
    for (qsizetype i = 0; i < parts.size(); ++i)
        outgoing.append({parts[i], i == 0 ? 0 : gapMs});
    if (!writeTimer.isActive())
        writeNext();
}

void DeviceSimulator::flushJoined()
{
    if (joined.isEmpty())
        return;
    const QByteArray all = std::exchange(joined, {});
    reply({all});
}

void DeviceSimulator::writeNext()
{
    while (!outgoing.isEmpty()) {
        if (outgoing.first().delayMs > 0) {
            writeTimer.start(std::exchange(outgoing.first().delayMs, 0));
            return;
        }
        const QByteArray bytes = outgoing.takeFirst().bytes;
        qsizetype done = 0;
        while (done < bytes.size() && pty.master() >= 0) {
            const ssize_t n = ::write(pty.master(), bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno == EAGAIN)
                QThread::usleep(200);
            else
                break;
        }
    }
}

bool DeviceSimulator::waitForReceived(qsizetype count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (input.size() < count && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return input.size() >= count;
}

void DeviceSimulator::setReading(bool on)
{
    notifier->setEnabled(on && pty.master() >= 0);
}

qsizetype DeviceSimulator::readNow(qsizetype max)
{
    if (pty.master() < 0 || max <= 0)
        return 0;
    QByteArray buf(max, Qt::Uninitialized);
    const ssize_t n = ::read(pty.master(), buf.data(), size_t(max));
    if (n <= 0)
        return 0;
    buf.truncate(n);
    take(buf);
    return n;
}

void DeviceSimulator::unplug()
{
    notifier->setEnabled(false);
    writeTimer.stop();
    outgoing.clear();
    pty.closeMaster();
}

} // namespace zelq::test
