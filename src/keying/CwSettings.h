#pragma once
// The keyer's settings and messages as "cw.txt" in the installation folder
// keeps them (18 values, one a line: text quoted, the keying method and the
// display flag bare), and the two per-user values kept in the user's
// settings: the timing method and the loop calibration.

#include <QString>
#include <array>

namespace zelq {

// Rig: the radio's own keyer, through rigctld.
enum class KeyingMethod { None = 0, Rts = 1, Dtr = 2, Printer = 3, Rig = 4, WinKey = 5 };

// How the keying thread waits out a unit.
enum class CwTiming { Timer, Sleep, Loop };

struct CwSettings {
    // F1..F9, F10, F11
    std::array<QString, 11> messages;
    QString port = QStringLiteral("0");
    QString speed = QStringLiteral("13");
    QString wordSpace = QStringLiteral("0");
    KeyingMethod method = KeyingMethod::None;
    QString address = QStringLiteral("&H378");
    bool display = false;
    QString repeatSeconds = QStringLiteral("0");

    static QString fileName() { return QStringLiteral("cw.txt"); }

    // Reads the file; values past a missing file's or a short file's end
    // keep their defaults. An empty F9 line reads as "VVV DE ".
    static CwSettings load(const QString& installFolder);
    // Rewrites the file whole; false with the reason.
    bool save(const QString& installFolder, QString* errorText = nullptr) const;

    int portNumber() const;
    int wordSpaceUnits() const;
    // The F1 pause in milliseconds; 0 when it never repeats.
    int repeatMs() const;
};

// The keying method of a stored number; unknown numbers are None.
KeyingMethod keyingMethodOf(int value);

// The per-user timing choice ("Timer", "Sleep", "Loop") and calibration.
struct CwUserTiming {
    CwTiming timing = CwTiming::Timer;
    double loopCount = 0;

    static CwUserTiming load();
    void save() const;
};

QString timingName(CwTiming t);

} // namespace zelq
