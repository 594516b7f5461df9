#include "ui/PortsWindow.h"

#include "core/OperatorDialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelq {

namespace {

QPushButton* button(const QString& name, const QString& caption, const QString& accessible,
                    QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

} // namespace

PortsWindow::PortsWindow(DeviceRegistry& registry, const QString& installFolder,
                         OperatorDialogs& dialogs, QWidget* parent, DeviceFolders folders)
    : QDialog(parent), editor(registry, installFolder, std::move(folders)), dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmPorts"));
    setWindowTitle(QStringLiteral("Serial Ports"));

    auto* grid = new QGridLayout;
    auto* deviceHeading = new QLabel(QStringLiteral("Device"), this);
    deviceHeading->setObjectName(QStringLiteral("lblDevice"));
    grid->addWidget(deviceHeading, 0, 1);

    const QStringList present = editor.choices();
    QWidget* previous = nullptr;
    for (int port = 1; port <= PortMap::PortCount; ++port) {
        const QString com = QStringLiteral("COM%1").arg(port);
        auto* label = new QLabel(com, this);
        label->setObjectName(QStringLiteral("lblPort_%1").arg(port));

        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("cboPort_%1").arg(port));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMinimumContentsLength(40);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->addItems(present);
        combo->setEditText(editor.device(port));
        combo->setAccessibleName(com);
        combo->lineEdit()->setAccessibleName(com);
        label->setBuddy(combo);

        QPushButton* test = button(QStringLiteral("cmdTest_%1").arg(port), QStringLiteral("Test"),
                                   QStringLiteral("Test %1").arg(com), this);
        auto* result = new QLabel(this);
        result->setObjectName(QStringLiteral("lblResult_%1").arg(port));
        result->setTextFormat(Qt::PlainText); // reasons quote device paths
        result->setAccessibleName(QStringLiteral("%1 test result").arg(com));
        result->setWordWrap(true);
        result->setMinimumWidth(220);

        connect(test, &QPushButton::clicked, this, [this, port] { testPort(port); });
        connect(combo, &QComboBox::editTextChanged, result, &QLabel::clear);

        grid->addWidget(label, port, 0);
        grid->addWidget(combo, port, 1);
        grid->addWidget(test, port, 2);
        grid->addWidget(result, port, 3);
        devices[size_t(port - 1)] = combo;
        results[size_t(port - 1)] = result;

        if (previous)
            setTabOrder(previous, combo);
        setTabOrder(combo, test);
        previous = test;
    }

    QPushButton* done = button(QStringLiteral("cmdDone"), QStringLiteral("&Done"),
                               QStringLiteral("Done"), this);
    QPushButton* cancel = button(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"),
                                 QStringLiteral("Cancel"), this);
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &PortsWindow::done_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(previous, done);
    setTabOrder(done, cancel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(done);
    buttons->addWidget(cancel);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);
}

QString PortsWindow::entered(int port) const
{
    return devices[size_t(port - 1)]->currentText();
}

void PortsWindow::testPort(int port)
{
    if (!PortMap::isValidPort(port))
        return;
    editor.setDevice(port, entered(port));
    results[size_t(port - 1)]->setText(editor.test(port));
}

void PortsWindow::done_Click()
{
    for (int port = 1; port <= PortMap::PortCount; ++port)
        editor.setDevice(port, entered(port));
    QString error;
    if (!editor.save(&error)) {
        dialogs.message(QStringLiteral("Serial Ports"),
                        QStringLiteral("The port list could not be saved: %1").arg(error),
                        {DialogButton::Ok}, DialogIcon::Information);
        return;
    }
    accept();
}

} // namespace zelq
