#pragma once
// The entry part of the log window: call, name and S/P/C (and the
// post-contest date and time), what the call resolved to, the status and
// partial-duplicate lines and the entry buttons. It shows what ContactEntry
// decides and routes every key to it.

#include "log/EntryView.h"

#include <QWidget>
#include <deque>
#include <functional>
#include <memory>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zelq {

class ContactEntry;

class EntryPanel : public QWidget, public EntryView {
    Q_OBJECT
public:
    explicit EntryPanel(QWidget* parent = nullptr);
    ~EntryPanel() override;

    // Connects the panel to the entry logic (made after the panel, since
    // the logic needs the panel as its view).
    void attach(ContactEntry* entry);

    QLineEdit* field(EntryField f) const;
    void setPostContestMode(bool on);
    // Ctrl+letter: the window's shortcut, if any; never typed into a field.
    std::function<bool(int key)> ctrlShortcut;

    // EntryView
    QString text(EntryField f) const override;
    void setText(EntryField f, const QString& text) override;
    void select(EntryField f, int start, int length) override;
    void focus(EntryField f) override;
    void focusNext(EntryField f) override;
    QString continent() const override;
    void setContinent(const QString& t) override;
    void setBearing(const QString& t) override;
    void setMiles(const QString& t) override;
    bool newIndicatorVisible() const override;
    void setNewIndicator(bool visible) override;
    void setStatus(const QString& text, StatusColour colour) override;
    QString status() const override;
    void setPartialLine(const QString& text) override;
    void showLoggedOn(bool loggedOn) override;
    void showPartialDisplay(bool on) override;
    bool postContestMode() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool handleKey(QLineEdit* edit, QKeyEvent* key);
    void replayHeldKeys();
    void sanitisePasted(QLineEdit* edit, const QString& text);

    ContactEntry* entry = nullptr;
    QLineEdit* txtCall = nullptr;
    QLineEdit* txtRSTR = nullptr;
    QLineEdit* txtCntry = nullptr;
    QLineEdit* txtPostConDate = nullptr;
    QLineEdit* txtPostConTime = nullptr;
    QLabel* postDateHeading = nullptr;
    QLabel* postTimeHeading = nullptr;
    QLabel* label19 = nullptr;
    QLabel* label22 = nullptr;
    QLabel* label23 = nullptr;
    QLabel* label3 = nullptr;
    QLabel* lblDialog = nullptr;
    QLabel* lblDupe = nullptr;
    QPushButton* cmdLogOn = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdDup = nullptr;

    // Keys typed during the hold after a duplicate, replayed in order.
    QTimer* holdTimer = nullptr;
    std::deque<std::unique_ptr<QKeyEvent>> heldKeys;
    bool replaying = false;
};

} // namespace zelq
