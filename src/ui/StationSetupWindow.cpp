#include "ui/StationSetupWindow.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "log/CountryCompletion.h"
#include "log/LogAddress.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/PrefixTable.h"
#include "settings/Preferences.h"
#include "settings/SharedPreferences.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zelq {

namespace {

const QString LogFilter = QStringLiteral("ZELQ log (*.MDB *.mdb);;All files (*)");

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A focus change inside the window, not the window losing activation.
bool leavesForAnotherControl(const QFocusEvent* focus)
{
    return focus->reason() != Qt::ActiveWindowFocusReason
        && focus->reason() != Qt::PopupFocusReason;
}

QLabel* wrappedText(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

StationSetupWindow::StationSetupWindow(Preferences& prefs, const PrefixTable& prefixes,
                                       SharedPreferences& shared, LogSession& session,
                                       OperatorDialogs& dialogs, Beeper& beeper,
                                       const QString& installFolder, QWidget* parent)
    : QDialog(parent), prefs(prefs), prefixes(prefixes), shared(shared), session(session),
      dialogs(dialogs), beeper(beeper), installFolder(installFolder)
{
    setObjectName(QStringLiteral("frmStationID"));
    setWindowTitle(QStringLiteral(" Amateur Station I.D."));
    buildWindow();
    fill(fieldsFromPreferences(prefs, installFolder));
    text1->setFocus();
}

void StationSetupWindow::buildWindow()
{
    auto* layout = new QVBoxLayout(this);

    // Widgets are made in tab order: the focus chain follows creation.
    const auto field = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->installEventFilter(this);
        return edit;
    };
    auto* identity = new QHBoxLayout;
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    identity->addLayout(left, 1);
    identity->addSpacing(24);
    identity->addLayout(right, 1);
    layout->addLayout(identity);

    text1 = field("Text1");
    left->addRow(QStringLiteral("Please Enter your Call Sign:"), text1);
    text5 = field("Text5");
    left->addRow(QStringLiteral("State / Province / Country:"), text5);
    text2 = field("Text2");
    left->addRow(QStringLiteral("Your Country:"), text2);
    text3 = field("Text3");
    left->addRow(QStringLiteral("Your Longitude:"), text3);
    text4 = field("Text4");
    left->addRow(QStringLiteral("Your Latitude:"), text4);
    text6 = field("Text6");
    right->addRow(QStringLiteral("Hours added for UTC:"), text6);
    text7 = field("Text7");
    right->addRow(QStringLiteral("Your Continent:"), text7);
    text8 = field("Text8");
    right->addRow(QStringLiteral("Your First Name:"), text8);
    text10 = field("Text10");
    right->addRow(QStringLiteral("Transmitter #:"), text10);
    right->addRow(new QLabel(QStringLiteral("Be sure each transmitter has a unique number!"), this));

    auto* contest = new QGroupBox(QStringLiteral("Contest:"), this);
    contest->setObjectName(QStringLiteral("contestFrame"));
    auto* contestRow = new QHBoxLayout(contest);
    option1 = new QRadioButton(QStringLiteral("CW"), contest);
    option1->setObjectName(QStringLiteral("Option1"));
    option2 = new QRadioButton(QStringLiteral("SSB"), contest);
    option2->setObjectName(QStringLiteral("Option2"));
    option3 = new QRadioButton(QStringLiteral("RTTY"), contest);
    option3->setObjectName(QStringLiteral("Option3"));
    chkTyrm = new QCheckBox(contest);
    chkTyrm->setObjectName(QStringLiteral("chkTYRMRtty"));
    lblTyrm = new QLabel(QStringLiteral("Connect to fldigi?"), contest);
    lblTyrm->setObjectName(QStringLiteral("lblConnectTYRM"));
    lblTyrm->setBuddy(chkTyrm);
    for (QWidget* w : {static_cast<QWidget*>(option1), static_cast<QWidget*>(option2),
                       static_cast<QWidget*>(option3)})
        contestRow->addWidget(w);
    contestRow->addSpacing(24);
    contestRow->addWidget(chkTyrm);
    contestRow->addWidget(lblTyrm);
    fldigiHost = new QLineEdit(contest);
    fldigiHost->setObjectName(QStringLiteral("txtFldigiHost"));
    fldigiHost->setAccessibleName(QStringLiteral("fldigi host:"));
    fldigiPort = new QLineEdit(contest);
    fldigiPort->setObjectName(QStringLiteral("txtFldigiPort"));
    fldigiPort->setAccessibleName(QStringLiteral("fldigi port:"));
    fldigiPort->setMaxLength(5);
    fldigiPort->setValidator(new QIntValidator(1, 65535, fldigiPort));
    fldigiPort->setMaximumWidth(fontMetrics().averageCharWidth() * 8);
    lblFldigiHost = new QLabel(QStringLiteral("Host:"), contest);
    lblFldigiHost->setBuddy(fldigiHost);
    lblFldigiPort = new QLabel(QStringLiteral("Port:"), contest);
    lblFldigiPort->setBuddy(fldigiPort);
    contestRow->addWidget(lblFldigiHost);
    contestRow->addWidget(fldigiHost);
    contestRow->addWidget(lblFldigiPort);
    contestRow->addWidget(fldigiPort);
    contestRow->addStretch(1);
    layout->addWidget(contest);
    connect(option3, &QRadioButton::toggled, this, &StationSetupWindow::updateTyrmEnabled);

    layout->addWidget(wrappedText(
        QStringLiteral("The log file can be stored locally on this PC, or on another computer on your "
                       "network.  If you are operating with more than one station in network "
                       "configuration, it is imperative that all PC's reference the SAME log file "
                       "location on the SAME PC.  Make sure that all PC's are updating the same data "
                       "file prior to the contest."),
        this));
    layout->addWidget(wrappedText(
        QStringLiteral("To share a log, create it once with \"New Log File…\", then point the path of "
                       "every position at it: at that file, for positions on this computer, or at "
                       "the log server address postgresql://host/dbname, for positions on several "
                       "computers."),
        this));

    auto* pathRow = new QHBoxLayout;
    auto* pathLabel = new QLabel(QStringLiteral("Path to network log file:"), this);
    text9 = field("Text9");
    pathLabel->setBuddy(text9);
    command2 = new QPushButton(QStringLiteral("Browse"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    newLog = new QPushButton(QStringLiteral("New Log File…"), this);
    newLog->setObjectName(QStringLiteral("cmdNewLog"));
    pathRow->addWidget(pathLabel);
    pathRow->addWidget(text9, 1);
    pathRow->addWidget(command2);
    pathRow->addWidget(newLog);
    layout->addLayout(pathRow);

    auto* buttons = new QHBoxLayout;
    command1 = new QPushButton(QStringLiteral("Done"), this);
    command1->setObjectName(QStringLiteral("Command1"));
    command3 = new QPushButton(QStringLiteral("Cancel"), this);
    command3->setObjectName(QStringLiteral("Command3"));
    command4 = new QPushButton(QStringLiteral("Help"), this);
    command4->setObjectName(QStringLiteral("Command4"));
    buttons->addStretch(1);
    for (QPushButton* b : {command1, command3, command4})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    command3->hide();
    command4->hide();

    // Enter acts only where the fields say so, never through a default button.
    for (QPushButton* b : {command1, command2, command3, command4, newLog})
        b->setAutoDefault(false);
    connect(command1, &QPushButton::clicked, this, &StationSetupWindow::onDone);
    connect(command2, &QPushButton::clicked, this, &StationSetupWindow::onBrowse);
    connect(command3, &QPushButton::clicked, this, &StationSetupWindow::onCancel);
    connect(command4, &QPushButton::clicked, this, &StationSetupWindow::onHelp);
    connect(newLog, &QPushButton::clicked, this, &StationSetupWindow::onNewLog);

    setMinimumWidth(fontMetrics().averageCharWidth() * 110);
}

void StationSetupWindow::fill(const StationFields& f)
{
    text1->setText(f.call);
    text5->setText(f.spc);
    text2->setText(f.country);
    text3->setText(f.longitude);
    text4->setText(f.latitude);
    text6->setText(f.utcOffset);
    text7->setText(f.continent);
    text8->setText(f.firstName);
    text10->setText(f.transmitter);
    text9->setText(f.logPath);
    currentMode = f.mode;
    switch (modeOption(f.mode)) {
    case ModeOption::CW: option1->setChecked(true); break;
    case ModeOption::SSB: option2->setChecked(true); break;
    case ModeOption::RTTY: option3->setChecked(true); break;
    case ModeOption::None: break;
    }
    chkTyrm->setChecked(f.tyrm);
    fldigiHost->setText(f.fldigiHost);
    fldigiPort->setText(f.fldigiPort);
    updateTyrmEnabled();
}

StationFields StationSetupWindow::fields() const
{
    StationFields f;
    f.call = text1->text();
    f.spc = text5->text();
    f.country = text2->text();
    f.longitude = text3->text();
    f.latitude = text4->text();
    f.utcOffset = text6->text();
    f.continent = text7->text();
    f.firstName = text8->text();
    f.transmitter = text10->text();
    f.logPath = text9->text();
    f.mode = modeFromOptions(option1->isChecked(), option2->isChecked(), option3->isChecked(),
                             currentMode);
    f.tyrm = chkTyrm->isChecked();
    f.fldigiHost = fldigiHost->text();
    f.fldigiPort = fldigiPort->text();
    return f;
}

void StationSetupWindow::updateTyrmEnabled()
{
    chkTyrm->setEnabled(option3->isChecked());
    lblTyrm->setEnabled(option3->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(fldigiHost), static_cast<QWidget*>(fldigiPort),
                       static_cast<QWidget*>(lblFldigiHost), static_cast<QWidget*>(lblFldigiPort)})
        w->setEnabled(option3->isChecked());
}

bool StationSetupWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        if (leavesForAnotherControl(static_cast<QFocusEvent*>(event)))
            leaveField(edit);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (isEnter(key)) {
        if (edit == text1 || edit == text5 || edit == text6 || edit == text7 || edit == text8) {
            onDone();
            return true;
        }
        return false;
    }
    const QString t = key->text();
    if (t.size() != 1 || !t.front().isPrint()
        || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false; // editing, navigation and shortcut keys work as usual
    return typeKey(edit, t.front());
}

// Applies a field's rule to one typed character; true when the field must
// not take the key as it came.
bool StationSetupWindow::typeKey(QLineEdit* edit, QChar typed)
{
    std::optional<QChar> accepted = typed;
    if (edit == text1 || edit == text5 || edit == text7 || edit == text8) {
        accepted = filterTypedKey(KeyRule::UpperNoQuote, typed);
    } else if (edit == text6) {
        accepted = filterTypedKey(KeyRule::UtcOffset, typed);
    } else if (edit == text2) {
        const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        const auto find = [this](const QString& before, QChar key) -> std::optional<CountryMatch> {
            const auto c = completeCountryName(prefixes, before, key, Qt::CaseSensitive);
            if (!c)
                return std::nullopt;
            const PrefixRow& row = prefixes.row(c->row);
            return CountryMatch{row.country, row.continent, row.longitude, row.latitude};
        };
        const CountryKeyResult r = countryKey(edit->text().left(caret), typed, find);
        if (r.completed) {
            edit->setText(r.text);
            edit->setSelection(r.selStart, r.selLength);
            text3->setText(r.longitude);
            text4->setText(r.latitude);
            text7->setText(r.continent);
            return true;
        }
        accepted = r.typed;
    }
    if (!accepted)
        return true;
    if (*accepted == typed)
        return false;
    edit->insert(QString(*accepted));
    return true;
}

void StationSetupWindow::leaveField(QLineEdit* edit)
{
    if (edit == text6 && !isNumericText(text6->text())) {
        beeper.beep();
        QTimer::singleShot(0, text6, [this] { text6->setFocus(Qt::OtherFocusReason); });
    } else if (edit == text10) {
        text10->setText(transmitterOnLeaving(text10->text()));
    }
}

void StationSetupWindow::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event)) {
        // A focused button is pressed by Enter; elsewhere Enter does nothing.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        return;
    }
    // Escape does nothing: the window stays until Done or Cancel.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void StationSetupWindow::onDone()
{
    StationFields f = fields();
    normaliseForDone(f);
    text6->setText(f.utcOffset);
    text3->setText(f.longitude);
    text4->setText(f.latitude);
    text10->setText(f.transmitter);
    saveTyrmOption(f.tyrm);
    // The sister programs read the identity from the shared file; a failure
    // to write it must not keep the station off the log.
    publishSharedIdentity(shared, f);

    const bool connected = session.connectLog(f.logPath.trimmed(), installFolder, [this] {
        beeper.beep();
        command3->show();
        command4->show();
    });
    if (!connected)
        return;
    currentMode = f.mode;
    copyToPreferences(f, prefs);
    accept();
}

void StationSetupWindow::onBrowse()
{
    const LogAddress current = LogAddress::parse(text9->text(), installFolder);
    QString folder = installFolder;
    if (current.kind == LogAddress::Kind::SQLiteFile && QFileInfo(current.filePath).absoluteDir().exists())
        folder = QFileInfo(current.filePath).absolutePath();
    const QString chosen = dialogs.openFile(QStringLiteral("Open Log File"), folder, LogFilter);
    if (chosen.isEmpty()) {
        beeper.beep();
        return;
    }
    text9->setText(chosen);
    command1->setFocus();
}

void StationSetupWindow::onNewLog()
{
    QString target = text9->text().trimmed();
    const LogAddress address = LogAddress::parse(target, installFolder);
    const bool fileExists =
        address.kind == LogAddress::Kind::SQLiteFile && QFileInfo::exists(address.filePath);
    if (target.isEmpty() || fileExists) {
        const QString folder = fileExists ? QFileInfo(address.filePath).absolutePath() : installFolder;
        target = dialogs.saveFile(QStringLiteral("New Log File"), folder, LogFilter);
        if (target.isEmpty())
            return;
    }
    QString error;
    if (!LogStore::createLog(target, &error, installFolder)) {
        dialogs.message(QStringLiteral("New Log File"),
                        QStringLiteral("Unable to create the log file.") + QLatin1String("\r\n\r\n")
                            + error,
                        {DialogButton::Ok}, DialogIcon::Critical);
        return;
    }
    text9->setText(target);
    dialogs.message(QStringLiteral("New Log File"),
                    QStringLiteral("The new, empty log %1 has been created.")
                        .arg(LogAddress::parse(target, installFolder).display()),
                    {DialogButton::Ok}, DialogIcon::Information);
    command1->setFocus();
}

void StationSetupWindow::onHelp()
{
    emit helpRequested();
    command1->setFocus();
}

void StationSetupWindow::onCancel()
{
    if (session.store().isOpen())
        session.store().close();
    emit cancelRequested();
    QDialog::reject();
}

} // namespace zelq
