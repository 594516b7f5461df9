#include "ui/RatePanel.h"

#include <QGridLayout>
#include <QLabel>

namespace zelq {

namespace {

QLabel* rateLabel(const char* name, QWidget* parent)
{
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 5);
    return l;
}

} // namespace

RatePanel::RatePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ratePanel"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    lblAQSO60 = rateLabel("lblAQSO60", this);
    lblAQSO20 = rateLabel("lblAQSO20", this);
    grid->addWidget(new QLabel(QStringLiteral("Last 60 min"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Last 20 min x3"), this), 0, 1);
    grid->addWidget(lblAQSO60, 1, 0);
    grid->addWidget(lblAQSO20, 1, 1);
}

void RatePanel::show(const Rates& rates)
{
    lblAQSO60->setText(QString::number(rates.last60));
    lblAQSO20->setText(QString::number(rates.last20x3));
}

} // namespace zelq
