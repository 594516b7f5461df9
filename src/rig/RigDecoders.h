#pragma once
// What a radio's reply says, one decoder per family. Each takes the bytes
// of one read and the reading so far, and changes only the fields its
// pattern is found for: a garbled, partial or foreign reply leaves the
// reading as it was, and no decoder looks past the end of the reply.

#include <QByteArray>
#include <QString>

namespace zelq {

struct RigReading {
    float frequency = 0;  // MHz; 0 until a first decode
    QString mode;         // "PH", "CW", "AM", "FM" or empty
    int kenwoodVfo = 10;  // VFO digit of the last IF reply; 10: not known

    bool operator==(const RigReading&) const = default;
};

// Tag = the first two characters of the frequency poll string ("FA").
void ParseKenwoodFrequency(const QByteArray& input, const QString& frequencyPoll, RigReading& r);
void ParseKenwoodMode(const QByteArray& input, RigReading& r);
void ParseKenwoodIF(const QByteArray& input, RigReading& r);

// CI-V frames: the echo of our poll carries no data and changes nothing.
// The Icom 735 sends four frequency bytes instead of five.
void ParseIcomFrequency(const QByteArray& input, bool icom735, RigReading& r);
void ParseIcomMode(const QByteArray& input, RigReading& r);

// The 5-byte Yaesu families; `type` picks the variant.
void ParseYaesuStatus(const QByteArray& input, const QString& type, RigReading& r);
void ParseFTdx9000(const QByteArray& input, const QString& frequencyPoll, const QString& modePoll,
                   RigReading& r);

// Ten Tec front panel replies to ?A and ?M.
void ParseTenTecFrequency(const QByteArray& input, RigReading& r);
void ParseTenTecMode(const QByteArray& input, RigReading& r);
void ParseOrionFrequency(const QByteArray& input, RigReading& r);
void ParseOrionMode(const QByteArray& input, RigReading& r);

// The Pegasus control program's file: frequency in MHz, then the mode.
void ReadPegasusFile(const QString& path, RigReading& r);

// One read tick's decoding for `type`; `queryToggle` is 1 when the
// frequency query was the last one sent. "Other" decodes nothing.
struct PollStrings {
    QString frequency;
    QString mode;
    QString pegasusFile;
};
void decodeReply(const QString& type, const QByteArray& input, const PollStrings& polls,
                 int queryToggle, RigReading& r);

// Hertz to MHz rounded to five decimals, in single precision.
float hertzToMHz(double hertz);

} // namespace zelq
