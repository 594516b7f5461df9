#include "ui/Labels.h"

#include <QLabel>

namespace zelq {

QLabel* headingLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return l;
}

QLabel* valueLabel(const char* name, QWidget* parent, int minChars)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    // Values are data (a name typed by the operator, a call from outside):
    // never read as markup.
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QLatin1Char('W')) * minChars);
    return l;
}

void scaleWidgetFont(QWidget* w, double factor, bool bold)
{
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * factor);
    f.setBold(bold);
    w->setFont(f);
}

} // namespace zelq
