#include "ui/SectionGrid.h"

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

bool SectionGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 1; i <= SectionTable::Count; ++i)
            if (labels[size_t(i)] == watched) {
                emit sectionClicked(i);
                break;
            }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelq
