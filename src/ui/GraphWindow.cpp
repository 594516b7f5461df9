#include "ui/GraphWindow.h"

#include "core/OperatorDialogs.h"
#include "log/Bands.h"
#include "log/ContactCache.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <cmath>
#include <utility>
#include <vector>

namespace zelq {

namespace {

constexpr GraphWindow::PlotArea Area{70, 970, 30, 390, 400, 420};
constexpr int WindowWidth = 1030;
constexpr int WindowHeight = 520;

const QString BlackCaption = QStringLiteral("Black Background");
const QString WhiteCaption = QStringLiteral("White Background");

QLabel* label(QWidget* parent, const QString& name, const QString& text, const QRect& at,
              Qt::Alignment align)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(at);
    l->setAlignment(align);
    return l;
}

void setTextColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

// A band of the legend. Its text is drawn in the band's colour; where that
// is the background's own colour (160 m, white, on the white background)
// the letters get an outline so they stay readable.
class LegendLabel : public QLabel {
public:
    using QLabel::QLabel;

    void setOutline(const QColor& c)
    {
        if (c == outline)
            return;
        outline = c;
        update();
    }
    QColor outlineColour() const { return outline; }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!outline.isValid()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QFontMetricsF fm(font());
        const QRectF box = contentsRect();
        const double x = box.left() + (box.width() - fm.horizontalAdvance(text())) / 2.0;
        const double y = box.top() + (box.height() - fm.height()) / 2.0 + fm.ascent();
        QPainterPath path;
        path.addText(QPointF(x, y), font(), text());
        p.strokePath(path, QPen(outline, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.fillPath(path, palette().color(QPalette::WindowText));
    }

private:
    QColor outline;
};

} // namespace

GraphWindow::GraphWindow(const ContactCache& cache, OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GraphQSO"));
    setWindowTitle(QStringLiteral(
        " Activity Graph - QSOs per Hour Rate   (# QSOs over 10 minutes X 6)"));
    setFixedSize(WindowWidth, WindowHeight);
    setAutoFillBackground(true);

    const double step = double(Area.right - Area.left) / 14.0;
    for (int k = 0; k <= 14; ++k) {
        const int cx = Area.left + int(std::lround(k * step));
        axisLabels << label(this, QStringLiteral("lblTime_%1").arg(k), QStringLiteral("00:00"),
                            QRect(cx - 25, Area.stripBottom + 6, 50, 16), Qt::AlignCenter);
        axisLabels << label(this, QStringLiteral("lblDate_%1").arg(k), QStringLiteral("MM/DD"),
                            QRect(cx - 25, Area.stripBottom + 22, 50, 16), Qt::AlignCenter);
    }
    const double rise = double(Area.bottom - Area.top) / 16.0;
    for (int k = 0; k <= 16; ++k) {
        const int cy = Area.bottom - int(std::lround(k * rise));
        axisLabels << label(this, QStringLiteral("lblY_%1").arg(k), QStringLiteral("0"),
                            QRect(4, cy - 8, Area.left - 10, 16),
                            Qt::AlignRight | Qt::AlignVCenter);
    }
    const int legendY = Area.stripBottom + 54;
    axisLabels << label(this, QStringLiteral("Label1"), QStringLiteral("Band "),
                        QRect(Area.left, legendY, 44, 18), Qt::AlignRight | Qt::AlignVCenter);
    for (int k = 0; k < BandCount; ++k) {
        auto* b = new LegendLabel(bandText(k + 1), this);
        b->setObjectName(QStringLiteral("lblBnd_%1").arg(k));
        b->setGeometry(QRect(Area.left + 50 + k * 44, legendY, 40, 18));
        b->setAlignment(Qt::AlignCenter);
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
        setTextColour(b, QColor::fromRgb(bandColour(k + 1)));
    }

    Command1 = new QPushButton(BlackCaption, this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Area.right - 150, legendY - 4, 150, 26);
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &GraphWindow::Command1_Click);

    applyBackground();

    columns = computeGraph(cache);
    if (!columns) {
        dialogs.message(QStringLiteral("Not Enough Contacts to Graph."),
                        QStringLiteral("The graph will not display with less than %1 contacts.  "
                                       "The graph becomes more meaningful as several hours of "
                                       "contest logging are accumulated.")
                            .arg(GraphMinimumContacts),
                        {DialogButton::Ok}, DialogIcon::Information);
        return;
    }
    for (int k = 0; k <= 14; ++k) {
        findChild<QLabel*>(QStringLiteral("lblTime_%1").arg(k))->setText(columns->timeLabels[k]);
        findChild<QLabel*>(QStringLiteral("lblDate_%1").arg(k))->setText(columns->dateLabels[k]);
    }
    for (int k = 0; k <= 16; ++k)
        findChild<QLabel*>(QStringLiteral("lblY_%1").arg(k))->setText(columns->yLabels[k]);
}

bool GraphWindow::openGraph(const ContactCache& cache, OperatorDialogs& dialogs, QWidget* parent)
{
    if (cache.count() < GraphMinimumContacts) {
        // The window's own check tells the operator; it is never shown.
        GraphWindow(cache, dialogs, parent);
        return false;
    }
    GraphWindow window(cache, dialogs, parent);
    window.exec();
    return true;
}

GraphWindow::PlotArea GraphWindow::plotArea()
{
    return Area;
}

QLine GraphWindow::referenceLine(const QString& name)
{
    if (name == QLatin1String("Line1"))
        return QLine(Area.left, Area.top, Area.right, Area.top);
    if (name == QLatin1String("Line2"))
        return QLine(Area.left, Area.bottom, Area.right, Area.bottom);
    if (name == QLatin1String("Line3"))
        return QLine(Area.right, Area.top, Area.right, Area.stripBottom);
    if (name == QLatin1String("Line4"))
        return QLine(Area.left, Area.top, Area.left, Area.stripBottom);
    if (name == QLatin1String("Line8"))
        return QLine(Area.left, Area.stripTop, Area.right, Area.stripTop);
    if (name == QLatin1String("Line9"))
        return QLine(Area.left, Area.stripBottom, Area.right, Area.stripBottom);
    return {};
}

double GraphWindow::columnX(int column) const
{
    // Column 0 (the zero point before the first contact) on the left edge,
    // column 1500 on the right edge.
    return Area.left + column * double(Area.right - Area.left) / GraphColumns::Count;
}

double GraphWindow::rateY(float rate) const
{
    const double height = Area.bottom - Area.top;
    // A flat curve has no range to scale; it lies on the bottom line.
    const double range = columns && columns->maximum > columns->minimum
        ? double(columns->maximum - columns->minimum)
        : 1.0;
    const double minimum = columns ? columns->minimum : 0.0;
    const double f = height / range * 0.995;
    return Area.bottom - f * (rate - minimum) - 0.0025 * height;
}

QPointF GraphWindow::curvePoint(int column) const
{
    const float r = columns && column >= 0 && column <= GraphColumns::Count
        ? columns->smoothed[size_t(column)]
        : 0.0f;
    return {columnX(column), rateY(r)};
}

void GraphWindow::applyBackground()
{
    const QColor back = black ? Qt::black : Qt::white;
    const QColor fore = black ? Qt::white : Qt::black;
    QPalette p = palette();
    p.setColor(QPalette::Window, back);
    setPalette(p);
    for (QLabel* l : std::as_const(axisLabels))
        setTextColour(l, fore);
    // The legend keeps its band colours on either background; a colour that
    // is the background's own is outlined.
    for (int k = 0; k < BandCount; ++k) {
        auto* b = static_cast<LegendLabel*>(findChild<QLabel*>(QStringLiteral("lblBnd_%1").arg(k)));
        if (!b)
            continue;
        const QColor colour = QColor::fromRgb(bandColour(k + 1));
        setTextColour(b, colour);
        b->setOutline(colour == back ? fore : QColor());
    }
    Command1->setText(black ? BlackCaption : WhiteCaption);
}

void GraphWindow::Command1_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    black = Command1->text() != BlackCaption;
    applyBackground();
    repaint();
    QApplication::restoreOverrideCursor();
}

void GraphWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    const QColor back = black ? Qt::black : Qt::white;
    const QColor fore = black ? Qt::white : Qt::black;

    // The frame first: a curve at the top of its scale runs along Line1.
    p.setPen(QPen(fore, 1));
    for (const char* name : {"Line1", "Line2", "Line3", "Line4", "Line8", "Line9"})
        p.drawLine(referenceLine(QString::fromLatin1(name)));

    if (columns && columns->plotted) {
        const GraphColumns& g = *columns;
        // Runs of band drawn in the background's own colour (x from, x to),
        // outlined once the strip is complete.
        std::vector<std::pair<int, int>> hidden;
        bool inRun = false;
        const QPen curve(QColor(0, 0, 255), 1);
        for (int x = 1; x <= GraphColumns::Count; ++x) {
            p.setPen(curve);
            p.drawLine(curvePoint(x), curvePoint(x - 1));
            if (g.smoothed[size_t(x)] == 0 && g.smoothed[size_t(x - 1)] == 0) {
                inRun = false;
                continue;
            }
            // Whole pixels, so that narrower-than-a-pixel columns leave no gaps.
            const int x0 = std::max(Area.left + 1, int(std::floor(columnX(x - 1))));
            const int x1 = std::max(x0 + 1, int(std::ceil(columnX(x))));
            const Rgb band = g.band[size_t(x)];
            const QColor colour = band != 0 ? QColor::fromRgb(band) : back;
            p.fillRect(QRect(x0, Area.stripTop + 1, x1 - x0, Area.stripBottom - Area.stripTop - 1),
                       colour);
            // A band drawn in the background's own colour is outlined, run by
            // run, so that it differs from "no band".
            if (band != 0 && colour == back) {
                if (inRun)
                    hidden.back().second = x1;
                else
                    hidden.emplace_back(x0, x1);
                inRun = true;
            } else {
                inRun = false;
            }
        }
        p.setPen(QPen(fore, 1));
        for (const auto& [from, to] : hidden)
            p.drawRect(QRect(from, Area.stripTop + 2, std::max(1, to - from) - 1,
                             Area.stripBottom - Area.stripTop - 5));
    }
}

} // namespace zelq
