#include "ui/ColoursWindow.h"

#include "settings/Preferences.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelq {

QColor colourFromStored(quint32 stored)
{
    return QColor(StoredColour::red(stored), StoredColour::green(stored),
                  StoredColour::blue(stored));
}

quint32 storedFromRgb(Rgb rgb)
{
    return StoredColour::fromRgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

namespace {

QLabel* sampleLabel(const QString& name, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMargin(6);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() > 0 ? f.pointSizeF() * 1.2 : 12);
    label->setFont(f);
    return label;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

void paintText(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

ColoursWindow::ColoursWindow(Preferences& prefs, OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent), prefs(prefs), dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral(" Modify Multiplier Color Selections"));

    remainingSample = sampleLabel(QStringLiteral("lblRemaining"),
                                  QStringLiteral("Appearance of multiplier remaining"), this);
    workedSample = sampleLabel(QStringLiteral("lblWorked"),
                               QStringLiteral("Appearance of multiplier worked"), this);
    QPushButton* remaining =
        button(QStringLiteral("cmdRemaining"), QStringLiteral("Change \"Remaining\" Color"), this);
    QPushButton* worked =
        button(QStringLiteral("cmdWorked"), QStringLiteral("Change \"Worked\" Color"), this);
    QPushButton* done = button(QStringLiteral("cmdDone"), QStringLiteral("Done"), this);
    done->setDefault(true);

    connect(remaining, &QPushButton::clicked, this, &ColoursWindow::changeRemaining);
    connect(worked, &QPushButton::clicked, this, &ColoursWindow::changeWorked);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(remainingSample, 0, 0);
    grid->addWidget(remaining, 0, 1);
    grid->addWidget(workedSample, 1, 0);
    grid->addWidget(worked, 1, 1);
    grid->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(done, 0, Qt::AlignRight);

    paintSamples();
}

void ColoursWindow::changeRemaining()
{
    choose(QStringLiteral("Multiplier Remaining Color"), prefs.remainingColour);
}

void ColoursWindow::changeWorked()
{
    choose(QStringLiteral("Multiplier Worked Color"), prefs.workedColour);
}

bool ColoursWindow::choose(const QString& title, quint32& setting)
{
    const auto chosen = dialogs.chooseColour(title, colourFromStored(setting).rgb());
    if (!chosen)
        return false;
    setting = storedFromRgb(*chosen);
    paintSamples();
    return true;
}

void ColoursWindow::showEvent(QShowEvent* event)
{
    // The window may be kept and shown again after the settings changed.
    paintSamples();
    QDialog::showEvent(event);
}

void ColoursWindow::paintSamples()
{
    paintText(remainingSample, colourFromStored(prefs.remainingColour));
    paintText(workedSample, colourFromStored(prefs.workedColour));
}

} // namespace zelq
