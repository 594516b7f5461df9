#pragma once
// The contact list of the log window (ListView1): the newest contacts of
// the whole station, one row per contact of the cache, with the buttons of
// its two filters, "Last 20"/"All" (cmdList) and "All Bands"/"Current
// Band" (Command2), each captioned with the mode in force.
//
// Columns size themselves to their header and their widest text in the
// fonts in force, also after the form size scales the fonts.
//
// The list only shows; what a click means (stopping the poll timer,
// offering Edit and Delete, editing) is the window's, told by the signals.

#include <QString>
#include <QWidget>
#include <functional>

class QPushButton;
class QTreeWidget;

namespace zelq {

class ContactCache;

class ContactListView : public QWidget {
    Q_OBJECT
public:
    explicit ContactListView(QWidget* parent = nullptr);

    QTreeWidget* list() const { return listView; }
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
    // list's current fonts; `fromScratch` also narrows.
    void sizeColumns(bool fromScratch);
    int cellMargin() const;
    void updateCaptions();

    QTreeWidget* listView;
    QPushButton* cmdList;
    QPushButton* Command2;
    bool allRows = false;
    bool allBands = true;
    bool selectedByPress = false;
    const ContactCache* source = nullptr;
    QString lastBand;
};

} // namespace zelq
