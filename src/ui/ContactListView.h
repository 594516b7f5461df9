#pragma once
// The contact list of the log window (ListView1): the newest contacts of
// the whole station, one row per contact of the cache, with the buttons of
// its two filters, "Last 20"/"All" (cmdList) and "All Bands"/"Current
// Band" (Command2), each captioned with the mode in force.
//
// Columns size themselves to their header and the widest text of the log
// in the fonts in force, also after the form size scales the fonts. The
// widths are kept per log and widened by the rows added since, so a refill
// does not measure every contact again.
//
// The list is a view on a table model: a list of every contact of a large
// log is filled as fast as the 20 newest.
//
// The list only shows; what a click means (stopping the poll timer,
// offering Edit and Delete, editing) is the window's, told by the signals.

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QPushButton;
class QTreeView;

namespace zelq {

class ContactCache;
class ContactListModel;

class ContactListView : public QWidget {
    Q_OBJECT
public:
    explicit ContactListView(QWidget* parent = nullptr);

    QTreeView* list() const { return listView; }
    const ContactListModel& model() const { return *rowsModel; }
    QPushButton* listButton() const { return cmdList; }
    QPushButton* bandButton() const { return Command2; }

    bool showsAllRows() const { return allRows; }
    bool showsAllBands() const { return allBands; }

    // Rebuilds the list from `cache` under the two filters; `band` is the
    // current band. The cache is remembered for the filter buttons' refill
    // and must outlive this view.
    void FillContactList(const ContactCache& cache, const QString& band);

    // The filter buttons: toggle, refill, then ask for the call field's focus.
    void cmdList_Click();
    void Command2_Click();

    int itemCount() const;
    // Rec# (cache row) of the selected item; 0 when none is selected.
    int selectedRow() const;
    // Sorts the items once by `column`, ascending as text; items added
    // later are not kept in order.
    void sortOnce(int column);

    // The listed items as the clipboard gets them (header line first).
    QString clipboardText() const;
    // "Copy Listed Items to Clipboard".
    void copyToClipboard();

    // The current band when a filter button refills; without it, the band
    // of the last fill.
    std::function<QString()> currentBand;

signals:
    // A mouse button pressed in the list or on its header.
    void listClicked();
    // An item was selected by mouse or keyboard (the list has items).
    void itemSelected();
    // The right mouse button was released over the list while an item is selected.
    void editRequested();
    // The focus left the list while it has items.
    void listFocusLost();
    // After a filter button: the call field should take the focus.
    void focusCallRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refill();
    // Every column as wide as its header and its widest text need in the
    // list's current fonts; `fromScratch` also narrows and measures the
    // whole log again.
    void sizeColumns(bool fromScratch);
    // Widens the measured widths by the rows of `source` not yet measured.
    void measureRows();
    void measureRow(int row);
    int cellMargin() const;
    void updateCaptions();

    QTreeView* listView;
    ContactListModel* rowsModel;
    QPushButton* cmdList;
    QPushButton* Command2;
    bool allRows = false;
    bool allBands = true;
    bool selectedByPress = false;
    const ContactCache* source = nullptr;
    QString lastBand;
    // Widest text per column over the rows measured so far.
    std::vector<int> measured;
    const ContactCache* measuredCache = nullptr;
    quint64 measuredRevision = 0;
    int measuredRows = 0;
    int measuredInserts = 0;
    class WidthGauge;
    WidthGauge* gauge = nullptr; // while measuring
    int digitWidth = -1;
    int usualDateTimeWidth = 0;
};

} // namespace zelq
