#pragma once
// The activity graph: the station's QSO rate over the whole contest (the
// number of contacts in the ten minutes up to each moment, times 6), with a
// strip below it coloured by the band in use.

#include "score/RateStats.h"

#include <QDialog>
#include <QLine>
#include <QPointF>
#include <optional>

class QLabel;
class QPushButton;

namespace zelq {

class ContactCache;
class OperatorDialogs;

class GraphWindow : public QDialog {
    Q_OBJECT
public:
    // The edges of the plot: Line4 (left), Line3 (right), Line1 (top of the
    // curve), Line2 (bottom of the curve), Line8 and Line9 (band strip).
    struct PlotArea {
        int left, right, top, bottom, stripTop, stripBottom;
    };

    // Computes the graph at once. With too few contacts the operator is
    // told so and the window stays empty.
    GraphWindow(const ContactCache& cache, OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // The "&Graph" command: tells the operator when there are too few
    // contacts to graph, otherwise shows the window modally. True when the
    // window was shown.
    static bool openGraph(const ContactCache& cache, OperatorDialogs& dialogs,
                          QWidget* parent = nullptr);

    static PlotArea plotArea();
    // The reference lines by name ("Line1" … "Line4", "Line8", "Line9").
    static QLine referenceLine(const QString& name);

    const std::optional<GraphColumns>& graph() const { return columns; }
    bool blackBackground() const { return black; }
    // Where the curve passes through column 0..1500 (window coordinates).
    QPointF curvePoint(int column) const;

public slots:
    void Command1_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyBackground();
    double columnX(int column) const;
    double rateY(float rate) const;

    std::optional<GraphColumns> columns;
    bool black = true;
    QList<QLabel*> axisLabels; // lblTime, lblDate, lblY and Label1
    QPushButton* Command1 = nullptr;
};

} // namespace zelq
