#include "ui/PhoneWindow.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "keying/CwMessages.h"
#include "keying/PhoneControl.h"
#include "keying/QtWavePlayer.h"
#include "settings/QuotedFile.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace zelq {

namespace {

QPushButton* button(const QString& name, const QString& caption, const QString& accessible, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* field(const QString& name, QLabel* buddy, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(QString(buddy->text()).remove(QLatin1Char('&')));
    buddy->setBuddy(e);
    return e;
}

} // namespace

PhoneWindow::PhoneWindow(PhoneControl& c, OperatorDialogs& d, Beeper& b, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), control(c), dialogs(d), beeper(b), installFolder(std::move(folder))
{
    setObjectName(QStringLiteral("PhoneFrm"));
    setWindowTitle(QStringLiteral("Phone Wave Selections"));
    buildLayout();
}

void PhoneWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    auto* filesBox = new QGroupBox(QStringLiteral("Wave files"), this);
    auto* grid = new QGridLayout(filesBox);
    for (int i = 0; i < 9; ++i) {
        auto* l = new QLabel(QStringLiteral("F&%1").arg(i + 1), filesBox);
        l->setObjectName(QStringLiteral("lblF%1").arg(i + 1));
        files[size_t(i)] = field(QStringLiteral("Text%1").arg(i + 1), l, filesBox);
        files[size_t(i)]->setAccessibleName(QStringLiteral("F%1 wave file").arg(i + 1));
        files[size_t(i)]->setMinimumWidth(360);
        auto* browseButton = button(QStringLiteral("Command%1").arg(i + 2), QStringLiteral("Browse"),
                                    QStringLiteral("Browse for F%1").arg(i + 1), filesBox);
        connect(browseButton, &QPushButton::clicked, this, [this, i] { browse(i); });
        connect(files[size_t(i)], &QLineEdit::editingFinished, this, &PhoneWindow::applyFields);
        grid->addWidget(l, i, 0);
        grid->addWidget(files[size_t(i)], i, 1);
        grid->addWidget(browseButton, i, 2);
    }
    outer->addWidget(filesBox);

    auto* pttBox = new QGroupBox(QStringLiteral("PTT"), this);
    auto* ptt = new QGridLayout(pttBox);
    auto* group = new QButtonGroup(this);
    const char* captions[] = {"RTS", "DTR", "Parallel", "Rig (rigctld)"};
    for (int i = 0; i < 4; ++i) {
        lines[size_t(i)] = new QRadioButton(QLatin1String(captions[i]), pttBox);
        lines[size_t(i)]->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        lines[size_t(i)]->setAccessibleName(QLatin1String(captions[i]));
        group->addButton(lines[size_t(i)], i);
        ptt->addWidget(lines[size_t(i)], 0, i);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int) { applyFields(); });
    auto* portLabel = new QLabel(QStringLiteral("Com &port (0 = none)"), pttBox);
    portLabel->setObjectName(QStringLiteral("lblPort"));
    text10 = field(QStringLiteral("Text10"), portLabel, pttBox);
    text10->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), text10));
    connect(text10, &QLineEdit::editingFinished, this, &PhoneWindow::portLeft);
    auto* addressLabel = new QLabel(QStringLiteral("Parallel port &address"), pttBox);
    addressLabel->setObjectName(QStringLiteral("lblAddress"));
    text11 = field(QStringLiteral("Text11"), addressLabel, pttBox);
    // No double quote (the file keeps the value between quotes); letters upper case.
    connect(text11, &QLineEdit::textEdited, this, [this](const QString& typed) {
        QString t = typed;
        t.remove(QLatin1Char('"'));
        t = t.toUpper();
        if (t != typed)
            text11->setText(t);
    });
    connect(text11, &QLineEdit::editingFinished, this, &PhoneWindow::applyFields);
    auto* outputLabel = new QLabel(QStringLiteral("Sound &output to the radio"), pttBox);
    outputLabel->setObjectName(QStringLiteral("lblOutput"));
    cboOutput = new QComboBox(pttBox);
    cboOutput->setObjectName(QStringLiteral("cboOutput"));
    cboOutput->setAccessibleName(QStringLiteral("Sound output to the radio"));
    outputLabel->setBuddy(cboOutput);
    connect(cboOutput, &QComboBox::activated, this, [this](int) { applyFields(); });
    ptt->addWidget(portLabel, 1, 0);
    ptt->addWidget(text10, 1, 1);
    ptt->addWidget(addressLabel, 2, 0);
    ptt->addWidget(text11, 2, 1);
    ptt->addWidget(outputLabel, 3, 0);
    ptt->addWidget(cboOutput, 3, 1, 1, 2);
    lblRigNote = new QLabel(pttBox);
    lblRigNote->setObjectName(QStringLiteral("lblRigNote"));
    lblRigNote->setTextFormat(Qt::PlainText);
    lblRigNote->setWordWrap(true);
    lblRigNote->setText(control.rigNote());
    lblRigNote->setVisible(!control.rigNote().isEmpty());
    connect(&control, &PhoneControl::rigNoteChanged, this, [this](const QString& note) {
        lblRigNote->setText(note);
        lblRigNote->setVisible(!note.isEmpty());
    });
    ptt->addWidget(lblRigNote, 4, 0, 1, 4);
    outer->addWidget(pttBox);

    auto* bottom = new QHBoxLayout;
    auto* loopLabel = new QLabel(QStringLiteral("&Loop (Sec)"), this);
    loopLabel->setObjectName(QStringLiteral("lblLoop"));
    txtPHLoop = field(QStringLiteral("txtPHLoop"), loopLabel, this);
    txtPHLoop->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), txtPHLoop));
    txtPHLoop->setMaximumWidth(60);
    connect(txtPHLoop, &QLineEdit::editingFinished, this, &PhoneWindow::loopLeft);
    auto* test = button(QStringLiteral("Command11"), QStringLiteral("&Test"), QStringLiteral("Test"), this);
    command12 = button(QStringLiteral("Command12"), QStringLiteral("&Stop"), QStringLiteral("Stop"), this);
    command12->hide();
    command1 = button(QStringLiteral("Command1"), QStringLiteral("&Done"), QStringLiteral("Done"), this);
    connect(test, &QPushButton::clicked, this, &PhoneWindow::Command11_Click);
    connect(command12, &QPushButton::clicked, this, &PhoneWindow::Command12_Click);
    connect(command1, &QPushButton::clicked, this, &PhoneWindow::Command1_Click);
    bottom->addWidget(loopLabel);
    bottom->addWidget(txtPHLoop);
    bottom->addStretch();
    bottom->addWidget(test);
    bottom->addWidget(command12);
    bottom->addWidget(command1);
    outer->addLayout(bottom);
}

void PhoneWindow::showSettings(const PhoneSettings& s)
{
    loading = true;
    for (int i = 0; i < 9; ++i)
        files[size_t(i)]->setText(s.files[size_t(i)]);
    text10->setText(s.port);
    text11->setText(s.address);
    txtPHLoop->setText(s.repeatSeconds);
    lines[size_t(int(s.line))]->setChecked(true);
    cboOutput->clear();
    cboOutput->addItem(QStringLiteral("Default output"), QByteArray());
    for (const QtWavePlayer::Output& o : QtWavePlayer::outputs())
        cboOutput->addItem(o.description, o.id);
    int at = cboOutput->findData(s.outputDevice.toUtf8());
    if (at < 0) {
        // A sound card that is unplugged now keeps its place.
        cboOutput->addItem(s.outputDevice + QStringLiteral(" (not present)"), s.outputDevice.toUtf8());
        at = cboOutput->count() - 1;
    }
    cboOutput->setCurrentIndex(at);
    command12->setVisible(control.PhoneRepeat());
    loading = false;
}

PhoneSettings PhoneWindow::fieldSettings() const
{
    PhoneSettings s;
    for (int i = 0; i < 9; ++i)
        s.files[size_t(i)] = files[size_t(i)]->text().trimmed();
    s.port = text10->text();
    s.address = text11->text();
    s.repeatSeconds = txtPHLoop->text();
    s.line = lines[3]->isChecked()   ? PttLine::Rig
             : lines[2]->isChecked() ? PttLine::Parallel
             : lines[1]->isChecked() ? PttLine::Dtr
                                     : PttLine::Rts;
    s.outputDevice = QString::fromUtf8(cboOutput->currentData().toByteArray());
    return s;
}

void PhoneWindow::applyFields()
{
    if (!loading)
        control.applySettings(fieldSettings());
}

void PhoneWindow::portLeft()
{
    if (!parseNumber(text10->text()))
        text10->setText(QStringLiteral("0"));
    applyFields();
}

void PhoneWindow::loopLeft()
{
    const std::optional<double> v = parseNumber(txtPHLoop->text());
    if (!v || *v < 0 || *v >= 60)
        txtPHLoop->setText(QStringLiteral("0"));
    applyFields();
}

void PhoneWindow::browse(int index)
{
    const QString path = dialogs.openFile(QStringLiteral("Open"), installFolder, QStringLiteral("(*.wav) (*.wav)"));
    if (path.isEmpty()) {
        beeper.beep();
        return;
    }
    files[size_t(index)]->setText(path);
    applyFields();
    command1->setFocus();
}

void PhoneWindow::Command1_Click()
{
    applyFields();
    hide();
    QString error;
    if (!control.save(&error))
        dialogs.message(QStringLiteral("Voice Setup"),
                        QStringLiteral("Could not save %1: %2").arg(PhoneSettings::fileName(), error),
                        {DialogButton::Ok}, DialogIcon::Warning);
    emit done();
}

void PhoneWindow::Command11_Click()
{
    applyFields();
    control.FKeyPhone(KeyF1);
    if (isVisible())
        command1->setFocus();
    command12->setVisible(control.PhoneRepeat());
}

void PhoneWindow::Command12_Click()
{
    control.Command12_Click();
    command12->hide();
}

} // namespace zelq
