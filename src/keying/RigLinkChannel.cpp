#include "keying/RigLinkChannel.h"

#include "keying/KeyRelease.h"

#include "rig/RigCatalogue.h"
#include "rig/RigLink.h"
#include "rig/RigctldClient.h"

namespace zelq {

RigLinkChannel::RigLinkChannel(std::function<RigLink&()> f, QObject* parent)
    : RigCommandChannel(parent), findLink(std::move(f))
{
    timeout.setSingleShot(true);
    timeout.setInterval(AnswerTimeoutMs);
    connect(&timeout, &QTimer::timeout, this, &RigLinkChannel::dropWaiting);
}

RigLinkChannel::~RigLinkChannel()
{
    unregisterSendOnEnd(endSlot);
}

void RigLinkChannel::armOnEnd(const QByteArray& command)
{
    endCommand = command;
    rearm();
}

void RigLinkChannel::rearm()
{
    unregisterSendOnEnd(endSlot);
    endSlot = -1;
    RigLink* r = link();
    if (endCommand.isEmpty() || !r || !r->daemon().isConnected())
        return;
    // A line end first ends whatever line the program was writing.
    const QByteArray bytes = '\n' + r->daemon().commandLine(endCommand);
    endSlot = registerSendOnEnd(r->daemon().descriptor(), bytes.constData(), int(bytes.size()));
}

RigLink* RigLinkChannel::link()
{
    if (!found && findLink) {
        found = true;
        rig = &findLink();
        RigctldClient& d = rig->daemon();
        connect(&d, &RigctldClient::commandAnswered, this, &RigLinkChannel::answered);
        // A new or lost connection has dropped what its queue held.
        connect(&d, &RigctldClient::connected, this, [this] {
            dropWaiting();
            rearm();
            emit linkChanged();
        });
        connect(&d, &RigctldClient::failed, this, [this] {
            dropWaiting();
            rearm();
            emit linkChanged();
        });
        connect(rig, &RigLink::aboutToClose, this, &RigCommandChannel::closing);
    }
    return rig;
}

QString RigLinkChannel::unavailableReason()
{
    RigLink* r = link();
    if (!r)
        return RigNoAnswerText;
    if (r->settings.rigType != RigTypes::Hamlib)
        return RigNotRigctldText;
    if (!r->daemon().isConnected())
        return RigNoAnswerText;
    return {};
}

bool RigLinkChannel::namesVfo()
{
    RigLink* r = link();
    return r && r->daemon().namesVfo();
}

bool RigLinkChannel::send(const QByteArray& command, Answer answer)
{
    if (!unavailableReason().isEmpty() || !rig->daemon().sendCommand(command))
        return false;
    waiting.append({command, std::move(answer)});
    if (!timeout.isActive())
        timeout.start();
    return true;
}

void RigLinkChannel::answered(const QByteArray& command, bool accepted, const QByteArray& reply)
{
    // Another part's command (a frequency, a mode) is not ours.
    if (waiting.isEmpty() || waiting.first().command != command)
        return;
    const Waiting w = waiting.takeFirst();
    if (waiting.isEmpty())
        timeout.stop();
    else
        timeout.start();
    if (w.answer)
        w.answer(accepted, reply);
}

void RigLinkChannel::dropWaiting()
{
    timeout.stop();
    const QList<Waiting> lost = std::exchange(waiting, {});
    for (const Waiting& w : lost)
        if (w.answer)
            w.answer(false, QByteArray());
}

} // namespace zelq
