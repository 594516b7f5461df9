#pragma once
// What goes to a radio's own keyer through rigctld, and when the radio is
// through with it. The radio says nothing about its progress, so the keyer
// estimates it from the Morse timing at the set speed, with standard word
// spacing (7 units: the 3 every sign ends with, then 4 for the blank).
//
// rigctld hands the radio everything after the command letter that ends
// the line, the separating blank included: "b CQ" keys " CQ", "bCQ" keys
// "CQ". Where the daemon wants the VFO named ("b currVFO CQ") that blank
// cannot be left out, so there text goes a word at a time and the blank
// is the word space. Pure functions.

#include <QByteArray>
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

// How many blanks the radio keys before the piece's word: with the VFO
// named, the daemon's one; else the piece's own, and one owed by blanks
// that ended the text before (they were not sent alone).
int radioLeadingBlanks(const RadioPiece& piece, bool namesVfo, bool blankOwed);

// The send_morse command for a piece (not for blanks alone).
QByteArray radioCommand(const RadioPiece& piece, bool namesVfo, bool blankOwed);

// When each character of piece.text() is through, the radio starting at
// `startMs` and keying `leadingBlanks` blanks before the word: the text's
// blanks are through with those, the word's signs one after another.
QList<double> radioCharacterEnds(const RadioPiece& piece, int leadingBlanks, double startMs, double wpm);

// The text as the radio takes it: upper case, and line ends and other
// control characters as blanks (a line end would end the command).
QString radioText(const QString& text);

} // namespace zelq
