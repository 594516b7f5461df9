#pragma once
// Small builders for the setup windows' controls: every control gets its
// objectName (tests find it by that) and an accessible name (screen
// readers say it), and option buttons carry the value they stand for.

#include <QString>
#include <initializer_list>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zelq::form {

// The property an option button keeps its value in.
inline constexpr const char* OptionValue = "optionValue";

struct Option {
    const char* name;
    const char* caption;
    const char* value;
};

// A framed group of option buttons laid out in `columns` columns.
QGroupBox* optionGroup(QWidget* parent, const QString& title, std::initializer_list<Option> options,
                       QButtonGroup*& group, int columns = 1);
// A push button that is never the default (Enter belongs to the fields).
QPushButton* button(const char* name, const QString& caption, QWidget* parent);
QLineEdit* edit(const char* name, const QString& accessible, QWidget* parent);

// The value of the checked option, or empty.
QString checkedValue(const QButtonGroup* group);
// Checks the option whose value is `value`; none when no option has it.
void selectOption(QButtonGroup* group, const QString& value,
                  Qt::CaseSensitivity cs = Qt::CaseSensitive);

} // namespace zelq::form
