#pragma once
// The voice keyer's settings as "wave2.txt" in the installation folder
// keeps them: the nine message files, the PTT port, the PTT line, the F1
// pause and the parallel port address, one value a line (the line choice
// bare, the rest quoted), then the sound output as an extra line.

#include <QString>
#include <array>

namespace zelq {

// Rig: the radio's PTT through rigctld ("T 1" / "T 0"), no port.
enum class PttLine { Rts = 0, Dtr = 1, Parallel = 2, Rig = 3 };

struct PhoneSettings {
    std::array<QString, 9> files; // F1..F9
    QString port = QStringLiteral("0");
    PttLine line = PttLine::Rts;
    QString repeatSeconds = QStringLiteral("0");
    QString address = QStringLiteral("&H378");
    QString outputDevice; // empty: the system's default output

    static QString fileName() { return QStringLiteral("wave2.txt"); }

    // Values past a missing or short file's end keep their defaults.
    static PhoneSettings load(const QString& installFolder);
    bool save(const QString& installFolder, QString* errorText = nullptr) const;

    int portNumber() const;
    // The F1 pause in milliseconds; 0 when F1 does not repeat.
    int repeatMs() const;
};

} // namespace zelq
