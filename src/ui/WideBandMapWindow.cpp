#include "ui/WideBandMapWindow.h"

#include "spots/SpotStore.h"
#include "ui/BandMapView.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace zelq {

WideBandMapWindow::WideBandMapWindow(SpotStore& spots, std::function<qint64()> nowMs,
                                     std::function<double()> utcOffset, QWidget* parent)
    : QDialog(parent), store(spots), now(std::move(nowMs)), offset(std::move(utcOffset))
{
    setObjectName(QStringLiteral("SpectrumMap"));
    setWindowTitle(QStringLiteral("HF Spectrum Map"));
    auto* layout = new QVBoxLayout(this);
    view = new BandMapView(this);
    view->setObjectName(QStringLiteral("spectrumMap"));
    view->setMinimumSize(900, 11 * 64);
    layout->addWidget(view, 1);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setAccessibleName(QStringLiteral("Close"));
    close->setAutoDefault(false);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(view, &BandMapView::spotClicked, this, [this](int slot, Qt::MouseButton button) {
        if (button == Qt::RightButton) {
            if (tuneTo)
                tuneTo(slot);
            return;
        }
        store.removeSlot(slot);
        BandMapLabelDisplay();
        if (removed)
            removed();
    });
    BandMapLabelDisplay();
}

void WideBandMapWindow::BandMapLabelDisplay()
{
    std::vector<AxisScale> scales;
    std::vector<PlacedSpot> spots = placeSpectrumMap(store, now(), offset(), &scales);
    view->setMap(std::move(scales), std::move(spots),
                 {QStringLiteral("160"), QStringLiteral("80"), QStringLiteral("40"), QStringLiteral("30"),
                  QStringLiteral("20"), QStringLiteral("17"), QStringLiteral("15"), QStringLiteral("12"),
                  QStringLiteral("10"), QStringLiteral("6"), QStringLiteral("2")});
}

} // namespace zelq
