#include "rig/RigctldClient.h"

#include "rig/RigDecoders.h"

namespace zelq {

QString modeFromHamlib(const QByteArray& mode)
{
    const QByteArray m = mode.trimmed().toUpper();
    return (m == "CW" || m == "CWR") ? QStringLiteral("CW") : QStringLiteral("PH");
}

RigctldClient::RigctldClient(QObject* parent) : QObject(parent), line(this)
{
    replyTimer.setSingleShot(true);
    replyTimer.setInterval(ReplyTimeoutMs);
    connect(&replyTimer, &QTimer::timeout, this, &RigctldClient::onTimeout);
    connect(&line, &TcpLine::readyRead, this, &RigctldClient::onReadable);
    connect(&line, &TcpLine::connected, this, [this] {
        send(Step::CheckVfo, QByteArrayLiteral("\\chk_vfo\n"));
    });
    connect(&line, &TcpLine::failed, this, [this](const QString& reason) {
        ready = false;
        step = Step::Idle;
        replyTimer.stop();
        emit failed(reason);
    });
}

void RigctldClient::connectTo(const QString& h, quint16 p)
{
    close();
    host = h;
    port = p;
    line.connectTo(host, port, 3000);
}

void RigctldClient::close()
{
    replyTimer.stop();
    line.close();
    ready = false;
    vfoMode = false;
    step = Step::Idle;
    buffer.clear();
    finished.reset();
    commands.clear();
}

bool RigctldClient::sendCommand(const QByteArray& command)
{
    if (!ready)
        return false;
    commands.append(command);
    sendQueued();
    return true;
}

void RigctldClient::sendQueued()
{
    if (!ready || step != Step::Idle || commands.isEmpty())
        return;
    commandOut = commands.takeFirst();
    send(Step::Command, commandLine(commandOut));
}

QByteArray RigctldClient::commandLine(const QByteArray& command) const
{
    QByteArray line = command;
    if (vfoMode) {
        const qsizetype space = line.indexOf(' ');
        line.insert(space < 0 ? line.size() : space, " currVFO");
    }
    return line + '\n';
}

void RigctldClient::requestReading()
{
    if (!ready || step != Step::Idle || !commands.isEmpty())
        return;
    raw.clear();
    building = Reading{};
    send(Step::Frequency, vfoMode ? QByteArrayLiteral("f currVFO\n") : QByteArrayLiteral("f\n"));
}

std::optional<RigctldClient::Reading> RigctldClient::takeReading()
{
    return std::exchange(finished, std::nullopt);
}

void RigctldClient::send(Step next, const QByteArray& command)
{
    step = next;
    if (!line.write(command)) {
        step = Step::Idle;
        return;
    }
    replyTimer.start();
}

std::optional<QList<QByteArray>> RigctldClient::takeAnswer(int lines)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    for (int i = 0; i < lines; ++i) {
        const qsizetype end = buffer.indexOf('\n', from);
        if (end < 0)
            return std::nullopt;
        out.append(buffer.mid(from, end - from).trimmed());
        from = end + 1;
        // An error is one line, whatever was asked.
        if (out.last().startsWith("RPRT"))
            break;
    }
    buffer.remove(0, from);
    return out;
}

void RigctldClient::onReadable()
{
    buffer += line.readAll();
    while (step != Step::Idle) {
        const std::optional<QList<QByteArray>> answer = takeAnswer(step == Step::Mode ? 2 : 1);
        if (!answer)
            return;
        replyTimer.stop();
        finishStep(*answer);
    }
    buffer.clear(); // nothing was asked: nothing to take
}

void RigctldClient::finishStep(const QList<QByteArray>& lines)
{
    const bool error = lines.first().startsWith("RPRT");
    raw += lines.join('\n') + '\n';
    switch (step) {
    case Step::CheckVfo:
        vfoMode = !error && lines.first().endsWith('1');
        step = Step::Idle;
        ready = true;
        emit connected();
        sendQueued();
        return;
    case Step::Frequency: {
        bool ok = false;
        const double hz = lines.first().toDouble(&ok);
        if (error || !ok || hz <= 0) {
            step = Step::Idle;
            sendQueued();
            return;
        }
        building.frequency = hertzToMHz(hz);
        send(Step::Mode, vfoMode ? QByteArrayLiteral("m currVFO\n") : QByteArrayLiteral("m\n"));
        return;
    }
    case Step::Mode:
        if (!error)
            building.mode = modeFromHamlib(lines.first());
        building.raw = raw;
        finished = building;
        step = Step::Idle;
        sendQueued();
        return;
    case Step::Command: {
        step = Step::Idle;
        const QByteArray reply = lines.first();
        emit commandAnswered(commandOut, reply == "RPRT 0", reply);
        sendQueued();
        return;
    }
    case Step::Idle:
        return;
    }
}

void RigctldClient::onTimeout()
{
    // A late answer would be read as the next request's: start afresh.
    const QString h = host;
    const quint16 p = port;
    close();
    line.connectTo(h, p, 3000);
}

} // namespace zelq
