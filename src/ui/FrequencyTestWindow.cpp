#include "ui/FrequencyTestWindow.h"

#include "rig/HexText.h"
#include "rig/RigLink.h"
#include "settings/QuotedFile.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zelq {

namespace {

QPushButton* sendButton(const char* name, const QString& accessible, QWidget* parent)
{
    auto* b = new QPushButton(QStringLiteral("Send"), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

QLabel* note(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

} // namespace

FrequencyTestWindow::FrequencyTestWindow(RigLink& l, QWidget* parent) : QDialog(parent), link(l)
{
    setObjectName(QStringLiteral("frmFrequencyTest"));
    setWindowTitle(QStringLiteral("Test Change Frequency Function"));
    setModal(true);
    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(note(QStringLiteral("Type a command from your radio's manual and click Send. "
                                        "The default command is the one used for Kenwood radios. "
                                        "For a hexadecimal command check \"Convert to Hex\" and "
                                        "enter two-digit pairs separated by spaces (FE FE 64 E0 "
                                        "03 FD). The radio's answer shows in the rig window's "
                                        "unprocessed data."), this),
                    row++, 0, 1, 3);
    auto* commandLabel = new QLabel(QStringLiteral("Command:"), this);
    text1 = new QLineEdit(QStringLiteral("FA00028475000;"), this);
    text1->setObjectName(QStringLiteral("Text1"));
    text1->setAccessibleName(QStringLiteral("Command"));
    commandLabel->setBuddy(text1);
    auto* command1 = sendButton("Command1", QStringLiteral("Send command"), this);
    grid->addWidget(commandLabel, row, 0);
    grid->addWidget(text1, row, 1);
    grid->addWidget(command1, row++, 2);
    check1 = new QCheckBox(QStringLiteral("Convert to Hex"), this);
    check1->setObjectName(QStringLiteral("Check1"));
    check1->setAccessibleName(QStringLiteral("Convert to Hex"));
    grid->addWidget(check1, row++, 1);
    grid->addWidget(note(QStringLiteral("Or type a frequency in MHz and click Send to try the "
                                        "frequency command of the selected rig type."), this),
                    row++, 0, 1, 3);
    auto* freqLabel = new QLabel(QStringLiteral("Frequency (MHz):"), this);
    text2 = new QLineEdit(QStringLiteral("28.475"), this);
    text2->setObjectName(QStringLiteral("Text2"));
    text2->setAccessibleName(QStringLiteral("Frequency (MHz)"));
    freqLabel->setBuddy(text2);
    auto* command2 = sendButton("Command2", QStringLiteral("Send frequency"), this);
    grid->addWidget(freqLabel, row, 0);
    grid->addWidget(text2, row, 1);
    grid->addWidget(command2, row++, 2);
    auto* done = new QPushButton(QStringLiteral("&Done"), this);
    done->setObjectName(QStringLiteral("cmdDone"));
    done->setAccessibleName(QStringLiteral("Done"));
    done->setAutoDefault(false);
    grid->addWidget(done, row++, 2);
    connect(command1, &QPushButton::clicked, this, &FrequencyTestWindow::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &FrequencyTestWindow::Command2_Click);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(text1, command1);
    setTabOrder(command1, check1);
    setTabOrder(check1, text2);
    setTabOrder(text2, command2);
    setTabOrder(command2, done);
}

void FrequencyTestWindow::Command1_Click()
{
    const QString command = text1->text().trimmed();
    if (command.isEmpty())
        return;
    if (check1->isChecked()) {
        if (const std::optional<QByteArray> bytes = HexTextToBytes(command))
            link.writeRaw(*bytes);
        return; // a pair that is not hex sends nothing
    }
    link.writeRaw(command.toLatin1());
}

void FrequencyTestWindow::Command2_Click()
{
    if (const std::optional<double> mhz = parseNumber(text2->text()))
        link.ChangeFrequency(float(*mhz));
}

} // namespace zelq
