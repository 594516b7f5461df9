#include "ui/HelpWindow.h"

#include "core/OperatorDialogs.h"
#include "settings/AppFolders.h"
#include "settings/AtomicFile.h"
#include "settings/QuotedFile.h"
#include "ui/QtOperatorDialogs.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace zelq {

HelpWindow::HelpWindow(const QString& helpFile, const QString& folder, OperatorDialogs& dialogs,
                       QWidget* parent)
    : QDialog(parent), installFolder(folder), dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("ZELQ Logger Help"));

    text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setAccessibleName(QStringLiteral("Help text"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(this);
    saveButton = buttons->addButton(QStringLiteral("&Save"), QDialogButtonBox::ActionRole);
    saveButton->setObjectName(QStringLiteral("Command1"));
    saveButton->setAutoDefault(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(saveButton, &QPushButton::clicked, this, &HelpWindow::saveText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);

    loadText(helpFile);
    sizeForReading();
    text->setFocus();
}

QString helpFileText(const QString& shown)
{
    QString t = displayLineBreaks(shown);
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t;
}

void HelpWindow::loadText(const QString& helpFile)
{
    QFile file(helpFile);
    if (helpFile.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        QString message = QStringLiteral("The help file %1 was not found.").arg(HelpFileName);
        if (!helpFile.isEmpty())
            message += QStringLiteral("\n\n%1: %2").arg(helpFile, file.errorString());
        text->setPlainText(message);
        // Nothing worth keeping: the save would only copy this note.
        saveButton->setEnabled(false);
        return;
    }
    text->setPlainText(displayLineBreaks(decodeFileText(file.readAll())));
}

bool HelpWindow::saveText()
{
    const QString path = resolveInInstallFolder(installFolder, SavedHelpFileName);
    QString error;
    if (writeTextFileAtomically(path, helpFileText(text->toPlainText()), &error))
        return true;
    dialogs.message(QStringLiteral("Help Not Saved"),
                    QStringLiteral("The help text could not be saved to %1.").arg(path)
                        + QStringLiteral("\r\n\r\n") + error,
                    {DialogButton::Ok}, DialogIcon::Warning);
    return false;
}

// About 90 columns by 40 lines of the fixed font, kept inside the screen, so
// the text reads without wrapping on a 1280×800 laptop.
void HelpWindow::sizeForReading()
{
    const QFontMetrics fm(text->font());
    QSize want(fm.horizontalAdvance(QLatin1Char('M')) * 90 + 60, fm.lineSpacing() * 40 + 90);
    const QScreen* screen = parentWidget() && parentWidget()->screen()
                                ? parentWidget()->screen()
                                : QGuiApplication::primaryScreen();
    if (screen) {
        const QSize avail = screen->availableGeometry().size();
        want = want.boundedTo(QSize(avail.width() * 9 / 10, avail.height() * 9 / 10));
    }
    resize(want);
}

} // namespace zelq
