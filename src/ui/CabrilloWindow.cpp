#include "ui/CabrilloWindow.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "log/ContactEntry.h"
#include "settings/AppFolders.h"
#include "settings/Preferences.h"
#include "settings/SharedPreferences.h"
#include "zelq_build_info.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace zelq {

namespace {

// Per-user values kept between runs.
const char* const addressKeys[] = {"UserAddressName", "UserAddressLine1", "UserAddressLine2",
                                   "UserEMail"};
const char* const sharedTags[] = {"OWN_ADDRESS_NAME", "OWN_ADDRESS_Line1", "OWN_ADDRESS_Line2",
                                  "OWN_EMAIL"};

QSettings userSettings()
{
    return QSettings(QStringLiteral("DORVY_Software"), QStringLiteral("ZELQ Logger"));
}

QLineEdit* addField(QVBoxLayout* layout, const QString& name, const QString& label,
                    const QString& labelName)
{
    auto* l = new QLabel(label);
    l->setObjectName(labelName);
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    l->setBuddy(edit);
    layout->addWidget(l);
    layout->addWidget(edit);
    return edit;
}

QRadioButton* addOption(QHBoxLayout* layout, const QString& name, const QString& text)
{
    auto* b = new QRadioButton(text);
    b->setObjectName(name);
    layout->addWidget(b);
    return b;
}

} // namespace

CabrilloWindow::CabrilloWindow(const ContactCache& cache, const MultiplierRecords& records,
                               Preferences& prefs, SharedPreferences& shared,
                               OperatorDialogs& dialogs, Beeper& beeper,
                               const QString& installFolder, const QString& programFolder,
                               QWidget* parent)
    : QDialog(parent), cache(cache), records(records), prefs(prefs), shared(shared),
      dialogs(dialogs), beeper(beeper), installFolder(installFolder),
      programFolder(programFolder)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Summary Sheet Information"));
    buildWindow();
    loadAddress();
    text1->setText(prefs.ownSpc);
}

void CabrilloWindow::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    text1 = addField(layout, QStringLiteral("Text1"), QStringLiteral("ARRL Section:"),
                     QStringLiteral("sectionLabel"));
    text2 = addField(layout, QStringLiteral("Text2"),
                     QStringLiteral("If multioperator, list calls of all operators:"),
                     QStringLiteral("operatorsLabel"));

    auto* category = new QGroupBox(QStringLiteral("Category:"));
    category->setObjectName(QStringLiteral("categoryFrame"));
    auto* categoryRow = new QHBoxLayout(category);
    option4 = addOption(categoryRow, QStringLiteral("Option4"), QStringLiteral("Single"));
    option3 = addOption(categoryRow, QStringLiteral("Option3"), QStringLiteral("Multi-Op"));
    option4->setChecked(true);
    layout->addWidget(category);

    // No power button is chosen until the operator picks one: the category
    // line then carries no power.
    auto* power = new QGroupBox(QStringLiteral("Power Category:"));
    power->setObjectName(QStringLiteral("powerFrame"));
    auto* powerRow = new QHBoxLayout(power);
    option18 = addOption(powerRow, QStringLiteral("Option18"), QStringLiteral("High"));
    option19 = addOption(powerRow, QStringLiteral("Option19"), QStringLiteral("Low"));
    option20 = addOption(powerRow, QStringLiteral("Option20"), QStringLiteral("QRP"));
    layout->addWidget(power);

    text5 = addField(layout, QStringLiteral("Text5"), QStringLiteral("Your Name:"),
                     QStringLiteral("nameLabel"));
    text6 = addField(layout, QStringLiteral("Text6"), QStringLiteral("Address Line 1:"),
                     QStringLiteral("address1Label"));
    text7 = addField(layout, QStringLiteral("Text7"), QStringLiteral("Address Line 2:"),
                     QStringLiteral("address2Label"));
    text8 = addField(layout, QStringLiteral("Text8"), QStringLiteral("Email Address:"),
                     QStringLiteral("emailLabel"));
    text11 = addField(
        layout, QStringLiteral("Text11"),
        QStringLiteral("Soapbox (Add any comments you would like to make about the contest):"),
        QStringLiteral("soapboxLabel"));

    auto* buttons = new QHBoxLayout;
    command4 = new QPushButton(QStringLiteral("Write Cabrillo File"));
    command4->setObjectName(QStringLiteral("Command4"));
    command3 = new QPushButton(QStringLiteral("Done"));
    command3->setObjectName(QStringLiteral("Command3"));
    command4->setAutoDefault(false);
    command3->setAutoDefault(false);
    buttons->addWidget(command4);
    buttons->addWidget(command3);
    layout->addLayout(buttons);

    connect(command4, &QPushButton::clicked, this, [this] { writeFile(); });
    connect(command3, &QPushButton::clicked, this, &QDialog::accept);

    text1->installEventFilter(this);
    text2->installEventFilter(this);
}

// Section and operator calls are typed in capitals.
bool CabrilloWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (event->type() != QEvent::KeyPress || !edit || (edit != text1 && edit != text2))
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString t = key->text();
    if (t.size() != 1 || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QChar upper = Capital(t.front());
    if (upper == t.front())
        return false;
    edit->insert(QString(upper));
    return true;
}

// Fills the address fields from the user's settings and publishes the
// values to the sister programs (one file write, with the last value).
void CabrilloWindow::loadAddress()
{
    QSettings s = userSettings();
    s.beginGroup(QStringLiteral("Settings"));
    QLineEdit* const fields[] = {text5, text6, text7, text8};
    for (int i = 0; i < 4; ++i) {
        const QString value = s.value(QLatin1String(addressKeys[i])).toString();
        fields[i]->setText(value);
        shared.SetSharedPreference(QLatin1String(sharedTags[i]), value.trimmed(), i == 3);
    }
}

void CabrilloWindow::saveAddress() const
{
    QSettings s = userSettings();
    s.beginGroup(QStringLiteral("Settings"));
    const QLineEdit* const fields[] = {text5, text6, text7, text8};
    for (int i = 0; i < 4; ++i)
        s.setValue(QLatin1String(addressKeys[i]), fields[i]->text().trimmed());
}

CabrilloHeader CabrilloWindow::header() const
{
    CabrilloHeader h;
    h.createdBy = QStringLiteral("ZELQ Logger " ZELQ_VERSION);
    h.multiOp = option3->isChecked();
    h.power = option18->isChecked()   ? CabrilloPower::High
              : option19->isChecked() ? CabrilloPower::Low
              : option20->isChecked() ? CabrilloPower::Qrp
                                      : CabrilloPower::None;
    h.operators = text2->text();
    h.name = text5->text();
    h.addressLine1 = text6->text();
    h.addressLine2 = text7->text();
    h.email = text8->text();
    h.soapbox = text11->text();
    return h;
}

bool CabrilloWindow::writeFile()
{
    const QString chosen = dialogs.saveFile(QStringLiteral("Write Cabrillo File"),
                                            cabrilloFileProposal(programFolder, prefs.ownCall),
                                            QStringLiteral("LOG Files (*.log)"));
    if (chosen.isEmpty())
        return false; // cancelled: nothing to say
    const QString path = QFileInfo(resolveInInstallFolder(installFolder, chosen)).absoluteFilePath();

    QString error;
    if (!writeCabrilloFile(path, header(), cache, prefs, records, &error)) {
        beeper.beep();
        dialogs.message(QStringLiteral("Unable to write file."), error, {DialogButton::Ok},
                        DialogIcon::Critical);
        return false;
    }

    beeper.beep();
    dialogs.message(QStringLiteral("File Written Successfully."),
                    QStringLiteral("The file was successfully written to the directory:\n\n")
                        + path
                        + QStringLiteral(".\n\nAttach this file to an e-mail addressed for "
                                         "contest submission.  If you wish to print this file, "
                                         "you can open it with a text editor to print."),
                    {DialogButton::Ok}, DialogIcon::Information);
    beeper.beep();
    dialogs.message(QStringLiteral("  Thanks!"),
                    QStringLiteral("Thanks for using this program.  I hope that you enjoyed it!  "
                                   "If so, please tell a friend!"),
                    {DialogButton::Ok}, DialogIcon::Information);
    command3->setFocus();
    saveAddress();
    return true;
}

} // namespace zelq
