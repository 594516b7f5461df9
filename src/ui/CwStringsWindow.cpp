#include "ui/CwStringsWindow.h"

#include "keying/CwControl.h"
#include "keying/CwMessages.h"
#include "log/KeyDispatch.h"
#include "ui/LogWindowKeys.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelq {

CwStringsWindow::CwStringsWindow(CwControl& c, KeyDispatch& k, QWidget* parent)
    : QWidget(parent, Qt::Window), control(c), keys(k)
{
    setObjectName(QStringLiteral("frmCWStrings"));
    setWindowTitle(QStringLiteral("CW Strings"));
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int i = 0; i < 12; ++i) {
        auto* key = new QLabel(QStringLiteral("F%1").arg(i + 1), this);
        key->setObjectName(QStringLiteral("Label1_%1").arg(i));
        key->setAccessibleName(key->text());
        auto* text = new QLabel(this);
        text->setObjectName(QStringLiteral("lblCWString_%1").arg(i));
        text->setTextFormat(Qt::PlainText);
        text->setMinimumWidth(text->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 20);
        text->setFrameShape(QFrame::Panel);
        text->setFrameShadow(QFrame::Sunken);
        for (QLabel* l : {key, text}) {
            l->setCursor(Qt::PointingHandCursor);
            l->installEventFilter(this);
        }
        grid->addWidget(key, i, 0);
        grid->addWidget(text, i, 1);
        keyLabels[size_t(i)] = key;
        texts[size_t(i)] = text;
    }
    outer->addLayout(grid);
    auto* hint = new QLabel(QStringLiteral("Press Ctrl W to Show this form."), this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setAccessibleName(hint->text());
    outer->addWidget(hint);
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("cmdDone"));
    done->setAccessibleName(QStringLiteral("Done"));
    done->setAutoDefault(false);
    outer->addWidget(done, 0, Qt::AlignRight);
    connect(done, &QPushButton::clicked, this, &QWidget::showMinimized);
    refresh();
}

void CwStringsWindow::refresh()
{
    const CwSettings& s = control.settings();
    for (int i = 0; i < 11; ++i) {
        texts[size_t(i)]->setText(s.messages[size_t(i)]);
        texts[size_t(i)]->setAccessibleName(QStringLiteral("F%1: %2").arg(i + 1).arg(s.messages[size_t(i)]));
    }
    texts[11]->setText(QStringLiteral("Keyboard"));
    texts[11]->setAccessibleName(QStringLiteral("F12: Keyboard"));
}

void CwStringsWindow::clickRow(int i)
{
    if (control.settings().method == KeyingMethod::None)
        return;
    const int code = functionKeyCode(i + 1);
    if (code == KeyF12)
        return;
    control.FKeyCW(code);
}

bool CwStringsWindow::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        refresh();
    return QWidget::event(e);
}

bool CwStringsWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < 12; ++i)
            if (watched == keyLabels[size_t(i)] || watched == texts[size_t(i)]) {
                clickRow(i);
                return true;
            }
    }
    return QWidget::eventFilter(watched, e);
}

void CwStringsWindow::keyPressEvent(QKeyEvent* e)
{
    if (keys.dispatch(LogWindowKeys::strokeOf(e)) == KeyDispatch::Outcome::Consumed)
        return;
    QWidget::keyPressEvent(e);
}

} // namespace zelq
