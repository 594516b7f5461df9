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
    // Widgets that chose a font of their own (the entry fields, the band)
    // keep their proportions: they scale by the change, as the window does.
    const char* const key = "zelqFontScale";
    const QVariant previous = window->property(key);
    const double ratio = scale / (previous.isValid() ? previous.toDouble() : 1.0);
    window->setProperty(key, scale);

    const auto scaled = [](QFont f, double by) {
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * by);
        else if (f.pixelSize() > 0)
            f.setPixelSize(std::max(8, int(f.pixelSize() * by)));
        return f;
    };
    const QList<QWidget*> own = window->findChildren<QWidget*>();
    QList<QFont> ownFonts;
    for (QWidget* w : own)
        ownFonts << w->font();
    window->setFont(scaled(QApplication::font(), scale));
    for (qsizetype i = 0; i < own.size(); ++i)
        if (own[i]->testAttribute(Qt::WA_SetFont))
            own[i]->setFont(scaled(ownFonts[i], ratio));
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
