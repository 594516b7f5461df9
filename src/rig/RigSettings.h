#pragma once
// The rig window's stored settings, "RigCntrl.txt": fourteen items in a
// fixed order (quoted texts, bare numbers, the baud padded to five
// characters), then our own additions: the rigctld host and port and the
// folder of the Pegasus exchange files.

#include <QString>

namespace zelq {

struct RigSettings {
    QString baud = QStringLiteral("56000"); // without its padding
    QString parity = QStringLiteral("N");
    QString dataBits = QStringLiteral("8");
    QString stopBits = QStringLiteral("1");
    QString modePoll;
    QString frequencyPoll;
    QString portSettings;   // "4800,N,8,2", made by Test
    int port = 1;           // 1..10
    QString power = QStringLiteral("N"); // N, R (RTS) or D (DTR)
    QString pollRate = QStringLiteral("M"); // F, M, S, R
    QString rigType = QStringLiteral("None");
    int convertToHex = 0;
    int useFrequency = 1;
    int modeSource = 1;     // 1 rig, 2 frequency, 3 don't use
    QString hamlibHost = QStringLiteral("127.0.0.1");
    int hamlibPort = 4532;
    QString pegasusFolder;  // empty: ~/Pegasus

    enum ModeSource { ModeFromRig = 1, ModeFromFrequency = 2, ModeNotUsed = 3 };

    static QString fileName() { return QStringLiteral("RigCntrl.txt"); }

    // baud,parity,data,stop from the four items.
    QString builtPortSettings() const;
    // The timer interval of the poll rate; nullopt-like 0 for an unknown rate.
    int pollIntervalMs() const;
    QString pegasusFile() const;
};

// Reads `path` over `s`: items are taken in order and reading stops at the
// first one missing or unreadable, so the rest keep the values `s` had.
// Returns how many items were read.
int readRigSettings(const QString& path, RigSettings& s);

// The whole file; false and a reason when it cannot be written.
bool saveRigSettings(const QString& path, const RigSettings& s, QString* error = nullptr);
// The text written (CR LF lines).
QString rigSettingsText(const RigSettings& s);

} // namespace zelq
