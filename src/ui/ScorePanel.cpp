#include "ui/ScorePanel.h"

#include "ui/Labels.h"

#include "log/Bands.h"
#include "log/ContactCache.h"
#include "log/MultiplierRecords.h"
#include "score/ScoreRules.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <utility>

namespace zelq {

namespace {

// A bold number a little larger than the body text, right-aligned in a
// sunken panel wide enough for `minChars` digits.
QLabel* number(const char* name, QWidget* parent, int minChars)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    l->setFont(f);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QLatin1Char('0')) * minChars);
    return l;
}

} // namespace

ScorePanel::ScorePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("scorePanel"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* totals = new QGridLayout;
    lblTotCon = number("lblTotCon", this, 7);
    lblsectogo = number("lblsectogo", this, 5);
    lblTotScore = number("lblTotScore", this, 15);
    int column = 0;
    for (auto [caption, label] : {std::pair{"Contacts", lblTotCon}, std::pair{"Multipliers", lblsectogo},
                                  std::pair{"Score", lblTotScore}}) {
        totals->addWidget(headingLabel(QString::fromLatin1(caption), this), 0, column);
        totals->addWidget(label, 1, column);
        ++column;
    }
    auto* bandRow = new QHBoxLayout;
    auto* caption = headingLabel(QStringLiteral("Multipliers worked on current band:"), this);
    caption->setObjectName(QStringLiteral("Label4Caption"));
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label4 = number("Label4", this, 4);
    bandRow->addWidget(caption, 1);
    bandRow->addWidget(Label4);
    totals->addLayout(bandRow, 2, 0, 1, column);
    totals->setRowStretch(3, 1);
    outer->addLayout(totals, 3);

    auto* countries = new QVBoxLayout;
    lblStation_5 = headingLabel(QString(), this);
    lblStation_5->setObjectName(QStringLiteral("lblStation_5"));
    QFont bold = lblStation_5->font();
    bold.setBold(true);
    lblStation_5->setFont(bold);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Countries worked"));
    List1->setSelectionMode(QAbstractItemView::NoSelection);
    List1->setFocusPolicy(Qt::NoFocus);
    List1->setMinimumWidth(List1->fontMetrics().horizontalAdvance(QStringLiteral("Dominican Republic  ")));
    List1->setMinimumHeight(List1->fontMetrics().height() * 5);
    countries->addWidget(lblStation_5);
    countries->addWidget(List1, 1);
    outer->addLayout(countries, 2);
}

void ScorePanel::Labeldisplay(const ContactCache& cache, const MultiplierRecords& records,
                              const QString& band)
{
    const std::optional<ScoreTexts> t = zelq::Labeldisplay(cache, records, band);
    if (!t)
        return;
    lblTotCon->setText(t->totCon);
    lblsectogo->setText(t->sectogo);
    lblTotScore->setText(t->totScore);
    if (t->label4)
        Label4->setText(*t->label4);
}

void ScorePanel::ListRefresh(const MultiplierRecords& records, const QString& band)
{
    List1->clear();
    const int b = bandIndex(band);
    if (!b) {
        // No band, no list: a heading left from the last band would claim
        // countries the empty list does not show.
        lblStation_5->clear();
        return;
    }
    const QStringList& names = records.countries.countries(b);
    lblStation_5->setText(countryListHeading(band, int(names.size())));
    List1->addItems(names);
}

void ScorePanel::AddCountryMultiplier(const QString& country, int newCount, const QString& band)
{
    List1->addItem(country);
    lblStation_5->setText(countryListHeading(band, newCount));
}

} // namespace zelq
