#include "ui/EditContactWindow.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "log/ContactCache.h"
#include "log/LogSession.h"
#include "log/TypedDateTime.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zelq {

namespace {

struct FieldPlace {
    EditField field;
    const char* name;
    const char* heading;
    const char* headingName;
    int chars; // width in characters
};

// Two lines: who was worked, then when, on which band, and what was sent.
constexpr FieldPlace firstLine[] = {
    {EditField::Call, "txtEditCall", "Callsign", "callHeading", 10},
    {EditField::Name, "txtEditCk", "Name", "nameHeading", 10},
    {EditField::Spc, "txtEditPre", "S/P/C", "spcHeading", 12},
    {EditField::Continent, "txtEditSec", "Cont", "contHeading", 3},
};
constexpr FieldPlace secondLine[] = {
    {EditField::Date, "txtEditDate", "Date", "dateHeading", 10},
    {EditField::Time, "txtEditTime", "Time", "timeHeading", 8},
    {EditField::Band, "Text1", "Band", "bandHeading", 4},
    {EditField::NameSent, "Text2", "Name Snt", "nameSentHeading", 10},
    {EditField::Transmitter, "Text3", "Transmitter #", "transmitterHeading", 3},
};

QLabel* indicator(const char* name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    // Showing an indicator must not move the fields around.
    QSizePolicy p = l->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    l->setSizePolicy(p);
    l->hide();
    return l;
}

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A focus change inside the window, not the window losing activation to a
// message box or a menu.
bool leavesForAnotherControl(const QFocusEvent* focus)
{
    return focus->reason() != Qt::ActiveWindowFocusReason && focus->reason() != Qt::PopupFocusReason;
}

} // namespace

EditContactWindow::EditContactWindow(LogSession& session, const PrefixTable& prefixes,
                                     OperatorDialogs& dialogs, Beeper& beeper, int row,
                                     QWidget* parent)
    : QDialog(parent), session(session), prefixes(prefixes), dialogs(dialogs), beeper(beeper),
      selected(ContactSelection::fromCache(session.cache(), row))
{
    setObjectName(QStringLiteral("frmEditCon"));
    setWindowTitle(QStringLiteral("Edit Contact Entry"));
    buildWindow();
    if (selected.isValid())
        fill(session.cache().row(selected.row));
    field(EditField::Call)->setFocus();
}

void EditContactWindow::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    // Widgets are made in tab order: the focus chain follows creation.
    const auto addLine = [&](const auto& fieldRow, int gridRow) {
        int col = 0;
        for (const FieldPlace& s : fieldRow) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QLatin1String(s.name));
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * s.chars);
            edit->installEventFilter(this);
            auto* heading = new QLabel(QString::fromLatin1(s.heading), this);
            heading->setObjectName(QLatin1String(s.headingName));
            heading->setBuddy(edit);
            grid->addWidget(heading, gridRow, col);
            grid->addWidget(edit, gridRow + 1, col);
            edits[int(s.field)] = edit;
            ++col;
        }
    };
    addLine(firstLine, 0);
    label1 = indicator("Label1", QStringLiteral("  Dupe!"), this);
    label2 = indicator("Label2", QStringLiteral("   Invalid!"), this);
    grid->addWidget(label1, 2, 0); // under the call
    grid->addWidget(label2, 2, 2); // under the S/P/C
    addLine(secondLine, 3);
    label6 = indicator("Label6", QStringLiteral("   Invalid!"), this);
    grid->addWidget(label6, 5, 2); // under the band

    auto* buttons = new QHBoxLayout;
    cmdDone = new QPushButton(QStringLiteral("Done"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    cmdDeleteDupe = new QPushButton(QStringLiteral("Delete Dupe"), this);
    cmdDeleteDupe->setObjectName(QStringLiteral("cmdDeleteDupe"));
    cmdDeleteDupe->hide();
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addStretch(1);
    for (QPushButton* b : {cmdDone, cmdDeleteDupe, cmdClose}) {
        // Enter acts only through the fields' own rule, never a default button.
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    connect(cmdDone, &QPushButton::clicked, this, &EditContactWindow::onDone);
    connect(cmdDeleteDupe, &QPushButton::clicked, this, &EditContactWindow::onDeleteDupe);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit* EditContactWindow::field(EditField f) const
{
    return edits[int(f)];
}

std::optional<EditField> EditContactWindow::fieldOf(const QObject* o) const
{
    for (int i = 0; i < ColumnCount; ++i)
        if (edits[i] == o)
            return EditField(i);
    return std::nullopt;
}

void EditContactWindow::fill(const Contact& c)
{
    // EditField follows the table's column order.
    for (int i = 0; i < ColumnCount; ++i)
        edits[i]->setText(c.at(i));
}

Contact EditContactWindow::fields() const
{
    Contact c;
    for (int i = 0; i < ColumnCount; ++i)
        c.at(i) = edits[i]->text();
    return c;
}

bool EditContactWindow::eventFilter(QObject* watched, QEvent* event)
{
    const auto f = fieldOf(watched);
    if (!f)
        return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::FocusOut) {
        if (!restoringFocus && leavesForAnotherControl(static_cast<QFocusEvent*>(event))
            && (*f == EditField::Band || *f == EditField::Date || *f == EditField::Time)) {
            // Checked after the focus change has finished: a message box
            // in the middle of it would leave the focus in disorder.
            leftField = *f;
            QTimer::singleShot(0, this, &EditContactWindow::checkLeftField);
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;

    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false; // shortcuts and editing keys work as usual
    QChar ch;
    if (isEnter(key))
        ch = QLatin1Char('\r');
    else if (key->key() == Qt::Key_Backspace)
        return false;
    else if (key->text().size() == 1 && key->text().front().isPrint())
        ch = key->text().front();
    else
        return false; // arrows, Tab, Delete: the field's own
    return typeKey(field(*f), *f, ch);
}

// Applies the field's rules to one typed character; true when the field
// must not take the key as it came.
bool EditContactWindow::typeKey(QLineEdit* edit, EditField f, QChar typed)
{
    const EditKeyResult k = editFieldKey(f, typed);
    switch (k.action) {
    case EditKeyResult::Action::Refuse:
        return true;
    case EditKeyResult::Action::Done:
        onDone();
        return true;
    case EditKeyResult::Action::Type:
        break;
    }
    if (f != EditField::Spc) {
        edit->insert(QString(k.ch));
        return true;
    }

    const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const EditSpcKeyResult s = editSpcKey(prefixes, edit->text(), caret, k.ch);
    if (s.consumed) {
        edit->setText(s.text);
        // Selected backwards, so the caret stands where typing continues.
        edit->setSelection(s.selStart + s.selLength, -s.selLength);
        return true;
    }
    if (s.text != edit->text()) {
        edit->setText(s.text);
        edit->setCursorPosition(s.caret);
    }
    edit->insert(QString(s.ch));
    return true;
}

void EditContactWindow::checkLeftField()
{
    const auto f = leftField;
    leftField.reset();
    if (f && isVisible())
        leaveField(*f);
}

void EditContactWindow::leaveField(EditField f)
{
    const QString text = field(f)->text();
    switch (f) {
    case EditField::Band:
        if (isEditBand(text)) {
            label6->hide();
        } else {
            beeper.beep();
            label6->show();
            returnFocus(f);
        }
        break;
    case EditField::Date:
        if (!parseTypedDate(text)) {
            beeper.beep();
            dialogs.message(InvalidDateTitle, InvalidDateText);
            returnFocus(f);
        }
        break;
    case EditField::Time:
        if (!parseTypedTime(text)) {
            beeper.beep();
            dialogs.message(InvalidTimeTitle, InvalidTimeText);
            returnFocus(f);
        }
        break;
    default:
        break;
    }
}

void EditContactWindow::returnFocus(EditField f)
{
    restoringFocus = true;
    field(f)->setFocus(Qt::OtherFocusReason);
    restoringFocus = false;
}

void EditContactWindow::onDone()
{
    leftField.reset(); // everything is checked here
    if (!selected.isValid())
        return;

    const EditDoneResult r = checkEditDone(session.cache(), selected.row, fields());
    field(EditField::Spc)->setText(r.contact.spc);
    if (r.stop == EditDoneResult::Stop::None) {
        field(EditField::Date)->setText(r.contact.flddate);
        field(EditField::Time)->setText(r.contact.fldtime);
    }

    if (r.stop == EditDoneResult::Stop::InvalidTime) {
        beeper.beep();
        dialogs.message(InvalidTimeTitle, InvalidTimeText);
        returnFocus(EditField::Time);
        return;
    }
    if (r.stop == EditDoneResult::Stop::InvalidDate) {
        beeper.beep();
        dialogs.message(InvalidDateTitle, InvalidDateText);
        returnFocus(EditField::Date);
        return;
    }

    for (int i = 0; i < r.duplicates; ++i)
        beeper.beep();
    label1->setVisible(r.duplicates > 0);
    cmdDeleteDupe->setVisible(r.duplicates > 0);

    label2->setVisible(r.sectionInvalid);
    if (r.sectionInvalid)
        beeper.beep();

    label6->setVisible(r.bandInvalid);
    if (r.bandInvalid) {
        beeper.beep();
        returnFocus(EditField::Band);
    }

    if (!r.canWrite())
        return;
    // A failed write is reported there; the window stays open so the
    // operator can try again or close it.
    if (updateSelectedContact(session, dialogs, selected, r.contact))
        accept();
}

void EditContactWindow::onDeleteDupe()
{
    leftField.reset();
    emit deleteDupeRequested();
    done(DeleteDupeResult);
}

void EditContactWindow::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event)) {
        // A focused button is pressed by Enter; elsewhere Enter does nothing.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event); // Escape closes without writing
}

} // namespace zelq
