#pragma once
// Morse as units of key-down ("1") and key-up ("0"): a dot is one unit, a
// dash three, one unit between the elements of a sign and three after it.
// Pure functions; the keying thread walks the strings they return.

#include <QChar>
#include <QString>

namespace zelq {

// Speeds the keyer sends at; a setting outside them keys at the nearer one.
inline constexpr double MinWpm = 5;
inline constexpr double MaxWpm = 99;

// The element string of one character ("1000" for E); empty for a character
// with no sign (it is skipped without delay). Letters of either case.
QString elementsOf(QChar c);

// What one character keys: its elements, and for a blank the word-space
// adjustment `wordSpace` (n > 0 adds n units of key-up, n < 0 keeps only the
// first 8 + n units, -8 and below none).
QString keyedElements(QChar c, int wordSpace);

// One unit at `wpm` words per minute (50 units a word), in milliseconds,
// with the speed held to MinWpm..MaxWpm.
double unitMs(double wpm);

// The speed text of the settings as a number (0 when it is none).
double speedOf(const QString& text);

// The elements of a whole text, as keyed one character after another.
QString elementsOfText(const QString& text, int wordSpace);

} // namespace zelq
