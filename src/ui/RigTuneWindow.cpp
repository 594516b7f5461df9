#include "ui/RigTuneWindow.h"

#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "settings/QuotedFile.h"
#include "ui/RigWindow.h"

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
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace zelq {

namespace {

struct BandButton {
    const char* caption;
    const char* mhz;
};
constexpr BandButton Bands[16] = {
    {"160", "1.9"},   {"80", "3.75"},  {"60", "5.368"}, {"40", "7.15"},
    {"30", "10.13"},  {"20", "14.175"}, {"17", "18.118"}, {"15", "21.225"},
    {"12", "24.94"},  {"10", "28.5"},  {"6", "52"},     {"2", "146"},
    {"1.25", "223.5"}, {"70", "435"},  {"33", "915"},   {"23", "1270"}};

struct TuneStep {
    const char* caption;
    double mhz;
};
// Even index up, odd index down.
constexpr TuneStep Steps[5] = {{"10 Hz", 0.00001}, {"1 MHz", 1}, {"5 KHz", 0.005},
                               {"1 KHz", 0.001},   {"100 Hz", 0.0001}};

struct ScanStep {
    const char* name;
    const char* caption;
    double mhz;
};
constexpr ScanStep ScanSteps[5] = {{"Option1", "500 Hz", 0.0005},
                                   {"Option2", "100 Hz", 0.0001},
                                   {"Option3", "30 Hz", 0.00003},
                                   {"Option4", "10 Hz", 0.00001},
                                   {"Option5", "2.5 KHz", 0.0025}};

QString trimmedDecimals(QString s)
{
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

// A stepped frequency as plain decimal text (no binary tails such as
// 14.025010000000002).
QString stepText(double mhz)
{
    return trimmedDecimals(QString::number(mhz, 'f', 9));
}

std::optional<float> number(const QLineEdit* box)
{
    const std::optional<double> v = parseNumber(box->text());
    if (!v)
        return std::nullopt;
    return float(*v);
}

QPushButton* button(const QString& name, const QString& caption, const QString& accessible,
                    QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* box(const char* name, const QString& text, const QString& accessible, QWidget* parent)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(accessible);
    return e;
}

} // namespace

QString scanFrequencyText(float mhz)
{
    return trimmedDecimals(QString::number(double(mhz), 'f', 5));
}

float nextScanFrequency(float current, float from, float to, float step)
{
    const float next = current + step;
    return next > to ? from : next;
}

RigTuneWindow::RigTuneWindow(RigWindow& r, QWidget* parent) : QDialog(parent), rig(r)
{
    setObjectName(QStringLiteral("frmRigTune"));
    setWindowTitle(QStringLiteral("Change Frequency and Mode (Ctrl G (Go))"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    build();
    timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(ScanIntervalMs);
    connect(timer1, &QTimer::timeout, this, &RigTuneWindow::Timer1_Timer);
    timer1->start();
    frequencyEdited();
    txtFreq->setFocus();
}

void RigTuneWindow::build()
{
    auto* outer = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* freqLabel = new QLabel(QStringLiteral("Frequency in MHz:"), this);
    txtFreq = box("txtFreq", QString(), QStringLiteral("Frequency in MHz:"), this);
    freqLabel->setBuddy(txtFreq);
    command1 = button(QStringLiteral("Command1"), QStringLiteral("&Go"), QStringLiteral("Go"), this);
    top->addWidget(freqLabel);
    top->addWidget(txtFreq, 1);
    top->addWidget(command1);
    outer->addLayout(top);

    auto* bands = new QGroupBox(QStringLiteral("Bands"), this);
    auto* bandGrid = new QGridLayout(bands);
    for (int i = 0; i < 16; ++i) {
        const QString caption = QString::fromLatin1(Bands[i].caption);
        QPushButton* b = button(QStringLiteral("cmdBand_%1").arg(i), caption,
                                QStringLiteral("Band %1").arg(caption), bands);
        b->setToolTip(QString::fromLatin1(Bands[i].mhz) + QStringLiteral(" MHz"));
        bandGrid->addWidget(b, i / 8, i % 8);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdBand_Click(i); });
    }
    outer->addWidget(bands);

    auto* tune = new QGroupBox(QStringLiteral("Tune"), this);
    auto* tuneGrid = new QGridLayout(tune);
    tuneGrid->addWidget(new QLabel(QStringLiteral("Up"), tune), 0, 0);
    tuneGrid->addWidget(new QLabel(QStringLiteral("Down"), tune), 1, 0);
    for (int i = 0; i < 10; ++i) {
        const QString caption = QString::fromLatin1(Steps[i / 2].caption);
        const bool up = i % 2 == 0;
        QPushButton* b = button(QStringLiteral("cmdTune_%1").arg(i),
                                (up ? QStringLiteral("▲ ") : QStringLiteral("▼ ")) + caption,
                                caption + (up ? QStringLiteral(" up") : QStringLiteral(" down")),
                                tune);
        tuneGrid->addWidget(b, up ? 0 : 1, 1 + i / 2);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdTune_Click(i); });
        steps.append(b);
    }
    outer->addWidget(tune);

    auto* modes = new QGroupBox(QStringLiteral("Mode"), this);
    auto* modeRow = new QHBoxLayout(modes);
    for (const char* m : {"AM", "CW", "FM", "LSB", "RTTY", "USB"}) {
        const QString mode = QString::fromLatin1(m);
        QPushButton* b = button(QStringLiteral("cmd") + mode, QStringLiteral("&") + mode, mode, modes);
        modeRow->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, mode] { modeButton(mode); });
    }
    outer->addWidget(modes);

    auto* scan = new QGroupBox(QStringLiteral("Scan"), this);
    auto* scanGrid = new QGridLayout(scan);
    chkScan = new QCheckBox(QStringLiteral("Scan"), scan);
    chkScan->setObjectName(QStringLiteral("chkScan"));
    chkScan->setAccessibleName(QStringLiteral("Scan"));
    scanGrid->addWidget(chkScan, 0, 0);
    auto* fromLabel = new QLabel(QStringLiteral("From (MHz):"), scan);
    txtFrom = box("txtFrom", QStringLiteral("1.8"), QStringLiteral("Scan from (MHz)"), scan);
    fromLabel->setBuddy(txtFrom);
    auto* toLabel = new QLabel(QStringLiteral("To (MHz):"), scan);
    txtTo = box("txtTo", QStringLiteral("54"), QStringLiteral("Scan to (MHz)"), scan);
    toLabel->setBuddy(txtTo);
    scanGrid->addWidget(fromLabel, 0, 1);
    scanGrid->addWidget(txtFrom, 0, 2);
    scanGrid->addWidget(toLabel, 0, 3);
    scanGrid->addWidget(txtTo, 0, 4);
    auto* stepBox = new QGroupBox(QStringLiteral("Scan Steps"), scan);
    auto* stepRow = new QHBoxLayout(stepBox);
    scanSteps = new QButtonGroup(stepBox);
    for (int i = 0; i < 5; ++i) {
        auto* o = new QRadioButton(QString::fromLatin1(ScanSteps[i].caption), stepBox);
        o->setObjectName(QString::fromLatin1(ScanSteps[i].name));
        o->setAccessibleName(QStringLiteral("Scan step ") + QString::fromLatin1(ScanSteps[i].caption));
        scanSteps->addButton(o, i);
        stepRow->addWidget(o);
    }
    scanSteps->button(3)->setChecked(true); // 10 Hz
    scanGrid->addWidget(stepBox, 1, 0, 1, 5);
    outer->addWidget(scan);

    cmdDone = button(QStringLiteral("cmdDone"), QStringLiteral("&Done"), QStringLiteral("Done"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdDone);
    outer->addLayout(bottom);

    connect(command1, &QPushButton::clicked, this, &RigTuneWindow::Go);
    connect(cmdDone, &QPushButton::clicked, this, &QDialog::accept);
    connect(chkScan, &QCheckBox::clicked, this, &RigTuneWindow::chkScan_Click);
    connect(txtFreq, &QLineEdit::textChanged, this, &RigTuneWindow::frequencyEdited);

    // The window sees every key before its controls: any key stops a scan,
    // and the number boxes take only digits, ".", "/" and Backspace.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool RigTuneWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (chkScan->isChecked()) {
        chkScan->setChecked(false);
        if (key->key() == Qt::Key_Escape)
            return true; // Esc stops the scan and leaves the window open
    }
    if (watched == txtFreq && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        Go();
        txtFreq->setFocus();
        txtFreq->end(false);
        return true;
    }
    if (watched == txtFreq || watched == txtFrom || watched == txtTo) {
        const QString text = key->text();
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || text.isEmpty())
            return false; // moving about is no character
        const ushort c = text.at(0).unicode();
        const bool accepted = text.size() == 1 && (c == 8 || (c >= 46 && c <= 57));
        return !accepted;
    }
    return QDialog::eventFilter(watched, event);
}

void RigTuneWindow::frequencyEdited()
{
    const bool isNumber = number(txtFreq).has_value();
    for (QPushButton* b : steps)
        b->setEnabled(isNumber);
}

void RigTuneWindow::Go()
{
    const std::optional<float> mhz = number(txtFreq);
    if (!mhz || rig.RigType() == RigTypes::None)
        return;
    rig.ChangeFrequency(*mhz);
}

void RigTuneWindow::cmdBand_Click(int index)
{
    if (index < 0 || index >= 16)
        return;
    txtFreq->setText(QString::fromLatin1(Bands[index].mhz));
    Go();
}

void RigTuneWindow::cmdTune_Click(int index)
{
    const std::optional<double> v = parseNumber(txtFreq->text());
    if (!v || index < 0 || index >= 10)
        return;
    const double change = Steps[index / 2].mhz * (index % 2 == 0 ? 1 : -1);
    txtFreq->setText(stepText(*v + change));
    Go();
    cmdDone->setFocus();
}

void RigTuneWindow::modeButton(const QString& mode)
{
    rig.ChangeMode(0, mode);
    cmdDone->setFocus();
}

void RigTuneWindow::chkScan_Click()
{
    if (chkScan->isChecked() && !number(txtFreq))
        txtFreq->setText(txtFrom->text());
    command1->setFocus();
}

double RigTuneWindow::scanStep() const
{
    const int i = scanSteps->checkedId();
    return (i >= 0 && i < 5) ? ScanSteps[i].mhz : ScanSteps[3].mhz;
}

void RigTuneWindow::Timer1_Timer()
{
    if (!chkScan->isChecked())
        return;
    const std::optional<float> from = number(txtFrom);
    const std::optional<float> to = number(txtTo);
    const std::optional<float> current = number(txtFreq);
    if (!from || !to || !current)
        return;
    // The radio is still being told the last step: this tick is skipped.
    if (rig.link().commander().isBusy())
        return;
    txtFreq->setText(scanFrequencyText(nextScanFrequency(*current, *from, *to, float(scanStep()))));
    Go();
}

} // namespace zelq
