#include "ui/ContactListModel.h"

#include "log/ContactCache.h"
#include "score/ContactList.h"

#include <algorithm>

namespace zelq {

ContactListModel::ContactListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ContactListModel::setRows(const ContactCache* c, std::vector<int> rows)
{
    beginResetModel();
    cache = c;
    listed = std::move(rows);
    endResetModel();
}

QString ContactListModel::text(int index, int column) const
{
    const int rec = listed[size_t(index)];
    // A cache reloaded under the list shows blanks until the list is refilled.
    if (!cache || rec < 1 || rec > cache->count())
        return column == 0 ? QString::number(rec) : QString();
    const Contact& c = cache->row(rec);
    switch (column) {
    case 0: return QString::number(rec);
    case 1: return c.calls;
    case 2: return c.namerec;
    case 3: return c.spc;
    case 4: return c.cont;
    case 5: return contactListDateTime(c.flddate, c.fldtime);
    case 6: return c.uband;
    case 7: return c.namesent;
    case 8: return c.trn;
    default: return QString();
    }
}

QStringList ContactListModel::itemTexts(int index) const
{
    QStringList texts;
    texts.reserve(9);
    for (int c = 0; c < 9; ++c)
        texts << text(index, c);
    return texts;
}

void ContactListModel::sortOnce(int column)
{
    if (column < 0 || column >= 9)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<QString> keys(listed.size());
    for (size_t i = 0; i < listed.size(); ++i)
        keys[i] = text(int(i), column);
    std::vector<int> order(listed.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    // Plain text order (so "10" comes before "2"), as a list view sorts.
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    std::vector<int> sorted(listed.size());
    std::vector<int> newPos(listed.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted[i] = listed[size_t(order[i])];
        newPos[size_t(order[i])] = int(i);
    }
    listed = std::move(sorted);
    QModelIndexList after;
    for (const QModelIndex& i : before)
        after << index(newPos[size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ContactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(listed.size());
}

int ContactListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(contactListHeaders().size());
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(listed.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(index.row(), index.column());
    return {};
}

QVariant ContactListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < int(contactListHeaders().size()))
        return contactListHeaders().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace zelq
