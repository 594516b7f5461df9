#include "ui/ContactListView.h"

#include "log/ContactCache.h"
#include "ui/ContactListModel.h"
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
#include <QItemSelectionModel>
#include <QTreeView>
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

} // namespace

// Text widths for a whole list at once: the sum of the characters' own
// advances (kept per character). Kerning only narrows a text, so the sum is
// its width or a little more, and far cheaper than shaping every cell.
// Texts outside Latin-1 are measured whole.
class ContactListView::WidthGauge {
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

ContactListView::ContactListView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("contactListView"));

    rowsModel = new ContactListModel(this);
    listView = new QTreeView(this);
    listView->setObjectName(QStringLiteral("ListView1"));
    listView->setAccessibleName(QStringLiteral("Contacts"));
    listView->setModel(rowsModel);
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
    connect(listView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (itemCount() > 0 && selectedRow() > 0) {
            selectedByPress = true;
            emit itemSelected();
        }
    });
    connect(listView, &QTreeView::clicked, this, [this] {
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
    selectedByPress = false;
    rowsModel->setRows(&cache, FillContactListRows(cache, band, allRows, allBands));
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
    const int columns = rowsModel->columnCount();
    if (fromScratch || source != measuredCache || !source
        || source->revision() != measuredRevision || source->count() < measuredRows) {
        measured.assign(size_t(columns), 0);
        measuredCache = source;
        measuredRevision = source ? source->revision() : 0;
        measuredRows = 0;
        measuredInserts = 0;
    }
    WidthGauge rowGauge(listView->font());
    gauge = &rowGauge;
    digitWidth = -1;
    measureRows();
    gauge = nullptr;
    const int margin = cellMargin();
    WidthGauge width(listView->font());
    std::vector<int> want(size_t(columns), 0);
    for (int c = 0; c < columns; ++c)
        want[size_t(c)] = std::max({header->sectionSizeHint(c),
                                    width(QLatin1String(columnSamples[c])) + margin,
                                    measured[size_t(c)] + margin});
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

void ContactListView::measureRows()
{
    if (!source)
        return;
    const int added = source->count() - measuredRows;
    if (added <= 0 && measuredInserts == source->middleInsertCount())
        return;
    // rows added at the end, and those put among earlier ones
    for (int r = std::max(1, source->count() - added + 1); r <= source->count(); ++r)
        measureRow(r);
    for (int r : source->middleInsertedRows(measuredInserts))
        measureRow(r);
    measuredRows = source->count();
    measuredInserts = source->middleInsertCount();
}

void ContactListView::measureRow(int r)
{
    WidthGauge& width = *gauge;
    const auto widen = [this](int column, int w) {
        int& m = measured[size_t(column)];
        m = std::max(m, w);
    };
    if (digitWidth < 0) {
        digitWidth = 0;
        for (char d = '0'; d <= '9'; ++d)
            digitWidth = std::max(digitWidth, width(QString(QLatin1Char(d))));
        usualDateTimeWidth = digitWidth * 8 + width(QStringLiteral("/ :"));
    }
    // Rec#: the most digits, each as wide as the widest digit.
    widen(0, digitWidth * int(QString::number(source->count()).size()));
    // A date and time as stored ("yyyy/MM/dd", "hh:mm:ss") show in a fixed
    // shape; anything else is shown, and measured, as it is.
    const Contact& c = source->row(r);
    const bool usual = c.flddate.size() == 10 && c.flddate.at(4) == QLatin1Char('/')
        && c.flddate.at(7) == QLatin1Char('/') && (c.fldtime.size() == 8 || c.fldtime.size() == 5)
        && c.fldtime.at(2) == QLatin1Char(':');
    widen(1, width(c.calls));
    widen(2, width(c.namerec));
    widen(3, width(c.spc));
    widen(4, width(c.cont));
    widen(5, usual ? usualDateTimeWidth : width(contactListDateTime(c.flddate, c.fldtime)));
    widen(6, width(c.uband));
    widen(7, width(c.namesent));
    widen(8, width(c.trn));
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
    return rowsModel->rowCount();
}

int ContactListView::selectedRow() const
{
    const QModelIndexList selected = listView->selectionModel()->selectedRows();
    if (selected.isEmpty() || selected.first().row() >= itemCount())
        return 0;
    return rowsModel->recordAt(selected.first().row());
}

void ContactListView::sortOnce(int column)
{
    rowsModel->sortOnce(column);
}

QString ContactListView::clipboardText() const
{
    QList<QStringList> items;
    items.reserve(itemCount());
    for (int i = 0; i < itemCount(); ++i)
        items.append(rowsModel->itemTexts(i));
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
