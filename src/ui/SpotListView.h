#pragma once
// The log window's spot list, txtDX: the newest spot on top, at most 200
// rows, with the spotted call's country. Spots of stations already worked
// on their band are shown dimmed with "Dupe" as their status.

#include "spots/SpotStore.h"

#include <QTreeWidget>

namespace zelq {

class SpotListView final : public QTreeWidget {
    Q_OBJECT
public:
    explicit SpotListView(QWidget* parent = nullptr);

    // A new spot on top; the 201st row goes.
    void addRow(const SpotListRow& row);
    // All rows again (the worked marks changed).
    void fill(const std::deque<SpotListRow>& rows);

    // The selected row's call and frequency text; empty when none.
    QString selectedCall() const;
    QString selectedFrequency() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static QTreeWidgetItem* itemFor(const SpotListRow& row);
    void sizeColumns();
};

} // namespace zelq
