#pragma once
// The edit window of one contact: its nine columns as the cache holds them,
// the key rules of each field, the checks on leaving the band, date and
// time, and "Done", which shows duplicates and an invalid section and
// writes the contact back only when there are none. "Delete Dupe" closes
// the window and asks the owner to delete the contact being edited.
//
// Opened by ContactEditCommands with open(); it never reads the database.

#include "log/ContactEdit.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelq {

class Beeper;
class LogSession;
class OperatorDialogs;
class PrefixTable;

class EditContactWindow : public QDialog {
    Q_OBJECT
public:
    // The result of the window when it was closed by "Delete Dupe".
    static constexpr int DeleteDupeResult = 2;

    // `row`: the ContactCache row of the selected contact. A row that does
    // not exist leaves the fields empty and "Done" without effect.
    EditContactWindow(LogSession& session, const PrefixTable& prefixes, OperatorDialogs& dialogs,
                      Beeper& beeper, int row, QWidget* parent = nullptr);

    // The contact being edited, as selected when the window opened.
    const ContactSelection& selection() const { return selected; }

signals:
    // "Delete Dupe" was pressed; the window closes with DeleteDupeResult.
    void deleteDupeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void fill(const Contact& c);
    Contact fields() const;
    QLineEdit* field(EditField f) const;
    std::optional<EditField> fieldOf(const QObject* o) const;
    bool typeKey(QLineEdit* edit, EditField f, QChar typed);
    void checkLeftField();
    void leaveField(EditField f);
    void returnFocus(EditField f);
    void onDone();
    void onDeleteDupe();

    LogSession& session;
    const PrefixTable& prefixes;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    ContactSelection selected;

    QLineEdit* edits[9] = {}; // in EditField order
    QLabel* label1 = nullptr; // duplicate
    QLabel* label2 = nullptr; // S/P/C invalid
    QLabel* label6 = nullptr; // band invalid
    QPushButton* cmdDone = nullptr;
    QPushButton* cmdDeleteDupe = nullptr;
    QPushButton* cmdClose = nullptr;

    // A field the operator left, checked once the focus has settled; "Done"
    // checks everything itself and drops it.
    std::optional<EditField> leftField;
    // Set while the window moves the focus back itself: the field losing
    // the focus then is not checked (two invalid fields would otherwise send
    // the focus back and forth for ever).
    bool restoringFocus = false;
};

} // namespace zelq
