#include "log/KeyDispatch.h"

#include <QtCore/qnamespace.h>

namespace zelq {

void KeyDispatch::setCtrlShortcut(int key, std::function<void()> action)
{
    ctrlShortcuts[key] = std::move(action);
}

void KeyDispatch::addKeyDownStep(Step step)
{
    keyDownSteps.push_back(std::move(step));
}

void KeyDispatch::addCharacterStep(Step step)
{
    characterSteps.push_back(std::move(step));
}

KeyDispatch::Outcome KeyDispatch::dispatch(const KeyStroke& k)
{
    // The flag belongs to this key alone: a key that types nothing must not
    // leave it set for the next one.
    suppress = false;
    if (k.ctrl) {
        suppress = true;
        if (k.key >= Qt::Key_A && k.key <= Qt::Key_Z) {
            const auto it = ctrlShortcuts.find(k.key);
            if (it != ctrlShortcuts.end() && it->second)
                it->second();
            return Outcome::Consumed;
        }
    }
    for (const Step& step : keyDownSteps)
        if (step(k))
            return Outcome::Consumed;

    if (k.ch.isNull())
        return Outcome::NotCharacter;
    if (suppress)
        return Outcome::Consumed;
    if (k.ch == QLatin1Char('\'') || k.ch == QLatin1Char('"'))
        return Outcome::Consumed;

    if (k.ch == KeyStroke::Escape) {
        if (endHold)
            endHold();
        for (const Step& step : characterSteps)
            if (step(k))
                return Outcome::Consumed;
        if (escape)
            escape();
        return Outcome::Consumed;
    }
    for (const Step& step : characterSteps)
        if (step(k))
            return Outcome::Consumed;
    // What is typed during the hold is the rest of the refused contact.
    if (holding && holding())
        return Outcome::Consumed;
    return Outcome::ToControl;
}

} // namespace zelq
