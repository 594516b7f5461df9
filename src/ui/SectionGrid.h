#pragma once
// The multiplier grid: one label per section, Label10_1 … Label10_63, in
// section-table order, captioned with the abbreviation and tipped with the
// full name. The text colour tells worked from remaining on the current
// band.

#include <QColor>
#include <QWidget>
#include <array>

class QLabel;

namespace zelq {

class SectionWorkedFlags;

class SectionGrid : public QWidget {
    Q_OBJECT
public:
    explicit SectionGrid(QWidget* parent = nullptr);

    QLabel* label(int section) const; // 1..63
    void setTextColour(int section, const QColor& colour);
    QColor textColour(int section) const;
    // Every label in one colour (the load starts from all remaining).
    void paintAll(const QColor& colour);
    // Colours the grid for `band`: worked where the section's flag on that
    // band is set, remaining everywhere else (everywhere for a band that is
    // none of the seven).
    void ShowBandMultipliers(const SectionWorkedFlags& flags, const QString& band,
                             const QColor& worked, const QColor& remaining);
    // A section just worked on the current band.
    void markWorked(int section, const QColor& worked);

signals:
    void sectionClicked(int section);
    // The mouse moves over a section's label.
    void sectionHovered(int section);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int sectionOf(const QObject* label) const; // 0 when not a grid label
    std::array<QLabel*, 64> labels{};
};

} // namespace zelq
