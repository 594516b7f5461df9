#include "ui/BandPlanWindow.h"

#include "core/OperatorDialogs.h"
#include "ui/BandPlanChart.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zelq {

namespace {

struct ClassButton {
    const char* caption;
    const char* cls;
    const char* heading;
};
constexpr ClassButton Classes[6] = {
    {"Novice", "N", "Novice Frequency Privileges"},
    {"Technician", "T", "Technician Frequency Privileges"},
    {"Tech +", "P", "Technician Plus Frequency Privileges"},
    {"General", "G", "General Frequency Privileges"},
    {"Advanced", "A", "Advanced Frequency Privileges"},
    {"Extra", "E", "Extra Frequency Privileges"}};

QLabel* legend(const char* name, const QString& text, const QString& style, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(70);
    l->setStyleSheet(style);
    return l;
}

} // namespace

BandPlanWindow::BandPlanWindow(const QString& path, OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBandPlan"));
    setWindowTitle(QStringLiteral("Frequency Privileges"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    heading = new QLabel(this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont big = heading->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    heading->setFont(big);
    top->addWidget(heading, 1);
    top->addWidget(legend("lblCW", QStringLiteral("CW"),
                          QStringLiteral("background: rgb(0,0,255); color: white; border: 1px solid black"), this));
    top->addWidget(legend("lblPhone", QStringLiteral("Phone"),
                          QStringLiteral("background: rgb(0,255,0); color: black; border: 1px solid black"), this));
    outer->addLayout(top);
    effective = new QLabel(this);
    effective->setObjectName(QStringLiteral("lblEffective"));
    effective->setTextFormat(Qt::PlainText); // the file's own text
    outer->addWidget(effective);
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("lineSeparator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    outer->addWidget(line);

    chartWidget = new BandPlanChart(this);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        chartWidget->setScale(qMin(1.5, screen->geometry().width() / 640.0));
    outer->addWidget(chartWidget, 1);

    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        const ClassButton& c = Classes[i];
        auto* b = new QPushButton(QString::fromUtf8(c.caption), this);
        b->setObjectName(QStringLiteral("Command%1").arg(i + 1));
        b->setAccessibleName(QString::fromUtf8(c.caption));
        b->setAutoDefault(false);
        const QString cls = QString::fromLatin1(c.cls);
        connect(b, &QPushButton::clicked, this, [this, cls] { showClass(cls); });
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* done = new QPushButton(QStringLiteral("&Done"), this);
    done->setObjectName(QStringLiteral("Command7"));
    done->setAccessibleName(QStringLiteral("Done"));
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(done);
    outer->addLayout(buttons);
    resize(820, 640);

    plan = path.isEmpty() ? BandPlanFile{} : readBandPlanFile(path);
    if (!plan.ok) {
        plan.records.clear();
        dialogs.message(QStringLiteral("Band Data Not Available."),
                        QStringLiteral("Band data not available."), {DialogButton::Ok});
    }
    effective->setText(QStringLiteral("Frequencies Effective: ") + plan.effective);
    showClass(QStringLiteral("E"));
}

void BandPlanWindow::showClass(const QString& cls)
{
    for (const ClassButton& c : Classes)
        if (cls == QLatin1String(c.cls))
            heading->setText(QString::fromLatin1(c.heading));
    chartWidget->setPlan(plan.records, cls);
}

} // namespace zelq
