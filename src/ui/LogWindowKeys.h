#pragma once
// Puts every key pressed anywhere in the log window through its
// KeyDispatch before the focused control sees it, and hands the characters
// that are left to the entry fields' own rules. Tab and Shift+Tab in the
// entry fields keep to their order (call, name, S/P/C, and the
// post-contest date and time when shown); they never lead into the list.

#include "log/KeyDispatch.h"

#include <QObject>

class QKeyEvent;
class QWidget;

namespace zelq {

class EntryPanel;

class LogWindowKeys : public QObject {
    Q_OBJECT
public:
    // Watches the whole application, but acts only on keys for `window`.
    LogWindowKeys(QWidget* window, EntryPanel& panel);
    ~LogWindowKeys() override;

    KeyDispatch& dispatch() { return table; }

    // The key as the dispatch table sees it.
    static KeyStroke strokeOf(const QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window;
    EntryPanel& panel;
    KeyDispatch table;
};

} // namespace zelq
