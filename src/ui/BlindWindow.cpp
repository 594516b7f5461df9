#include "ui/BlindWindow.h"

#include "keying/VoiceNavigation.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zelq {

BlindWindow::BlindWindow(VoiceNavigation& nav, const QString& installFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), navigation(nav)
{
    setObjectName(QStringLiteral("BlindFrm"));
    setWindowTitle(QStringLiteral("Voice Navigation Settings"));
    auto* outer = new QVBoxLayout(this);
    auto* frame = new QGroupBox(QStringLiteral("Choose your preferred option:"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* inner = new QVBoxLayout(frame);
    auto* group = new QButtonGroup(this);
    const char* captions[] = {"Off", "Call Only", "All Data Fields"};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QLatin1String(captions[i]), frame);
        r->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        r->setAccessibleName(QLatin1String(captions[i]));
        group->addButton(r, i);
        inner->addWidget(r);
        options[size_t(i)] = r;
    }
    // Chosen by the operator (click or arrow keys), not by showMode().
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { navigation.optionChosen(id); });
    outer->addWidget(frame);
    auto* help = new QLabel(QStringLiteral("Put the audio wave files in this program's working directory: ")
                                + QDir::toNativeSeparators(installFolder),
                            this);
    help->setObjectName(QStringLiteral("lblHelp"));
    help->setTextFormat(Qt::PlainText);
    help->setWordWrap(true);
    help->setAccessibleName(help->text());
    outer->addWidget(help);
    auto* doneButton = new QPushButton(QStringLiteral("&Done"), this);
    doneButton->setObjectName(QStringLiteral("Command1"));
    doneButton->setAccessibleName(QStringLiteral("Done"));
    connect(doneButton, &QPushButton::clicked, this, &BlindWindow::Command1_Click);
    outer->addWidget(doneButton);
}

void BlindWindow::showMode(int mode)
{
    options[size_t(std::clamp(mode, 0, 2))]->setChecked(true);
}

int BlindWindow::chosenMode() const
{
    for (int i = 0; i < 3; ++i)
        if (options[size_t(i)]->isChecked())
            return i;
    return 0;
}

void BlindWindow::Command1_Click()
{
    hide();
    emit done(chosenMode());
}

} // namespace zelq
