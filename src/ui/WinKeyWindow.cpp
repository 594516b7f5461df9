#include "ui/WinKeyWindow.h"

#include "core/OperatorDialogs.h"
#include "keying/WinKeyer.h"
#include "ui/FormControls.h"
#include "ui/PortsWindow.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace zelq {

namespace {

QLabel* label(const char* name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

const QString ClosedText = QStringLiteral("Closed");
const QString VersionText = QStringLiteral("Version #");

} // namespace

WinKeyWindow::WinKeyWindow(WinKeyer& k, OperatorDialogs& d, DeviceRegistry& r, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), keyer(k), dialogs(d), registry(r), installFolder(std::move(folder))
{
    setObjectName(QStringLiteral("frmWinKey"));
    setWindowTitle(QStringLiteral(" WinKey Setup"));
    buildLayout();
    connect(&keyer, &WinKeyer::opened, this, &WinKeyWindow::showOpenResult);
    connect(&keyer, &WinKeyer::closed, this, &WinKeyWindow::showClosed);
    connect(&keyer, &WinKeyer::settingsChanged, this, &WinKeyWindow::showSettings);
    showSettings();
}

QLineEdit* WinKeyWindow::numberField(const char* name, const QString& caption, const QString& hint, int row)
{
    auto* grid = static_cast<QGridLayout*>(fieldsBox->layout());
    auto* l = new QLabel(caption, fieldsBox);
    l->setObjectName(QStringLiteral("lbl_%1").arg(QLatin1String(name)));
    QLineEdit* e = form::edit(name, QString(caption).remove(QLatin1Char('&')), fieldsBox);
    l->setBuddy(e);
    // Digits only (Backspace still edits).
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 6);
    grid->addWidget(l, row, 0);
    grid->addWidget(e, row, 1);
    if (!hint.isEmpty()) {
        e->setToolTip(hint);
        e->setAccessibleDescription(hint);
        auto* h = label("", hint, fieldsBox);
        h->setObjectName(QStringLiteral("lblHint_%1").arg(QLatin1String(name)));
        h->setWordWrap(true);
        grid->addWidget(h, row, 2);
    }
    return e;
}

void WinKeyWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("Settings"), this);
    fieldsBox = box;
    auto* grid = new QGridLayout(box);
    txtWKComPort = numberField("txtWKComPort", QStringLiteral("Com &Port"), QString(), 0);
    QPushButton* ports = form::button("cmdPorts", QStringLiteral("Ports…"), box);
    connect(ports, &QPushButton::clicked, this, [this] {
        PortsWindow w(registry, installFolder, dialogs, this);
        w.exec();
    });
    grid->addWidget(ports, 0, 2, Qt::AlignLeft);
    txtWKWPM = numberField("txtWKWPM", QStringLiteral("&Speed (WPM)"), QString(), 1);
    txtWeight = numberField("txtWeight", QStringLiteral("&Weight"),
                            QStringLiteral("Proportional amount added or subtracted (50 is standard)."), 2);
    txtLeadIn = numberField("txtLeadIn", QStringLiteral("&Lead In"),
                            QStringLiteral("Lead in time for transmitter (10 ms increments)."), 3);
    txtTail = numberField("txtTail", QStringLiteral("&Tail"),
                          QStringLiteral("Tail time after keying has stopped (10 ms increments)."), 4);
    txtRatio = numberField("txtRatio", QStringLiteral("&Ratio"),
                           QStringLiteral("Ratio of dits to dahs (Range: 33 - 66)."), 5);
    outer->addWidget(box);

    connect(txtWKComPort, &QLineEdit::editingFinished, this, &WinKeyWindow::portLeft);
    const std::pair<WinKeyField, QLineEdit*> fields[] = {{WinKeyField::Speed, txtWKWPM},
                                                         {WinKeyField::Weight, txtWeight},
                                                         {WinKeyField::LeadIn, txtLeadIn},
                                                         {WinKeyField::Tail, txtTail},
                                                         {WinKeyField::Ratio, txtRatio}};
    for (const auto& [f, e] : fields)
        connect(e, &QLineEdit::editingFinished, this, [this, f = f, e = e] { fieldLeft(f, e); });

    auto* options = new QHBoxLayout;
    options->addWidget(form::optionGroup(this, QStringLiteral("Pin 5 Configuration"),
                                         {{"optPTT", "PTT", "5"},
                                          {"optTone", "Tone", "6"},
                                          {"optP3KeyOut", "P5 Off, P3 Key Out", "4"},
                                          {"optP5KeyOut", "P5 Key Out, P3 Off", "8"}},
                                         pins));
    options->addWidget(form::optionGroup(this, QStringLiteral("Keyer Mode"),
                                         {{"optIambicA", "Iambic A", "16"},
                                          {"optIambicB", "Iambic B", "0"},
                                          {"optUltimatic", "Ultimatic", "32"},
                                          {"optBug", "Bug Keyer", "48"}},
                                         modes));
    connect(pins, &QButtonGroup::idClicked, this,
            [this](int) { keyer.setPinConfig(form::checkedValue(pins).toInt()); });
    connect(modes, &QButtonGroup::idClicked, this,
            [this](int) { keyer.setKeyerMode(form::checkedValue(modes).toInt()); });
    outer->addLayout(options);

    auto* status = new QGridLayout;
    status->addWidget(label("lblStatusCaption", QStringLiteral("WinKey Status:"), this), 0, 0);
    lblOpenStatus = label("lblOpenStatus", ClosedText, this);
    lblOpenStatus->setAccessibleName(QStringLiteral("WinKey Status"));
    status->addWidget(lblOpenStatus, 0, 1);
    lblVersion = label("lblVersion", VersionText, this);
    status->addWidget(lblVersion, 0, 2);
    lblPortNote = label("lblPortNote", QString(), this);
    lblPortNote->setWordWrap(true);
    lblPortNote->hide();
    status->addWidget(lblPortNote, 1, 0, 1, 3);
    outer->addLayout(status);

    auto* typeAhead = new QHBoxLayout;
    auto* typeLabel = new QLabel(QStringLiteral("T&ype ahead"), this);
    typeLabel->setObjectName(QStringLiteral("lblTypeAhead"));
    text1 = form::edit("Text1", QStringLiteral("Type ahead"), this);
    typeLabel->setBuddy(text1);
    text1->installEventFilter(this);
    typeAhead->addWidget(typeLabel);
    typeAhead->addWidget(text1);
    outer->addLayout(typeAhead);

    auto* buttons = new QHBoxLayout;
    QPushButton* open = form::button("cmdOpenWinkey", QStringLiteral("Open"), this);
    QPushButton* close = form::button("cmdCloseWinkey", QStringLiteral("Close"), this);
    QPushButton* stop = form::button("cmdStop", QStringLiteral("Stop"), this);
    QPushButton* test = form::button("Command3", QStringLiteral("Test"), this);
    QPushButton* bufferTest = form::button("Command1", QStringLiteral("Buffer Test"), this);
    cmdDone = form::button("cmdDone", QStringLiteral("&Done"), this);
    connect(open, &QPushButton::clicked, this, &WinKeyWindow::cmdOpenWinkey_Click);
    connect(close, &QPushButton::clicked, this, &WinKeyWindow::cmdCloseWinkey_Click);
    connect(stop, &QPushButton::clicked, this, &WinKeyWindow::cmdStop_Click);
    connect(test, &QPushButton::clicked, this, &WinKeyWindow::Command3_Click);
    connect(bufferTest, &QPushButton::clicked, this, &WinKeyWindow::Command1_Click);
    connect(cmdDone, &QPushButton::clicked, this, &WinKeyWindow::cmdDone_Click);
    for (QPushButton* b : {open, close, stop, test, bufferTest, cmdDone})
        buttons->addWidget(b);
    outer->addLayout(buttons);
}

void WinKeyWindow::showSettings()
{
    const WinKeySettings& s = keyer.settings();
    // A field being typed in keeps what is typed until it is left.
    auto show = [](QLineEdit* e, const QString& text) {
        if (!e->hasFocus() && e->text() != text)
            e->setText(text);
    };
    show(txtWKComPort, QString::number(s.port));
    show(txtWKWPM, s.speed);
    show(txtWeight, s.weight);
    show(txtLeadIn, s.leadIn);
    show(txtTail, s.tail);
    show(txtRatio, s.ratio);
    form::selectOption(pins, QString::number(s.pinConfig));
    form::selectOption(modes, QString::number(s.keyerMode));
}

void WinKeyWindow::fieldLeft(WinKeyField f, QLineEdit* e)
{
    const QString text = keyer.applyField(f, e->text());
    if (text != e->text())
        e->setText(text);
}

void WinKeyWindow::portLeft()
{
    const int port = portFromText(txtWKComPort->text());
    keyer.setPort(port);
    if (QString::number(port) != txtWKComPort->text())
        txtWKComPort->setText(QString::number(port));
}

void WinKeyWindow::focusDone()
{
    if (isVisible())
        cmdDone->setFocus();
}

void WinKeyWindow::showOpenResult(int code)
{
    const QString text = WinKeyer::resultText(code);
    if (!text.isEmpty())
        lblOpenStatus->setText(text);
    if (code != WinKeyer::AlreadyOpen && keyer.WinKeyVersion() != 0) {
        lblVersion->setText(QStringLiteral("Version # %1").arg(keyer.WinKeyVersion()));
        lblPortNote->hide();
    }
    focusDone();
}

void WinKeyWindow::showClosed(const QString& reason)
{
    lblOpenStatus->setText(ClosedText);
    lblVersion->setText(VersionText);
    lblPortNote->setText(reason.isEmpty() ? QString() : QStringLiteral("WinKey lost: %1").arg(reason));
    lblPortNote->setVisible(!reason.isEmpty());
}

void WinKeyWindow::cmdOpenWinkey_Click()
{
    portLeft();
    keyer.open();
}

void WinKeyWindow::cmdCloseWinkey_Click()
{
    keyer.close();
    showClosed(QString());
    focusDone();
}

void WinKeyWindow::cmdStop_Click()
{
    keyer.stop();
    focusDone();
}

void WinKeyWindow::cmdDone_Click()
{
    portLeft();
    hide();
    QString error;
    if (!keyer.save(&error))
        dialogs.message(QStringLiteral("WinKey Setup"),
                        QStringLiteral("Could not save %1: %2").arg(WinKeySettings::fileName(), error),
                        {DialogButton::Ok}, DialogIcon::Warning);
    emit done();
}

void WinKeyWindow::Command3_Click()
{
    keyer.send(QStringLiteral("VVV TEST DE ") + (ownCall ? ownCall() : QString()));
}

void WinKeyWindow::Command1_Click()
{
    QString letters;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters += QLatin1Char(c);
    letters += QLatin1Char(' ');
    keyer.send(letters.repeated(3));
}

void WinKeyWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdDone_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The type-ahead field: each typed character goes to the keyer at once,
// letters as capitals.
bool WinKeyWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (typed.size() == 1 && typed.at(0).unicode() > 13 && typed.at(0).isPrint()
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QChar c = typed.at(0);
            if (c.unicode() >= 'a' && c.unicode() <= 'z')
                c = c.toUpper();
            text1->insert(QString(c));
            keyer.send(QString(c));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelq
