#pragma once
// The log window's keyboard, in one place: every key pressed anywhere in
// the window passes here before the focused control sees it, in this order:
//
//  1. Ctrl+letter: the window's shortcut, if any; the letter is never typed.
//  2. Key-down steps, in the order added (stop a repeating message, the
//     function keys and arrows of the keyer modes, ...).
//  3. The key's character, if it has one: dropped when a step asked for
//     that (or Ctrl was held); quotes never get through; Esc runs the
//     character steps and, if none used it, clears the entry; other
//     characters run the character steps (keyboard CW or RTTY), then, while
//     the hold after a duplicate lasts, are dropped.
//  4. What is left goes to the focused control: an entry field applies its
//     own rules (ContactEntry), any other control its usual ones.
//
// It knows no widgets, so tests and the window drive the same table.

#include <QChar>
#include <QString>
#include <functional>
#include <map>
#include <vector>

namespace zelq {

struct KeyStroke {
    int key = 0;           // Qt::Key
    bool ctrl = false;     // Ctrl alone among the modifiers (keypad aside)
    bool shift = false;
    bool alt = false;
    // What the key types: its text, '\r' for Enter, '\b' for Backspace,
    // '\x1b' for Esc, '\t' for Tab; null for keys that type nothing.
    QChar ch;

    static constexpr QChar Enter{u'\r'};
    static constexpr QChar Backspace{u'\b'};
    static constexpr QChar Escape{u'\x1b'};
    static constexpr QChar Tab{u'\t'};
};

class KeyDispatch {
public:
    enum class Outcome {
        Consumed,     // used up here: the control never sees the key
        ToControl,    // the character goes to the focused control's rules
        NotCharacter, // a key that types nothing (arrows, Home): the control's own
    };

    // A step returns true when it used the key up.
    using Step = std::function<bool(const KeyStroke&)>;

    // Ctrl+letter (Qt::Key_A … Qt::Key_Z) opens a window or runs a command.
    void setCtrlShortcut(int key, std::function<void()> action);
    void addKeyDownStep(Step step);
    void addCharacterStep(Step step);

    // For a key-down step: the character of the key being handled is not
    // typed (keyboard RTTY sends it elsewhere).
    void suppressCharacter() { suppress = true; }

    // Esc that no character step used: clear the entry.
    std::function<void()> escape;
    // The hold after a duplicate: whether it lasts, and ending it.
    std::function<bool()> holding;
    std::function<void()> endHold;

    Outcome dispatch(const KeyStroke& k);

private:
    std::map<int, std::function<void()>> ctrlShortcuts;
    std::vector<Step> keyDownSteps;
    std::vector<Step> characterSteps;
    bool suppress = false;
};

} // namespace zelq
