#include "rig/RigPollCommands.h"

#include "rig/HexText.h"
#include "rig/RigCatalogue.h"

namespace zelq {

using namespace RigTypes;

std::optional<QByteArray> pollBytes(const PollRequest& q, int& queryToggle)
{
    const QString& type = q.type;
    const QString& freq = q.frequencyPoll;
    const QString& mode = q.modePoll;
    QByteArray out;
    auto text = [&](const QString& s, const char* tail = "") {
        if (!s.isEmpty())
            out += s.toLatin1() + tail;
    };

    if (isKenwoodType(type) || type == Kenwood2) {
        text(freq);
        text(mode);
    } else if (isCivType(type) || type == FrontPanel) {
        // Six bytes of a CI-V poll, three of a front-panel query.
        const int bytes = isCivType(type) ? 6 : 3;
        const qsizetype needed = isCivType(type) ? 17 : 7;
        const QString& s = queryToggle == 1 ? mode : freq;
        if (s.size() >= needed) {
            std::optional<QByteArray> b = HexTextToBytes(s, bytes);
            if (!b)
                return std::nullopt;
            out = *b;
        }
        queryToggle = queryToggle == 1 ? 0 : 1;
    } else if (isYaesuBinaryType(type)) {
        if (freq.size() > 13) {
            std::optional<QByteArray> b = HexTextToBytes(freq, 5);
            if (!b)
                return std::nullopt;
            out = *b;
        }
    } else if (type == FTdx9000) {
        const QString& s = queryToggle == 1 ? mode : freq;
        if (s.size() >= 2)
            out = s.toLatin1();
        queryToggle = queryToggle == 1 ? 0 : 1;
    } else if (type == Orion) {
        text(freq, "\r");
        text(mode, "\r");
    } else if (type == Other) {
        if (q.convertToHex) {
            for (const QString& s : {freq, mode}) {
                if (s.isEmpty())
                    continue;
                std::optional<QByteArray> b = HexTextToBytes(s);
                if (!b)
                    return std::nullopt;
                out += *b;
            }
        } else {
            text(freq);
            text(mode);
        }
    }
    return out;
}

} // namespace zelq
