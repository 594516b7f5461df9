#pragma once
// What one send tick writes to the radio, by family.

#include <QByteArray>
#include <QString>
#include <optional>

namespace zelq {

struct PollRequest {
    QString type;
    QString frequencyPoll;
    QString modePoll;
    bool convertToHex = false; // "Other": the strings are hex pairs
};

// The bytes of this send tick (possibly none). `queryToggle` alternates
// for the radios asked for frequency and mode in turn; it is 1 after the
// frequency query. nullopt when a poll string holds a pair that is not
// hexadecimal: nothing is sent and the toggle stays.
std::optional<QByteArray> pollBytes(const PollRequest& request, int& queryToggle);

} // namespace zelq
