#pragma once
// When a radio's own keyer sends what it was handed. The radio says
// nothing about its progress, so the keyer estimates it from the Morse
// timing at the set speed. Text goes to the radio a word at a time:
// rigctld keeps the blank that separates "b" from its text, so each word
// reaches the radio with one blank before it, and that blank is the word
// space. The radio spaces words by standard Morse (7 units: the 3 every
// sign ends with, then 4 for the blank). Pure functions.

#include <QList>
#include <QString>

namespace zelq {

inline constexpr int RadioWordSpaceUnits = 4;

// Units one character takes on the radio: its sign with the gap after
// it; a blank 4; a character with no sign 0.
int radioUnits(QChar c);

// The next piece of text to hand over: the blanks that lead up to a word,
// then the word. An empty word: only blanks were left.
struct RadioPiece {
    QString blanks;
    QString word;
    qsizetype length() const { return blanks.size() + word.size(); }
    QString text() const { return blanks + word; }
};
RadioPiece nextRadioPiece(const QString& text);

// When each character of a piece the radio starts at `startMs` has been
// sent, in the order of piece.text(): the blanks end with the blank the
// daemon sends before the word, the word's signs one after another.
QList<double> radioCharacterEnds(const RadioPiece& piece, double startMs, double wpm);

// The text as the radio takes it: upper case, and line ends and other
// control characters as blanks (a line end would end the command).
QString radioText(const QString& text);

} // namespace zelq
