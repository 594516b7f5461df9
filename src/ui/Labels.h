#pragma once
// The small label kinds the log window's panels share.

#include <QString>

class QLabel;
class QWidget;

namespace zelq {

// A caption above its field, aligned to the field's bottom left.
QLabel* headingLabel(const QString& text, QWidget* parent);

// A sunken panel showing a value, wide enough for `minChars` characters.
QLabel* valueLabel(const char* name, QWidget* parent, int minChars);

// Scales the widget's own font, optionally bold.
void scaleWidgetFont(QWidget* w, double factor, bool bold);

} // namespace zelq
