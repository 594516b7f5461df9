#pragma once
// The rows of the contact list as a table model: the cache rows the filters
// chose, in list order, each shown as its nine column texts. Texts are made
// when the view asks for them (only the visible rows), so a list of every
// contact of a large log costs no more than its row numbers.

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace zelq {

class ContactCache;

class ContactListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ContactListModel(QObject* parent = nullptr);

    // Lists cache rows `rows` (Rec# values) of `cache`, in that order.
    void setRows(const ContactCache* cache, std::vector<int> rows);
    const std::vector<int>& listedRows() const { return listed; }
    // Rec# of list position `index`.
    int recordAt(int index) const { return listed[size_t(index)]; }
    // The nine texts of list position `index`.
    QStringList itemTexts(int index) const;
    // Reorders the listed rows once by `column`, ascending as text; equal
    // texts keep their order.
    void sortOnce(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(int index, int column) const;

    const ContactCache* cache = nullptr;
    std::vector<int> listed;
};

} // namespace zelq
