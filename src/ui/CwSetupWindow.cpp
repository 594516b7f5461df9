#include "ui/CwSetupWindow.h"

#include "ui/FormControls.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "keying/CwControl.h"
#include "keying/CwMessages.h"
#include "settings/QuotedFile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <cmath>

namespace zelq {

namespace {

QLineEdit* field(const char* name, const QString& accessible, QWidget* parent, int chars = 6)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setAccessibleName(accessible);
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * (chars + 2));
    return e;
}

using form::button;

QRadioButton* option(const char* name, const QString& caption, QWidget* parent)
{
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(QLatin1String(name));
    r->setAccessibleName(caption);
    return r;
}

QLabel* label(const char* name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setAccessibleName(text);
    return l;
}

// Message fields: letters to upper case; the double quote never enters
// (the settings file keeps each message between double quotes).
void messageFilter(QLineEdit* e)
{
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& typed) {
        QString t = typed;
        t.remove(QLatin1Char('"'));
        for (QChar& c : t)
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                c = c.toUpper();
        if (t != typed) {
            const int cursor = e->cursorPosition() - int(typed.size() - t.size());
            e->setText(t);
            e->setCursorPosition(std::max(0, cursor));
        }
    });
}

bool isNumber(const QString& text)
{
    return parseNumber(text).has_value();
}

} // namespace

CwSetupWindow::CwSetupWindow(CwControl& c, OperatorDialogs& d, Beeper& b, QWidget* parent)
    : QWidget(parent, Qt::Window), control(c), dialogs(d), beeper(b)
{
    setObjectName(QStringLiteral("CWFrm"));
    setWindowTitle(QStringLiteral("CW String Selections"));
    buildLayout();
    connect(&control, &CwControl::speedChanged, text11, &QLineEdit::setText);
    connect(&control, &CwControl::realtimeRefused, this, [this] { lblRealtime->show(); });
    connect(&control, &CwControl::sendingEnded, lblSending, &QLabel::hide);
    const CwUserTiming t = control.timing();
    txtLoop->setText(formatNumber(t.loopCount));
    (t.timing == CwTiming::Sleep ? optSleep : t.timing == CwTiming::Loop ? optLoop : optTimer)->setChecked(true);
    chooseTiming(t.timing);
}

void CwSetupWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;

    // Keying method and ports.
    auto* methodBox = new QGroupBox(QStringLiteral("Keying"), this);
    auto* methodLayout = new QGridLayout(methodBox);
    methodOptions[1] = option("Option1", QStringLiteral("RTS"), methodBox);
    methodOptions[2] = option("Option2", QStringLiteral("DTR"), methodBox);
    methodOptions[3] = option("Option3", QStringLiteral("Printer"), methodBox);
    methodOptions[0] = option("Option4", QStringLiteral("None"), methodBox);
    methodOptions[4] = option("Option5", QStringLiteral("WinKey"), methodBox);
    methodOptions[5] = option("Option6", QStringLiteral("Rig (rigctld)"), methodBox);
    auto* methods = new QButtonGroup(this);
    int row = 0;
    for (int i : {1, 2, 3, 0, 4, 5}) {
        methods->addButton(methodOptions[size_t(i)]);
        methodLayout->addWidget(methodOptions[size_t(i)], row++, 0);
    }
    cmdConfWinkey = button("cmdConfWinkey", QStringLiteral("Configure Winkey"), methodBox);
    cmdConfWinkey->hide();
    methodLayout->addWidget(cmdConfWinkey, row++, 0, 1, 2);
    lblMethodNote = label("lblMethodNote", QString(), methodBox);
    lblMethodNote->setWordWrap(true);
    lblMethodNote->setTextFormat(Qt::PlainText);
    lblMethodNote->hide();
    methodLayout->addWidget(lblMethodNote, row++, 0, 1, 3);
    methodLayout->addWidget(label("lblPort", QStringLiteral("Com port"), methodBox), 0, 1);
    text10 = field("Text10", QStringLiteral("Com port"), methodBox, 3);
    text10->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9:]*")), text10));
    methodLayout->addWidget(text10, 0, 2);
    methodLayout->addWidget(label("lblAddress", QStringLiteral("Printer port address"), methodBox), 2, 1);
    text14 = field("Text14", QStringLiteral("Printer port address"), methodBox, 6);
    methodLayout->addWidget(text14, 2, 2);
    top->addWidget(methodBox);

    // Speed and spacing.
    auto* speedBox = new QGroupBox(QStringLiteral("Speed"), this);
    auto* speedLayout = new QGridLayout(speedBox);
    speedLayout->addWidget(label("lblSpeed", QStringLiteral("WPM"), speedBox), 0, 0);
    text11 = field("Text11", QStringLiteral("WPM"), speedBox, 3);
    text11->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9:]*")), text11));
    speedLayout->addWidget(text11, 0, 1);
    auto* faster = button("Command2", QStringLiteral("Faster"), speedBox);
    auto* slower = button("Command3", QStringLiteral("Slower"), speedBox);
    speedLayout->addWidget(faster, 0, 2);
    speedLayout->addWidget(slower, 0, 3);
    speedLayout->addWidget(label("lblSpace", QStringLiteral("Word space"), speedBox), 1, 0);
    txtSpace = field("txtSpace", QStringLiteral("Word space"), speedBox, 3);
    txtSpace->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-./0-9:]*")), txtSpace));
    speedLayout->addWidget(txtSpace, 1, 1);
    auto* less = button("Command5", QStringLiteral("Less"), speedBox);
    auto* more = button("Command6", QStringLiteral("More"), speedBox);
    speedLayout->addWidget(less, 1, 2);
    speedLayout->addWidget(more, 1, 3);
    top->addWidget(speedBox);

    // Timing method.
    auto* timingBox = new QGroupBox(QStringLiteral("Timing"), this);
    auto* timingLayout = new QGridLayout(timingBox);
    optTimer = option("optTimer", QStringLiteral("Timer"), timingBox);
    optSleep = option("OptSleep", QStringLiteral("Sleep"), timingBox);
    optLoop = option("optLoop", QStringLiteral("Loop"), timingBox);
    timingLayout->addWidget(optTimer, 0, 0);
    timingLayout->addWidget(optSleep, 1, 0);
    timingLayout->addWidget(optLoop, 2, 0);
    lblLoop = label("lblLoop", QStringLiteral("Loops per 60 ms"), timingBox);
    timingLayout->addWidget(lblLoop, 0, 1, 1, 3);
    txtLoop = field("txtLoop", QStringLiteral("Loops per 60 ms"), timingBox, 10);
    txtLoop->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtLoop));
    timingLayout->addWidget(txtLoop, 1, 1);
    cmdLoopFaster = button("cmdLoopFaster", QStringLiteral("F"), timingBox);
    cmdLoopSlower = button("cmdLoopSlower", QStringLiteral("S"), timingBox);
    cmdLoopFaster->setAccessibleName(QStringLiteral("Faster loop"));
    cmdLoopSlower->setAccessibleName(QStringLiteral("Slower loop"));
    timingLayout->addWidget(cmdLoopFaster, 1, 2);
    timingLayout->addWidget(cmdLoopSlower, 1, 3);
    top->addWidget(timingBox);
    outer->addLayout(top);

    lblRealtime = label("lblRealtime",
                        QStringLiteral("The system refused real-time scheduling: CW timing may stretch "
                                       "while the computer is busy (see the README: rtprio limit)."),
                        this);
    lblRealtime->setWordWrap(true);
    lblRealtime->setStyleSheet(QStringLiteral("color: #a00000;"));
    lblRealtime->hide();
    outer->addWidget(lblRealtime);

    // The messages.
    auto* messages = new QGroupBox(QStringLiteral("Messages"), this);
    auto* grid = new QGridLayout(messages);
    static const char* const names[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6",
                                        "Text7", "Text8", "Text9", "Text12", "Text13"};
    for (int i = 0; i < 11; ++i) {
        const QString key = QStringLiteral("F%1").arg(i + 1);
        auto* l = new QLabel(key, messages);
        l->setObjectName(QStringLiteral("lblF_%1").arg(i + 1));
        auto* e = new QLineEdit(messages);
        e->setObjectName(QLatin1String(names[i]));
        e->setAccessibleName(key + QStringLiteral(" message"));
        messageFilter(e);
        l->setBuddy(e);
        grid->addWidget(l, i, 0);
        grid->addWidget(e, i, 1);
        messageFields[size_t(i)] = e;
    }
    grid->setColumnStretch(1, 1);
    auto* loopRow = new QHBoxLayout;
    loopRow->addWidget(label("lblCWLoop", QStringLiteral("Loop (Sec)"), messages));
    txtCWLoop = field("txtCWLoop", QStringLiteral("Loop (Sec)"), messages, 4);
    txtCWLoop->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), txtCWLoop));
    loopRow->addWidget(txtCWLoop);
    loopRow->addStretch(1);
    grid->addLayout(loopRow, 11, 1);
    outer->addWidget(messages, 1);

    auto* help = label("lblHelp",
                       QStringLiteral("Wildcards are $ for Call, * for RST  and # for Number (where applicable).\n"
                                      "A ! in the string enters the contact.\n"
                                      "Press the test command button to send the text in the F9 text box.\n"
                                      "Prosigns: \"=\" BT, \"[\" AR, \"\\\" CL, \"]\" SK, \";\" KN"),
                       this);
    help->setWordWrap(true);
    outer->addWidget(help);
    check1 = new QCheckBox(QStringLiteral("Display CW text on main form (NA for WinKey)."), this);
    check1->setObjectName(QStringLiteral("Check1"));
    check1->setAccessibleName(check1->text());
    outer->addWidget(check1);

    auto* buttons = new QHBoxLayout;
    lblSending = label("lblSending", QStringLiteral("Sending!"), this);
    lblSending->hide();
    buttons->addWidget(lblSending);
    buttons->addStretch(1);
    auto* practice = button("cmdCodePractice", QStringLiteral("Send Code Practice"), this);
    buttons->addWidget(practice);
    auto* test = button("Command4", QStringLiteral("&Test"), this);
    command1 = button("Command1", QStringLiteral("Done"), this);
    buttons->addWidget(test);
    buttons->addWidget(command1);
    outer->addLayout(buttons);

    connect(command1, &QPushButton::clicked, this, &CwSetupWindow::Command1_Click);
    connect(test, &QPushButton::clicked, this, &CwSetupWindow::Command4_Click);
    connect(practice, &QPushButton::clicked, this, &CwSetupWindow::codePractice);
    connect(cmdConfWinkey, &QPushButton::clicked, this, &CwSetupWindow::configureWinKey);
    connect(faster, &QPushButton::clicked, this, [this] { speedStep(+1); });
    connect(slower, &QPushButton::clicked, this, [this] { speedStep(-1); });
    connect(less, &QPushButton::clicked, this, [this] { spaceStep(-1); });
    connect(more, &QPushButton::clicked, this, [this] { spaceStep(+1); });
    for (QRadioButton* r : methodOptions)
        connect(r, &QRadioButton::toggled, this, [this, r](bool on) {
            if (r == methodOptions[4])
                cmdConfWinkey->setVisible(on);
            if (on && !loading)
                applyFields();
        });
    // The port opens when its field is left, as the option's does.
    connect(text10, &QLineEdit::editingFinished, this, [this] {
        if (!isNumber(text10->text()))
            text10->setText(QStringLiteral("0"));
        applyFields();
    });
    connect(text11, &QLineEdit::editingFinished, this, [this] {
        if (!isNumber(text11->text()))
            text11->setText(QStringLiteral("0"));
        applyFields();
    });
    connect(txtSpace, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (const auto v = parseNumber(t); v && *v < -8)
            txtSpace->setText(QStringLiteral("-8"));
    });
    connect(txtSpace, &QLineEdit::editingFinished, this, [this] {
        if (!isNumber(txtSpace->text()))
            txtSpace->setText(QStringLiteral("0"));
        applyFields();
    });
    connect(txtCWLoop, &QLineEdit::editingFinished, this, &CwSetupWindow::loopFieldLeft);
    connect(optTimer, &QRadioButton::toggled, this, [this](bool on) { if (on) chooseTiming(CwTiming::Timer); });
    connect(optSleep, &QRadioButton::toggled, this, [this](bool on) { if (on) chooseTiming(CwTiming::Sleep); });
    connect(optLoop, &QRadioButton::toggled, this, [this](bool on) { if (on) chooseTiming(CwTiming::Loop); });
    connect(txtLoop, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (const auto v = parseNumber(t)) {
            CwUserTiming u = control.timing();
            u.loopCount = *v;
            control.setTiming(u);
        }
    });
    auto loopScale = [this](double factor) {
        const double v = parseNumber(txtLoop->text()).value_or(0);
        txtLoop->setText(formatNumber(std::nearbyint(v * factor))); // half to even
        command1->setFocus();
    };
    connect(cmdLoopFaster, &QPushButton::clicked, this, [loopScale] { loopScale(0.9); });
    connect(cmdLoopSlower, &QPushButton::clicked, this, [loopScale] { loopScale(1.111111111111); });
}

void CwSetupWindow::showSettings(const CwSettings& s)
{
    loading = true;
    for (int i = 0; i < 11; ++i)
        messageFields[size_t(i)]->setText(s.messages[size_t(i)]);
    text10->setText(s.port);
    text11->setText(s.speed);
    txtSpace->setText(s.wordSpace);
    text14->setText(s.address);
    check1->setChecked(s.display);
    txtCWLoop->setText(s.repeatSeconds);
    const int index = s.method == KeyingMethod::Rts ? 1 : s.method == KeyingMethod::Dtr ? 2
                    : s.method == KeyingMethod::Printer ? 3 : s.method == KeyingMethod::WinKey ? 4
                    : s.method == KeyingMethod::Rig ? 5 : 0;
    methodOptions[size_t(index)]->setChecked(true);
    cmdConfWinkey->setVisible(index == 4);
    loading = false;
}

CwSettings CwSetupWindow::fieldSettings() const
{
    CwSettings s = control.settings();
    for (int i = 0; i < 11; ++i)
        s.messages[size_t(i)] = messageFields[size_t(i)]->text();
    s.port = text10->text();
    s.speed = text11->text();
    s.wordSpace = txtSpace->text();
    s.address = text14->text();
    s.display = check1->isChecked();
    s.repeatSeconds = txtCWLoop->text();
    static const KeyingMethod methods[] = {KeyingMethod::None, KeyingMethod::Rts, KeyingMethod::Dtr,
                                           KeyingMethod::Printer, KeyingMethod::WinKey, KeyingMethod::Rig};
    for (int i = 0; i < 6; ++i)
        if (methodOptions[size_t(i)]->isChecked())
            s.method = methods[i];
    return s;
}

void CwSetupWindow::showMethodNote(const QString& text)
{
    lblMethodNote->setText(text);
    lblMethodNote->setVisible(!text.isEmpty());
}

void CwSetupWindow::applyFields()
{
    control.applySettings(fieldSettings());
}

void CwSetupWindow::speedStep(int step)
{
    control.stepSpeed(step); // the field follows through speedChanged
}

void CwSetupWindow::spaceStep(int step)
{
    const std::optional<double> v = parseNumber(txtSpace->text());
    txtSpace->setText(v ? QString::number(std::max(-8, int(std::lround(*v)) + step)) : QStringLiteral("0"));
    applyFields();
}

void CwSetupWindow::loopFieldLeft()
{
    const std::optional<double> v = parseNumber(txtCWLoop->text());
    if (!v || *v < 0 || *v >= 60)
        txtCWLoop->setText(QStringLiteral("0"));
    applyFields();
}

void CwSetupWindow::chooseTiming(CwTiming t)
{
    const bool loop = t == CwTiming::Loop;
    for (QWidget* w : {static_cast<QWidget*>(txtLoop), static_cast<QWidget*>(lblLoop),
                       static_cast<QWidget*>(cmdLoopFaster), static_cast<QWidget*>(cmdLoopSlower)})
        w->setEnabled(loop);
    CwUserTiming u = control.timing();
    u.timing = t;
    if (loop && u.loopCount <= 0) {
        u.loopCount = CwKeyer::calibrateLoop();
        txtLoop->setText(formatNumber(u.loopCount));
    }
    control.setTiming(u);
}

void CwSetupWindow::Command1_Click()
{
    applyFields();
    QString why;
    const bool saved = control.save(&why);
    hide();
    if (!saved)
        dialogs.message(QStringLiteral("CW String Selections"),
                        QStringLiteral("The CW settings could not be saved: %1").arg(why),
                        {DialogButton::Ok}, DialogIcon::Warning);
    emit done();
}

void CwSetupWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command1_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CwSetupWindow::Command4_Click()
{
    applyFields();
    const CwSettings& s = control.settings();
    if ((s.method == KeyingMethod::Rts || s.method == KeyingMethod::Dtr) && s.portNumber() < 1) {
        beeper.beep();
        dialogs.message(QStringLiteral("A com port is required."),
                        QStringLiteral("Please enter a com port for CW rig interface."));
        text10->setFocus();
        return;
    }
    lblSending->show();
    control.FKeyCW(KeyF9);
    if (!control.CWSending())
        lblSending->hide();
    if (isVisible())
        messageFields[0]->setFocus();
}

} // namespace zelq
