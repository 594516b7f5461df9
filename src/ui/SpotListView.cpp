#include "ui/SpotListView.h"

#include <QHeaderView>

namespace zelq {

namespace {

// Column widths as shares of the window's width (in 1/9600).
constexpr int WidthFigures[] = {1040, 880, 2000, 0, 3400, 520, 600, 520};

} // namespace

SpotListView::SpotListView(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("txtDX"));
    setAccessibleName(QStringLiteral("DX spots"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setHeaderLabels({QStringLiteral("Call"), QStringLiteral("Frequency"), QStringLiteral("QTH"),
                     QStringLiteral("Status"), QStringLiteral("Comments"), QStringLiteral("Prefix"),
                     QStringLiteral("Time"), QStringLiteral("From")});
    headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    headerItem()->setTextAlignment(3, Qt::AlignCenter);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    setMinimumHeight(90);
}

QTreeWidgetItem* SpotListView::itemFor(const SpotListRow& row)
{
    // QTreeWidgetItem shows its text as plain text: markup from a
    // cluster stays literal.
    auto* item = new QTreeWidgetItem(QStringList{row.call, row.frequency, row.qth,
                                                 row.worked ? QStringLiteral("Dupe") : row.status, row.comments,
                                                 row.prefix, row.time, row.from});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(3, Qt::AlignCenter);
    if (row.worked)
        for (int c = 0; c < 8; ++c)
            item->setForeground(c, QColor(150, 150, 150));
    return item;
}

void SpotListView::addRow(const SpotListRow& row)
{
    while (topLevelItemCount() >= SpotListRows)
        delete takeTopLevelItem(topLevelItemCount() - 1);
    insertTopLevelItem(0, itemFor(row));
}

void SpotListView::fill(const std::deque<SpotListRow>& rows)
{
    const int selected = currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
    clear();
    QList<QTreeWidgetItem*> items;
    for (const SpotListRow& r : rows)
        items.append(itemFor(r));
    addTopLevelItems(items);
    if (selected >= 0 && selected < topLevelItemCount())
        setCurrentItem(topLevelItem(selected));
}

QString SpotListView::selectedCall() const
{
    return currentItem() ? currentItem()->text(0) : QString();
}

QString SpotListView::selectedFrequency() const
{
    return currentItem() ? currentItem()->text(1) : QString();
}

void SpotListView::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    sizeColumns();
}

void SpotListView::sizeColumns()
{
    const int w = window()->width();
    for (int c = 0; c < 8; ++c)
        setColumnWidth(c, w * WidthFigures[c] / 9600);
}

} // namespace zelq
