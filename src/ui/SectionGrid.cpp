#include "ui/SectionGrid.h"

#include "log/Bands.h"
#include "log/MultiplierRecords.h"
#include "log/SectionTable.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>

namespace zelq {

namespace {
constexpr int columns = 16;
}

SectionGrid::SectionGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("sectionGrid"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    QFont bold = font();
    bold.setBold(true);
    for (int i = 1; i <= SectionTable::Count; ++i) {
        auto* l = new QLabel(SectionTable::abbreviation(i), this);
        l->setObjectName(QStringLiteral("Label10_%1").arg(i));
        l->setToolTip(SectionTable::fullName(i));
        l->setAlignment(Qt::AlignCenter);
        l->setFont(bold);
        l->setFrameShape(QFrame::StyledPanel);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("NWTW")));
        l->setAutoFillBackground(true);
        l->setMouseTracking(true); // moves without a button held report the section
        l->installEventFilter(this);
        labels[size_t(i)] = l;
        grid->addWidget(l, (i - 1) / columns, (i - 1) % columns);
    }
}

QLabel* SectionGrid::label(int section) const
{
    return section >= 1 && section <= SectionTable::Count ? labels[size_t(section)] : nullptr;
}

void SectionGrid::setTextColour(int section, const QColor& colour)
{
    if (QLabel* l = label(section)) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
    }
}

QColor SectionGrid::textColour(int section) const
{
    const QLabel* l = label(section);
    return l ? l->palette().color(QPalette::WindowText) : QColor();
}

void SectionGrid::paintAll(const QColor& colour)
{
    for (int i = 1; i <= SectionTable::Count; ++i)
        setTextColour(i, colour);
}

void SectionGrid::ShowBandMultipliers(const SectionWorkedFlags& flags, const QString& band,
                                      const QColor& worked, const QColor& remaining)
{
    paintAll(remaining);
    const int b = bandIndex(band);
    if (!b)
        return;
    for (int i = 1; i <= SectionTable::Count; ++i)
        if (flags.worked(i, b))
            setTextColour(i, worked);
}

void SectionGrid::markWorked(int section, const QColor& worked)
{
    setTextColour(section, worked);
}

int SectionGrid::sectionOf(const QObject* label) const
{
    for (int i = 1; i <= SectionTable::Count; ++i)
        if (labels[size_t(i)] == label)
            return i;
    return 0;
}

bool SectionGrid::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) {
        if (const int i = sectionOf(watched)) {
            if (type == QEvent::MouseButtonRelease)
                emit sectionClicked(i);
            else
                emit sectionHovered(i);
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelq
