#pragma once
// The claimed score of the whole station: contacts, multipliers and score,
// the multipliers worked on the current band, and the North-American
// countries worked on it under their "NA DX <band> - <count>" heading.

#include <QWidget>

class QLabel;
class QListWidget;

namespace zelq {

class ContactCache;
struct MultiplierRecords;

class ScorePanel : public QWidget {
    Q_OBJECT
public:
    explicit ScorePanel(QWidget* parent = nullptr);

    // Recomputes contacts, multipliers, score and the current band's count.
    // A count overflow leaves every display as it was; a band that is none
    // of the seven leaves the current band's count as it was.
    void Labeldisplay(const ContactCache& cache, const MultiplierRecords& records,
                      const QString& band);
    // Refills the country list and its heading for the current band; for a
    // band that is none of the seven both stay empty.
    void ListRefresh(const MultiplierRecords& records, const QString& band);
    // One newly worked country on the current band; `newCount` is the
    // band's count including it.
    void AddCountryMultiplier(const QString& country, int newCount, const QString& band);

private:
    QLabel* lblTotCon = nullptr;
    QLabel* lblsectogo = nullptr;
    QLabel* lblTotScore = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblStation_5 = nullptr;
    QListWidget* List1 = nullptr;
};

} // namespace zelq
