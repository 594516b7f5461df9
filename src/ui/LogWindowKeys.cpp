#include "ui/LogWindowKeys.h"

#include "ui/EntryPanel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace zelq {

LogWindowKeys::LogWindowKeys(QWidget* w, EntryPanel& p) : QObject(w), window(w), panel(p)
{
    qApp->installEventFilter(this);
}

LogWindowKeys::~LogWindowKeys()
{
    qApp->removeEventFilter(this);
}

KeyStroke LogWindowKeys::strokeOf(const QKeyEvent* event)
{
    KeyStroke k;
    k.key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    k.ctrl = mods == Qt::ControlModifier;
    k.shift = mods.testFlag(Qt::ShiftModifier);
    k.alt = mods.testFlag(Qt::AltModifier);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: k.ch = KeyStroke::Enter; break;
    case Qt::Key_Backspace: k.ch = KeyStroke::Backspace; break;
    case Qt::Key_Escape: k.ch = KeyStroke::Escape; break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: k.ch = KeyStroke::Tab; break;
    default:
        if (event->text().size() == 1 && event->text().at(0).isPrint())
            k.ch = event->text().at(0);
        break;
    }
    return k;
}

bool LogWindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != window)
        return false;
    // A key passed on to the parents comes by again: only its first
    // receiver counts.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? target != focus : target != window)
        return false;

    auto* key = static_cast<QKeyEvent*>(event);
    const KeyStroke k = strokeOf(key);
    switch (table.dispatch(k)) {
    case KeyDispatch::Outcome::Consumed:
        return true;
    case KeyDispatch::Outcome::NotCharacter:
        return false;
    case KeyDispatch::Outcome::ToControl:
        break;
    }
    auto* edit = qobject_cast<QLineEdit*>(target);
    if (!edit || !panel.isEntryField(edit)) {
        // Tab never leads out of the entry fields into the list and back.
        if (k.ch == KeyStroke::Tab) {
            panel.focus(EntryField::Call);
            return true;
        }
        return false;
    }
    if (k.ch == KeyStroke::Tab) {
        if (key->key() == Qt::Key_Backtab || k.shift)
            panel.focusPrevious(panel.fieldOf(edit));
        else
            panel.focusNext(panel.fieldOf(edit));
        return true;
    }
    return panel.typeCharacter(edit, k.ch);
}

} // namespace zelq
