#pragma once
// What arrives from a TNC on its serial line, turned into lines.
//
// The buffer holds bytes not yet split. A line is the text between two
// LFs, so the text before the first LF of a session is dropped (the TNC's
// half-shown prompt or the tail of a frame from before the port opened),
// and a line waits until the LF after it has arrived: a packet frame may
// end mid-line. TNCs end lines with CR, CR LF or LF; each counts as one
// line end. A TNC repeats frames (digipeated copies, a retry heard twice),
// so a line already shown among the pane's newest 800 characters is
// dropped: not shown and not spotted.
//
// Pure: text in, lines out.

#include <QString>
#include <QStringList>
#include <optional>

namespace zelq {

class TncInputBuffer {
public:
    // Adds received text; returns the lines now complete, without line ends.
    QStringList feed(const QString& text);
    const QString& pending() const { return buffer; }
    void clear() { buffer.clear(); lastWasCr = false; }

    // A buffer without a line end grows no further than this.
    static constexpr qsizetype MaxPending = 8192;

private:
    QString buffer;
    bool lastWasCr = false;
};

// Whether `line` stands among the last 800 characters of `pane` as a
// whole line (the pane ends its lines with LF).
bool shownRecently(const QString& pane, const QString& line);

// The character a hexadecimal command-mode text stands for ("03" is
// Ctrl-C); nullopt for a text that is not one or two hex digits.
std::optional<char> commandCharacter(const QString& hex);

} // namespace zelq
