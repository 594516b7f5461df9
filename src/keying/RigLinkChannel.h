#pragma once
// The rig link's rigctld connection as a command channel. The link is
// found on first use (the rig window is made then), and a link that is
// gone later is no longer reached. Answers are matched to this channel's
// own commands in the order they went: the daemon answers one at a time.

#include "keying/RigCommandChannel.h"

#include <QList>
#include <QPointer>
#include <QTimer>

namespace zelq {

class RigLink;

class RigLinkChannel final : public RigCommandChannel {
    Q_OBJECT
public:
    explicit RigLinkChannel(std::function<RigLink&()> findLink, QObject* parent = nullptr);

    QString unavailableReason() override;
    bool send(const QByteArray& command, Answer answer) override;
    bool namesVfo() override;
    void armOnEnd(const QByteArray& command) override;
    ~RigLinkChannel() override;

    // Past the connection's own reopening after one second: a command
    // still unanswered then is taken as lost.
    static constexpr int AnswerTimeoutMs = 3000;

private:
    RigLink* link();
    void answered(const QByteArray& command, bool accepted, const QByteArray& reply);
    // Every waiting command is answered as lost.
    void dropWaiting();
    // The armed command registered on the connection there is now.
    void rearm();

    struct Waiting {
        QByteArray command;
        Answer answer;
    };
    std::function<RigLink&()> findLink;
    bool found = false;
    QPointer<RigLink> rig;
    QList<Waiting> waiting;
    QTimer timeout;
    QByteArray endCommand;
    int endSlot = -1;
};

} // namespace zelq
