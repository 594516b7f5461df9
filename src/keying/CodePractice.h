#pragma once
// Code practice: random groups, pasted or typed text sent as Morse through
// the CW keyer, whichever way it keys (the line keyer's thread, a WinKeyer,
// the radio's keyer), with an echo of what has been sent.
//
// The practice text is handed to the keyer a character at a time as the
// keyer reports each one sent, one character waiting ahead so the spacing
// between characters stays the keyer's own. Each character is read from
// the text field when it is handed over, so edits made while sending take
// effect, and Stop ends after the character being keyed. The window is
// driven through CodePracticeView, so tests run without widgets.

#include <QObject>
#include <QString>
#include <deque>
#include <functional>

namespace zelq {

class CwControl;

// The signs practice draws from: the letters, the figures, then . , ? / -
inline const QString PracticeCharacters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,?/-");
inline constexpr int PracticeLetterCount = 26;
// Bounds on a generated text, so a slip of the finger cannot freeze the window.
inline constexpr int MaxPracticeGroups = 9999;
inline constexpr int MaxPracticeGroupLength = 99;

struct PracticeGroups {
    QString groups;   // the groups field as it should read afterwards
    QString perGroup; // the characters-per-group field, likewise
    QString text;     // the groups, each followed by a blank
};

// Random groups. A field that is not a number is reset ("10" groups, "5"
// characters each); `uniform` returns numbers in [0, 1).
PracticeGroups generatePractice(const QString& groups, const QString& perGroup, bool lettersOnly,
                                const std::function<double()>& uniform);

class CodePracticeView {
public:
    virtual ~CodePracticeView() = default;
    virtual QString practiceText() const = 0; // " Text to Send"
    virtual void setPracticeText(const QString& text) = 0;
    virtual void setPracticeCaret(int position) = 0;
    virtual void focusPracticeText() = 0;
    virtual void appendSent(const QString& text) = 0; // " Text Sent", its caret to the end
    virtual void chopSent() = 0;                      // its last character taken off
    virtual QString groupsText() const = 0;
    virtual void setGroupsText(const QString& text) = 0;
    virtual QString perGroupText() const = 0;
    virtual void setPerGroupText(const QString& text) = 0;
    virtual bool lettersOnly() const = 0;
    virtual QString clipboardText() const = 0;
    virtual void showSpeed(const QString& wpm) = 0;
};

class CodePractice : public QObject {
    Q_OBJECT
public:
    CodePractice(CwControl& control, CodePracticeView& view, QObject* parent = nullptr);

    // The random source of Generate; by default the system's, seeded at start.
    std::function<double()> uniform;

    void Command2_Click(); // Generate Random Characters
    void Command1_Click(); // Paste from Clipboard
    void Command3_Click(); // Send
    void Command4_Click(); // Stop
    void Command7_Click(); // Faster
    void Command8_Click(); // Slower

    // A character typed in the keyboard field: sent after what is queued
    // and echoed at once; Backspace (\b) takes back the last typed
    // character not yet sent.
    void keyboardCharacter(QChar c);

    // The window asks to close: what is queued is dropped; false while the
    // character being keyed has not ended yet.
    bool closeRequested();

    // From Send until the practice text has been sent or Stop.
    bool practising() const { return running; }
    bool CWSending() const;

private:
    // A character handed to the keyer and not yet reported sent.
    struct Handed {
        QChar c;
        bool practice; // from the practice text, and it still counts for feeding
        bool echo;     // echoed when sent (typed characters are echoed at once)
        int index;     // its place in the practice text, for the caret
    };

    void feed();
    void characterSent(QChar c);
    void sendingEnded();
    void dropQueued();
    // Echoes what was sent; the caret of the text to send goes after `index`.
    void echo(const QString& sent, int index);
    bool lineFailed() const;

    CwControl& control;
    CodePracticeView& view;
    std::deque<Handed> handed;
    bool running = false;
    int next = 0; // the place in the practice text handed over next
};

} // namespace zelq
