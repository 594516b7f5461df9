#include "ui/EntryPanel.h"

#include "log/ContactEntry.h"
#include "ui/Labels.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zelq {

namespace {

QLineEdit* entryField(const char* name, QWidget* parent, int chars, double fontScale)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    QFont f = e->font();
    f.setPointSizeF(f.pointSizeF() * fontScale);
    f.setBold(true);
    e->setFont(f);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * chars);
    return e;
}

void paintBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

const QColor statusNormal(0, 192, 192);
const QColor statusDupe(255, 0, 0);
const QColor statusKeyboard(255, 255, 192);

} // namespace

EntryPanel::EntryPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("entryPanel"));
    setMouseTracking(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    txtCall = entryField("txtCall", box, 9, 1.6);
    txtRSTR = entryField("txtRSTR", box, 9, 1.6);
    txtCntry = entryField("txtCntry", box, 9, 1.6);
    txtCntry->setToolTip(QStringLiteral("State / Province / Country"));
    txtCntry->setAccessibleName(QStringLiteral("State, Province or Country"));
    txtPostConDate = entryField("txtPostConDate", box, 7, 1.2);
    txtPostConTime = entryField("txtPostConTime", box, 4, 1.2);
    postDateHeading = headingLabel(QStringLiteral("Date"), box);
    postTimeHeading = headingLabel(QStringLiteral("Time"), box);
    label19 = valueLabel("Label19", box, 3);
    label22 = valueLabel("Label22", box, 4);
    label23 = valueLabel("Label23", box, 5);
    label3 = new QLabel(QStringLiteral("New"), box);
    label3->setObjectName(QStringLiteral("Label3"));
    QFont newFont = label3->font();
    newFont.setPointSizeF(newFont.pointSizeF() * 1.3);
    newFont.setBold(true);
    label3->setFont(newFont);
    label3->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    label3->hide();

    int col = 0;
    const auto add = [&](QWidget* head, QWidget* field, int stretch) {
        grid->addWidget(head, 0, col);
        grid->addWidget(field, 1, col);
        // A screen reader names each field by its heading.
        auto* heading = qobject_cast<QLabel*>(head);
        if (heading && qobject_cast<QLineEdit*>(field)) {
            heading->setBuddy(field);
            if (field->accessibleName().isEmpty())
                field->setAccessibleName(heading->text());
        }
        grid->setColumnStretch(col, stretch);
        ++col;
    };
    add(headingLabel(QStringLiteral("Call"), box), txtCall, 3);
    add(headingLabel(QStringLiteral("Name"), box), txtRSTR, 3);
    add(headingLabel(QStringLiteral("St / Prov / Coun"), box), txtCntry, 3);
    add(postDateHeading, txtPostConDate, 0);
    add(postTimeHeading, txtPostConTime, 0);
    add(headingLabel(QStringLiteral("Continent"), box), label19, 0);
    add(headingLabel(QStringLiteral("Bearing"), box), label22, 0);
    add(headingLabel(QStringLiteral("Miles"), box), label23, 0);
    grid->addWidget(label3, 1, col);
    outer->addWidget(box);
    setPostContestMode(false);

    lblDialog = new QLabel(this);
    lblDialog->setObjectName(QStringLiteral("lblDialog"));
    lblDialog->setTextFormat(Qt::PlainText); // spot alerts carry cluster text
    QFont statusFont = lblDialog->font();
    statusFont.setPointSizeF(statusFont.pointSizeF() * 1.2);
    statusFont.setBold(true);
    lblDialog->setFont(statusFont);
    lblDialog->setMinimumHeight(lblDialog->fontMetrics().height() * 3 / 2);
    lblDialog->setIndent(6);
    paintBackground(lblDialog, statusNormal);
    outer->addWidget(lblDialog);

    lblDupe = new QLabel(this);
    lblDupe->setObjectName(QStringLiteral("lblDupe"));
    lblDupe->setTextFormat(Qt::PlainText);
    lblDupe->setMinimumHeight(lblDupe->fontMetrics().height() * 2);
    lblDupe->setWordWrap(true);
    lblDupe->setIndent(6);
    outer->addWidget(lblDupe);
    setPartialLine(QString());

    auto* buttons = new QHBoxLayout;
    cmdLogOn = new QPushButton(this);
    cmdLogOn->setObjectName(QStringLiteral("cmdLogOn"));
    cmdClear = new QPushButton(QStringLiteral("&Clear"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdDup = new QPushButton(QStringLiteral("On"), this);
    cmdDup->setObjectName(QStringLiteral("cmdDup"));
    cmdDup->setToolTip(QStringLiteral("Displaying partial dupes slows the program on older pc's."));
    for (QPushButton* b : {cmdLogOn, cmdClear, cmdDup}) {
        b->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(b);
    }
    buttons->insertWidget(2, new QLabel(QStringLiteral("Partial dupes:"), this));
    buttons->addStretch(1);
    outer->addLayout(buttons);
    showLoggedOn(false);

    setTabOrder(txtCall, txtRSTR);
    setTabOrder(txtRSTR, txtCntry);
    setTabOrder(txtCntry, txtPostConDate);
    setTabOrder(txtPostConDate, txtPostConTime);
}

EntryPanel::~EntryPanel() = default;

void EntryPanel::attach(ContactEntry* e)
{
    entry = e;
    for (QLineEdit* f : {txtCall, txtRSTR, txtCntry, txtPostConDate, txtPostConTime})
        f->installEventFilter(this);
    // Pasted text (Shift+Insert, the mouse) keeps the rules typed keys obey.
    for (QLineEdit* f : {txtCall, txtRSTR, txtCntry, txtPostConDate, txtPostConTime})
        connect(f, &QLineEdit::textEdited, this, [this, f](const QString& t) { sanitisePasted(f, t); });
    connect(txtCall, &QLineEdit::textChanged, this, [this] { entry->callChanged(); });
    connect(txtCntry, &QLineEdit::textChanged, this, [this] { entry->spcChanged(); });
    connect(cmdLogOn, &QPushButton::clicked, this, [this] { entry->cmdLogOn_Click(); });
    connect(cmdDup, &QPushButton::clicked, this, [this] { entry->cmdDup_Click(); });
}

QLineEdit* EntryPanel::field(EntryField f) const
{
    switch (f) {
    case EntryField::Call: return txtCall;
    case EntryField::Name: return txtRSTR;
    case EntryField::Spc: return txtCntry;
    case EntryField::PostDate: return txtPostConDate;
    case EntryField::PostTime: return txtPostConTime;
    }
    return txtCall;
}

bool EntryPanel::isEntryField(const QWidget* w) const
{
    for (const QWidget* f : {txtCall, txtRSTR, txtCntry, txtPostConDate, txtPostConTime})
        if (w == f)
            return true;
    return false;
}

EntryField EntryPanel::fieldOf(const QLineEdit* edit) const
{
    for (EntryField f : {EntryField::Call, EntryField::Name, EntryField::Spc, EntryField::PostDate,
                         EntryField::PostTime})
        if (field(f) == edit)
            return f;
    return EntryField::Call;
}

void EntryPanel::setPostContestMode(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtPostConDate, txtPostConTime, postDateHeading,
                                                      postTimeHeading})
        w->setVisible(on);
}

bool EntryPanel::postContestMode() const
{
    return !txtPostConDate->isHidden();
}

QString EntryPanel::text(EntryField f) const
{
    return field(f)->text();
}

void EntryPanel::setText(EntryField f, const QString& t)
{
    QLineEdit* e = field(f);
    if (e->text() == t)
        return;
    // A rewrite of the same length (the case of a country name) keeps the
    // caret and selection where the operator had them.
    const bool sameLength = e->text().size() == t.size();
    const int cursor = e->cursorPosition();
    const int selStart = e->selectionStart();
    const int selLength = int(e->selectedText().size());
    e->setText(t);
    if (sameLength) {
        if (selStart >= 0)
            e->setSelection(selStart, selLength);
        else
            e->setCursorPosition(cursor);
    }
}

void EntryPanel::select(EntryField f, int start, int length)
{
    QLineEdit* e = field(f);
    const int n = length < 0 ? int(e->text().size()) - start : length;
    // Selected backwards, so the caret stands where typing continues.
    e->setSelection(start + n, -n);
}

void EntryPanel::focus(EntryField f)
{
    field(f)->setFocus(Qt::OtherFocusReason);
}

void EntryPanel::focusNext(EntryField f)
{
    switch (f) {
    case EntryField::Call: focus(EntryField::Name); break;
    case EntryField::Name: focus(EntryField::Spc); break;
    case EntryField::Spc: focus(postContestMode() ? EntryField::PostDate : EntryField::Call); break;
    case EntryField::PostDate: focus(EntryField::PostTime); break;
    case EntryField::PostTime: focus(EntryField::Call); break;
    }
}

void EntryPanel::focusPrevious(EntryField f)
{
    switch (f) {
    case EntryField::Call: focus(postContestMode() ? EntryField::PostTime : EntryField::Spc); break;
    case EntryField::Name: focus(EntryField::Call); break;
    case EntryField::Spc: focus(EntryField::Name); break;
    case EntryField::PostDate: focus(EntryField::Spc); break;
    case EntryField::PostTime: focus(EntryField::PostDate); break;
    }
}

QString EntryPanel::continent() const { return label19->text(); }
void EntryPanel::setContinent(const QString& t) { label19->setText(t); }
void EntryPanel::setBearing(const QString& t) { label22->setText(t); }
void EntryPanel::setMiles(const QString& t) { label23->setText(t); }
bool EntryPanel::newIndicatorVisible() const { return !label3->isHidden(); }
void EntryPanel::setNewIndicator(bool visible) { label3->setVisible(visible); }

void EntryPanel::setStatus(const QString& text, StatusColour colour)
{
    this->colour = colour;
    lblDialog->setText(text);
    paintBackground(lblDialog, colour == StatusColour::Dupe           ? statusDupe
                               : colour == StatusColour::KeyboardMode ? statusKeyboard
                                                                      : statusNormal);
}

QString EntryPanel::status() const
{
    return waiting ? statusBeforeWait : lblDialog->text();
}

void EntryPanel::showWaitingForLog(bool on)
{
    if (on == waiting)
        return;
    if (on) {
        statusBeforeWait = lblDialog->text();
        colourBeforeWait = colour;
        setStatus(QStringLiteral("Waiting for the log\u2026"), StatusColour::Normal);
        waiting = true;
    } else {
        waiting = false;
        if (lblDialog->text() == QStringLiteral("Waiting for the log\u2026"))
            setStatus(statusBeforeWait, colourBeforeWait);
    }
    lblDialog->repaint();
}

void EntryPanel::setPartialLine(const QString& text)
{
    lblDupe->setText(text);
    paintBackground(lblDupe, text.isEmpty() ? palette().color(QPalette::Button) : statusNormal);
}

void EntryPanel::showSpotAlert(const QString& status, const QString& partial)
{
    setStatus(status, StatusColour::Normal);
    paintBackground(lblDialog, Qt::white);
    lblDupe->setText(partial);
    paintBackground(lblDupe, Qt::white);
}

QString EntryPanel::cleanPastedCall(const QString& text)
{
    QString clean;
    for (QChar c : text)
        if (ContactEntry::windowAccepts(c) && c.isPrint() && !c.isSpace())
            clean += Capital(c);
    return clean;
}

void EntryPanel::showLoggedOn(bool loggedOn)
{
    cmdLogOn->setText(loggedOn ? QStringLiteral("&Log \"Time Off\"") : QStringLiteral("&Log \"Time On\""));
}

void EntryPanel::showPartialDisplay(bool on)
{
    cmdDup->setText(on ? QStringLiteral("On") : QStringLiteral("Off"));
}

void EntryPanel::mouseMoveEvent(QMouseEvent* event)
{
    setPartialLine(QString());
    QWidget::mouseMoveEvent(event);
}

bool EntryPanel::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit || !entry)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (onFieldFocus && isEntryField(edit))
            onFieldFocus(fieldOf(edit));
        if (edit == txtCall)
            entry->callFocusIn();
        else if (edit == txtPostConDate)
            QTimer::singleShot(0, this, [this] { entry->postDateFocusIn(); });
        else if (edit == txtPostConTime)
            QTimer::singleShot(0, txtPostConTime, &QLineEdit::selectAll);
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window or a menu taking the focus is no move to the next field.
        if (edit == txtCall && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            entry->callFocusOut();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool EntryPanel::typeCharacter(QLineEdit* edit, QChar ch)
{
    if (!entry)
        return false;
    std::optional<QChar> result;
    if (edit == txtCall)
        result = entry->callKey(ch);
    else if (edit == txtRSTR)
        result = entry->nameKey(ch);
    else if (edit == txtCntry)
        result = entry->spcKey(ch, edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition());
    else if (edit == txtPostConDate)
        result = entry->postDateKey(ch);
    else
        result = entry->postTimeKey(ch);

    if (!result)
        return true;
    if (*result == QLatin1Char('\b'))
        return false;
    edit->insert(QString(*result));
    return true;
}

void EntryPanel::sanitisePasted(QLineEdit* edit, const QString& text)
{
    QString clean;
    for (QChar c : text) {
        if (!ContactEntry::windowAccepts(c))
            continue;
        if (edit == txtPostConDate && c != QLatin1Char('/') && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            continue;
        if (edit == txtPostConTime && c != QLatin1Char(':') && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            continue;
        clean += (edit == txtCall || edit == txtRSTR) ? Capital(c) : c;
    }
    if (clean == text)
        return;
    const int cursor = edit->cursorPosition() - int(text.size() - clean.size());
    edit->setText(clean);
    edit->setCursorPosition(std::max(0, cursor));
}

} // namespace zelq
