#include "ui/ContactListView.h"

#include "log/ContactCache.h"
#include "score/ContactList.h"

#include <QClipboard>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace zelq {

namespace {

// Widest text each column usually holds, for its width before the first
// fill.
const char* const columnSamples[] = {"00000", "WW0WWW/WW", "WWWWWWWWW", "WWWWW", "Cont",
                                     "00/00 00:00", "160", "WWWWWWWWW", "Tr0"};

// Text widths for a whole list at once: the sum of the characters' own
// advances (kept per character). Kerning only narrows a text, so the sum is
// its width or a little more, and far cheaper than shaping every cell.
// Texts outside Latin-1 are measured whole.
class WidthGauge {
public:
    explicit WidthGauge(const QFont& font) : fm(font) { latin.fill(-1); }

    int operator()(const QString& text)
    {
        qreal w = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= latin.size())
                return int(std::ceil(std::max(w, fm.horizontalAdvance(text))));
            qreal& a = latin[u];
            if (a < 0)
                a = fm.horizontalAdvance(c);
            w += a;
        }
        return int(std::ceil(w));
    }

private:
    QFontMetricsF fm;
    std::array<qreal, 256> latin;
};

} // namespace

ContactListView::ContactListView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("contactListView"));

    listView = new QTreeWidget(this);
    listView->setObjectName(QStringLiteral("ListView1"));
    listView->setColumnCount(int(contactListHeaders().size()));
    listView->setHeaderLabels(contactListHeaders());
    listView->setRootIsDecorated(false);
    listView->setItemsExpandable(false);
    listView->setUniformRowHeights(true);
    listView->setAllColumnsShowFocus(true);
    listView->setSelectionMode(QAbstractItemView::SingleSelection);
    listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView->setSortingEnabled(false);
    listView->setAlternatingRowColors(true);

    QHeaderView* header = listView->header();
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    sizeColumns(true);

    cmdList = new QPushButton(this);
    cmdList->setObjectName(QStringLiteral("cmdList"));
    Command2 = new QPushButton(this);
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {cmdList, Command2})
        b->setFocusPolicy(Qt::NoFocus); // the focus goes back to the call field anyway
    updateCaptions();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdList);
    buttons->addWidget(Command2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listView, 1);
    layout->addLayout(buttons);

    connect(cmdList, &QPushButton::clicked, this, &ContactListView::cmdList_Click);
    connect(Command2, &QPushButton::clicked, this, &ContactListView::Command2_Click);
    connect(header, &QHeaderView::sectionClicked, this, &ContactListView::sortOnce);

    // A click on an item selects it (press) and is reported; a click on the
    // item already selected is reported too, once.
    connect(listView, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (itemCount() > 0 && selectedRow() > 0) {
            selectedByPress = true;
            emit itemSelected();
        }
    });
    connect(listView, &QTreeWidget::itemClicked, this, [this] {
        if (!selectedByPress && itemCount() > 0 && selectedRow() > 0)
            emit itemSelected();
        selectedByPress = false;
    });

    listView->installEventFilter(this);
    listView->viewport()->installEventFilter(this);
    header->viewport()->installEventFilter(this);
}

void ContactListView::updateCaptions()
{
    cmdList->setText(allRows ? QStringLiteral("All") : QStringLiteral("Last 20"));
    Command2->setText(allBands ? QStringLiteral("All Bands") : QStringLiteral("Current Band"));
}

void ContactListView::FillContactList(const ContactCache& cache, const QString& band)
{
    source = &cache;
    lastBand = band;
    listView->clear();
    selectedByPress = false;
    QList<QTreeWidgetItem*> items;
    for (int row : FillContactListRows(cache, band, allRows, allBands))
        items.append(new QTreeWidgetItem(contactListItem(cache, row)));
    listView->addTopLevelItems(items);
    sizeColumns(false);
}

int ContactListView::cellMargin() const
{
    // What an item cell adds to its text (the style's text margins), as the
    // item delegate measures it; one pixel more for rounding.
    QStyleOptionViewItem opt;
    opt.initFrom(listView);
    opt.font = listView->font();
    opt.fontMetrics = QFontMetrics(opt.font);
    opt.features = QStyleOptionViewItem::HasDisplay;
    opt.text = QStringLiteral("M");
    const int cell = listView->style()
                         ->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), listView)
                         .width();
    return std::max(0, cell - opt.fontMetrics.horizontalAdvance(opt.text)) + 1;
}

void ContactListView::sizeColumns(bool fromScratch)
{
    QHeaderView* header = listView->header();
    const QFontMetrics fm(listView->font());
    WidthGauge width(listView->font());
    const int margin = cellMargin();
    const int columns = listView->columnCount();
    std::vector<int> want(size_t(columns), 0);
    for (int c = 0; c < columns; ++c)
        want[size_t(c)] = std::max(header->sectionSizeHint(c),
                                   width(QLatin1String(columnSamples[c])) + margin);
    for (int i = 0; i < listView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = listView->topLevelItem(i);
        for (int c = 0; c < columns; ++c)
            want[size_t(c)] = std::max(want[size_t(c)], width(item->text(c)) + margin);
    }
    // A refill only widens: a column the operator widened stays so. New
    // fonts start over.
    int total = 0;
    for (int c = 0; c < columns; ++c) {
        const int w = fromScratch ? want[size_t(c)]
                                  : std::max(want[size_t(c)], header->sectionSize(c));
        if (w != header->sectionSize(c))
            header->resizeSection(c, w);
        total += w;
    }
    listView->setMinimumWidth(total / 2);
    listView->setMinimumHeight(fm.height() * 8);
}

void ContactListView::refill()
{
    if (source)
        FillContactList(*source, currentBand ? currentBand() : lastBand);
}

void ContactListView::cmdList_Click()
{
    allRows = !allRows;
    updateCaptions();
    refill();
    emit focusCallRequested();
}

void ContactListView::Command2_Click()
{
    allBands = !allBands;
    updateCaptions();
    refill();
    emit focusCallRequested();
}

int ContactListView::itemCount() const
{
    return listView->topLevelItemCount();
}

int ContactListView::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = listView->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->text(0).toInt();
}

void ContactListView::sortOnce(int column)
{
    listView->sortItems(column, Qt::AscendingOrder);
}

QString ContactListView::clipboardText() const
{
    QList<QStringList> items;
    items.reserve(itemCount());
    for (int i = 0; i < itemCount(); ++i) {
        const QTreeWidgetItem* item = listView->topLevelItem(i);
        QStringList texts;
        for (int c = 0; c < listView->columnCount(); ++c)
            texts << item->text(c);
        items.append(texts);
    }
    return contactListClipboardText(items);
}

void ContactListView::copyToClipboard()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(clipboardText());
}

bool ContactListView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (watched == listView->viewport()) {
            selectedByPress = false;
            emit listClicked();
        } else if (watched == listView->header()->viewport()) {
            emit listClicked();
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == listView->viewport()
            && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && itemCount() > 0
            && selectedRow() > 0)
            emit editRequested();
        break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
        // The form size scales the fonts after the window is built.
        if (watched == listView)
            sizeColumns(true);
        break;
    case QEvent::FocusOut:
        if (watched == listView && itemCount() > 0)
            emit listFocusLost();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelq
