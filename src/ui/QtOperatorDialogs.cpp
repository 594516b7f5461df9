#include "ui/QtOperatorDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace zelq {

namespace {

QMessageBox::StandardButton toStandard(DialogButton b)
{
    switch (b) {
    case DialogButton::Ok: return QMessageBox::Ok;
    case DialogButton::Cancel: return QMessageBox::Cancel;
    case DialogButton::Yes: return QMessageBox::Yes;
    case DialogButton::No: return QMessageBox::No;
    case DialogButton::Retry: return QMessageBox::Retry;
    case DialogButton::Abort: return QMessageBox::Abort;
    case DialogButton::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toIcon(DialogIcon icon)
{
    switch (icon) {
    case DialogIcon::None: return QMessageBox::NoIcon;
    case DialogIcon::Information: return QMessageBox::Information;
    case DialogIcon::Warning: return QMessageBox::Warning;
    case DialogIcon::Critical: return QMessageBox::Critical;
    case DialogIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString displayLineBreaks(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QtOperatorDialogs::QtOperatorDialogs(QWidget* parent) : parent(parent) {}

void QtOperatorDialogs::setParentWidget(QWidget* w)
{
    parent = w;
}

// A box belongs to the window the operator is working in (a setup window
// over the log window), so closing it gives that window the focus back
// rather than raising the log window over it.
QWidget* QtOperatorDialogs::owner() const
{
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : parent.data();
}

DialogButton QtOperatorDialogs::message(const QString& title, const QString& text,
                                        const QList<DialogButton>& buttons, DialogIcon icon)
{
    const QList<DialogButton> offered = buttons.isEmpty() ? QList{DialogButton::Ok} : buttons;

    QMessageBox box(toIcon(icon), title, displayLineBreaks(text), QMessageBox::NoButton,
                    owner());
    // Plain text: a call sign or a path with "<" must not turn into markup.
    box.setTextFormat(Qt::PlainText);
    QList<std::pair<QAbstractButton*, DialogButton>> made;
    for (DialogButton b : offered) {
        if (std::any_of(made.cbegin(), made.cend(), [b](const auto& m) { return m.second == b; }))
            continue;
        made.append({box.addButton(toStandard(b)), b});
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(made.first().first));
    // Closing the box without a choice counts as the last button.
    box.setEscapeButton(made.last().first);
    box.exec();

    for (const auto& [button, choice] : made)
        if (box.clickedButton() == button)
            return choice;
    return offered.last();
}

std::optional<QString> QtOperatorDialogs::inputText(const QString& title, const QString& prompt,
                                                    const QString& defaultText)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(owner(), title, displayLineBreaks(prompt),
                                                 QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

// Qt's own file dialog behaves the same on every desktop, with or without
// a portal service running.
QString QtOperatorDialogs::openFile(const QString& title, const QString& folder,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(owner(), title, folder, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString QtOperatorDialogs::saveFile(const QString& title, const QString& suggestedPath,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(owner(), title, suggestedPath, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

std::optional<Rgb> QtOperatorDialogs::chooseColour(const QString& title, Rgb initial)
{
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(initial), owner(), title);
    if (!chosen.isValid())
        return std::nullopt;
    return Rgb(chosen.rgb());
}

} // namespace zelq
