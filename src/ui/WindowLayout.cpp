#include "ui/WindowLayout.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace zelq {

double layoutScale(int percent, int screenWidth)
{
    const double s = percent / 100.0 * screenWidth / 1280.0;
    return std::clamp(s, 0.6, 2.0);
}

void scaleFont(QWidget* window, double scale)
{
    QFont f = QApplication::font();
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * scale);
    else
        f.setPixelSize(std::max(8, int(f.pixelSize() * scale)));
    window->setFont(f);
}

void showAtFormSize(QWidget* window, int percent, bool taskbarVisible)
{
    QScreen* screen = window->screen() ? window->screen() : QApplication::primaryScreen();
    if (!screen) {
        window->show();
        return;
    }
    const QRect avail = screen->availableGeometry();
    scaleFont(window, layoutScale(percent, screen->geometry().width()));
    if (percent >= 100) {
        if (taskbarVisible)
            window->showMaximized();
        else
            window->showFullScreen();
        return;
    }
    const QSize size(avail.width() * percent / 100, avail.height() * percent / 100);
    window->resize(size.expandedTo(window->minimumSizeHint()));
    window->move(avail.center() - window->rect().center());
    window->showNormal();
}

} // namespace zelq
