#include "ui/FormControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zelq::form {

QGroupBox* optionGroup(QWidget* parent, const QString& title, std::initializer_list<Option> options,
                       QButtonGroup*& group, int columns)
{
    auto* box = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(box);
    group = new QButtonGroup(box);
    int i = 0;
    for (const Option& o : options) {
        auto* b = new QRadioButton(QString::fromUtf8(o.caption), box);
        b->setObjectName(QString::fromLatin1(o.name));
        b->setAccessibleName(QStringLiteral("%1 %2").arg(title, QString::fromUtf8(o.caption)));
        b->setProperty(OptionValue, QString::fromLatin1(o.value));
        group->addButton(b, i);
        grid->addWidget(b, i / columns, i % columns);
        ++i;
    }
    return box;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* edit(const char* name, const QString& accessible, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(accessible);
    return e;
}

QString checkedValue(const QButtonGroup* group)
{
    const QAbstractButton* b = group->checkedButton();
    return b ? b->property(OptionValue).toString() : QString();
}

void selectOption(QButtonGroup* group, const QString& value, Qt::CaseSensitivity cs)
{
    for (QAbstractButton* b : group->buttons()) {
        if (b->property(OptionValue).toString().compare(value, cs) == 0) {
            b->setChecked(true);
            return;
        }
    }
}

} // namespace zelq::form
