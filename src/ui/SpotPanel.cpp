#include "ui/SpotPanel.h"

#include "ui/BandMapView.h"
#include "ui/SpotListView.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace zelq {

SpotPanel::SpotPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("spotPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    txtDX = new SpotListView(this);
    txtDX->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(txtDX);
    auto* mapRow = new QHBoxLayout;
    lblDX = new QLabel(QStringLiteral("DX"), this);
    lblDX->setObjectName(QStringLiteral("lblDX"));
    lblDX->setToolTip(QStringLiteral("Click: DX Spotting Setup.  Double-click: HF Spectrum Map."));
    lblDX->setFrameShape(QFrame::Panel);
    lblDX->setFrameShadow(QFrame::Raised);
    lblDX->setAlignment(Qt::AlignCenter);
    lblDX->setMinimumWidth(32);
    lblDX->installEventFilter(this);
    clickWait = new QTimer(this);
    clickWait->setSingleShot(true);
    connect(clickWait, &QTimer::timeout, this, &SpotPanel::labelClicked);
    map = new BandMapView(this);
    map->setObjectName(QStringLiteral("bandMap"));
    mapRow->addWidget(lblDX);
    mapRow->addWidget(map, 1);
    layout->addLayout(mapRow);
    showList(true);
}

void SpotPanel::showList(bool list)
{
    txtDX->setVisible(list);
    lblDX->setVisible(!list);
    map->setVisible(!list);
}

bool SpotPanel::bandMapShown() const
{
    return !lblDX->isHidden();
}

bool SpotPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblDX) {
        // A click waits for the double-click time: the spotting window it
        // opens must not take the second click of a double-click.
        if (event->type() == QEvent::MouseButtonRelease) {
            if (!doubleClicked)
                clickWait->start(QApplication::doubleClickInterval());
            doubleClicked = false;
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            clickWait->stop();
            doubleClicked = true;
            emit labelDoubleClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelq
