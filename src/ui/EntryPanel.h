#pragma once
// The entry part of the log window: call, name and S/P/C (and the
// post-contest date and time), what the call resolved to, the status and
// partial-duplicate lines and the entry buttons. It shows what ContactEntry
// decides and routes every key to it.

#include "log/EntryView.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

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
    bool isEntryField(const QWidget* w) const;
    EntryField fieldOf(const QLineEdit* edit) const;
    void setPostContestMode(bool on);
    QPushButton* clearButton() const { return cmdClear; }

    // A character for `edit` that the window let through: the field's own
    // rules. True when the key is used up; false leaves it to the field
    // (Backspace).
    bool typeCharacter(QLineEdit* edit, QChar ch);
    // Moves the focus back from `f`, as Shift+Tab does.
    void focusPrevious(EntryField f);

    // "Waiting for the log…" on the status line, painted at once (the
    // window is waiting and paints nothing else), then what was there.
    void showWaitingForLog(bool waiting);

    // Someone spotted the station: both lines on white.
    void showSpotAlert(const QString& status, const QString& partial);
    // An entry field got the focus (the spoken prompts listen).
    std::function<void(EntryField)> onFieldFocus;

    // A call from outside (a spot) by the rules pasted text obeys.
    static QString cleanPastedCall(const QString& text);

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
    StatusColour statusColour() const { return waiting ? colourBeforeWait : colour; }
    void setPartialLine(const QString& text) override;
    void showLoggedOn(bool loggedOn) override;
    void showPartialDisplay(bool on) override;
    bool postContestMode() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
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
    StatusColour colour = StatusColour::Normal;
    QString statusBeforeWait;
    StatusColour colourBeforeWait = StatusColour::Normal;
    bool waiting = false;
};

} // namespace zelq
