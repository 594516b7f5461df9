#pragma once
// "CW Strings" (frmCWStrings): the messages beside their keys; a click
// sends one. Keys pressed here go through the log window's keyboard, so
// the function keys work while this window has the focus.

#include <QWidget>
#include <array>

class QLabel;

namespace zelq {

class CwControl;
class KeyDispatch;

class CwStringsWindow : public QWidget {
    Q_OBJECT
public:
    CwStringsWindow(CwControl& control, KeyDispatch& keys, QWidget* parent = nullptr);

    // The labels from the current messages (done at every activation).
    void refresh();
    // A click on row i (0..11: F1..F12).
    void clickRow(int i);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    CwControl& control;
    KeyDispatch& keys;
    std::array<QLabel*, 12> keyLabels {};
    std::array<QLabel*, 12> texts {};
};

} // namespace zelq
