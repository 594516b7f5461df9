#pragma once
// The multiplier grid: one label per section, Label10_1 … Label10_63, in
// section-table order, captioned with the abbreviation and tipped with the
// full name. The text colour tells worked from remaining.

#include <QColor>
#include <QWidget>
#include <array>

class QLabel;

namespace zelq {

class SectionGrid : public QWidget {
    Q_OBJECT
public:
    explicit SectionGrid(QWidget* parent = nullptr);

    QLabel* label(int section) const; // 1..63
    void setTextColour(int section, const QColor& colour);
    QColor textColour(int section) const;
    // Every label in one colour (the load starts from all remaining).
    void paintAll(const QColor& colour);

signals:
    void sectionClicked(int section);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, 64> labels{};
};

} // namespace zelq
