#include "ui/ImportWindow.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "export/Append.h"
#include "ui/AppContext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace zelq {

ImportWindow::ImportWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), app(context), last(std::make_shared<AppendResult>())
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Append Data or Restore From Backup"));
    buildWindow();
}

void ImportWindow::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    const auto warning = [&](const QString& name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setWordWrap(true);
        layout->addWidget(l);
    };
    warning(QStringLiteral("warningAppend"),
            QStringLiteral("This function appends (adds) records to your existing primary data "
                           "file.  Once initiated, it can not be undone."));
    warning(QStringLiteral("warningClear"),
            QStringLiteral("If you wish to clear your primary data file before proceeding, first "
                           "exit this form and click New from the File menu."));
    warning(QStringLiteral("warningCareful"),
            QStringLiteral("Be very careful!  Improper use of this function will render your "
                           "database unuseable!"));

    auto* prompt = new QLabel(
        QStringLiteral("Enter path and file to append to your primary file:"), this);
    prompt->setObjectName(QStringLiteral("pathPrompt"));
    layout->addWidget(prompt);
    auto* pathRow = new QHBoxLayout;
    text1 = new QLineEdit(this);
    text1->setObjectName(QStringLiteral("Text1"));
    prompt->setBuddy(text1);
    text1->setAccessibleName(QStringLiteral("Path and file to append"));
    text1->setMinimumWidth(360);
    command3 = new QPushButton(QStringLiteral("Browse"), this);
    command3->setObjectName(QStringLiteral("Command3"));
    pathRow->addWidget(text1, 1);
    pathRow->addWidget(command3);
    layout->addLayout(pathRow);

    check1 = new QCheckBox(QStringLiteral("Eliminate Duplicates from imported file"), this);
    check1->setObjectName(QStringLiteral("Check1"));
    check1->setChecked(true);
    layout->addWidget(check1);

    auto* buttons = new QHBoxLayout;
    command2 = new QPushButton(QStringLiteral("Append"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    command1 = new QPushButton(QStringLiteral("Done"), this);
    command1->setObjectName(QStringLiteral("Command1"));
    command2->setAutoDefault(false);
    command1->setAutoDefault(false);
    command3->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(command2);
    buttons->addWidget(command1);
    layout->addLayout(buttons);

    // How the last append ended: records appended, skipped and why.
    resultLine = new QLabel(this);
    resultLine->setObjectName(QStringLiteral("lblAppendResult"));
    resultLine->setWordWrap(true);
    resultLine->setTextFormat(Qt::PlainText);
    layout->addWidget(resultLine);

    connect(command3, &QPushButton::clicked, this, &ImportWindow::onBrowse);
    connect(check1, &QCheckBox::clicked, this, &ImportWindow::onTickBoxClicked);
    connect(command2, &QPushButton::clicked, this, &ImportWindow::onAppend);
    connect(command1, &QPushButton::clicked, this, &QDialog::accept);
}

ImportWindow* ImportWindow::mnuCombine_Click(AppContext& app, QWidget* parent, QTimer* pollTimer,
                                             std::function<void()> resetPollTicks)
{
    app.session.WorkList();
    auto* w = new ImportWindow(app, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setPollTimer(pollTimer);
    w->setResetPollTicks(std::move(resetPollTicks));
    w->open();
    return w;
}

void ImportWindow::reject()
{
    if (!busy) // an append in progress finishes first
        QDialog::reject();
}

void ImportWindow::onBrowse()
{
    const QString chosen = app.dialogs.openFile(
        QStringLiteral("Browse"), QDir(app.folders.program).filePath(QStringLiteral("BACKUP")),
        QStringLiteral("Logs and backups (*.DAT *.dat *.MDB *.mdb);;All files (*)"));
    if (chosen.isEmpty()) {
        app.beeper.beep();
        return;
    }
    text1->setText(chosen);
    command2->setFocus();
}

void ImportWindow::onTickBoxClicked(bool ticked)
{
    if (ticked)
        return;
    if (app.dialogs.askYesNo(QStringLiteral("Are you sure"),
                             QStringLiteral("Are you sure?  Once imported, duplicates can only be "
                                            "removed manually and will not be identified by the "
                                            "program.")))
        return;
    check1->setChecked(true);
    check1->setFocus();
}

void ImportWindow::onAppend()
{
    if (busy)
        return;
    if (resetPollTicks)
        resetPollTicks();
    resultLine->clear();
    const QString source = text1->text().trimmed();
    if (isSameLog(source, app.prefs.logPath, app.folders.install)) {
        app.beeper.beep();
        app.dialogs.message(QStringLiteral("Invalid Request!"),
                            QStringLiteral("You can not append the same file onto itself."));
        return;
    }

    const bool timerWasActive = pollTimer && pollTimer->isActive();
    if (pollTimer)
        pollTimer->stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const AppendResult result = runAppend(source, check1->isChecked());
    *last = result;

    // The cache, list and score take in what was appended, even when the
    // append stopped part-way.
    app.session.WorkList();
    QApplication::restoreOverrideCursor();
    if (timerWasActive && pollTimer)
        pollTimer->start();
    command1->setFocus();
    resultLine->setText(appendReport(result));
    adjustSize(); // room for the lines just said
    if (!result.ok()) {
        app.beeper.beep();
        app.dialogs.message(QStringLiteral("Append Error"), QStringLiteral("Unable to read file."));
    }
    emit appended(result.inserted);
}

AppendResult ImportWindow::runAppend(const QString& source, bool skipDuplicates)
{
    busy = true;
    setEnabled(false); // no second append, no Done, while this one runs

    QProgressDialog progress(QStringLiteral("Appending records..."), QString(), 0, 0, this);
    progress.setObjectName(QStringLiteral("appendProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(progressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);

    const QString logPath = app.prefs.logPath;
    const QString install = app.folders.install;
    AppendOptions options;
    options.skipDuplicates = skipDuplicates;
    QPointer<QProgressDialog> dialog(&progress);
    auto result = std::make_shared<AppendResult>();
    QThread* worker = QThread::create([=] {
        *result = appendToLog(logPath, source, install, options, [dialog](int done, int total) {
            QMetaObject::invokeMethod(
                qApp,
                [dialog, done, total] {
                    if (!dialog)
                        return;
                    dialog->setMaximum(total);
                    dialog->setValue(done);
                },
                Qt::QueuedConnection);
        });
    });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    delete worker;

    progress.close();
    setEnabled(true);
    busy = false;
    return *result;
}

} // namespace zelq
