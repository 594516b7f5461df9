#pragma once
// " WinKey Setup" (frmWinKey): the WinKeyer's port, speed, weight, PTT
// lead-in and tail, dit/dah ratio, pin configuration and keyer mode; Open,
// Close and Stop; two test texts and a type-ahead field. It stays loaded
// for the whole run; Done (or Esc) saves "WK.txt" and hides it.

#include "keying/WinKeySettings.h"

#include <QWidget>
#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelq {

class DeviceRegistry;
class OperatorDialogs;
class WinKeyer;

class WinKeyWindow : public QWidget {
    Q_OBJECT
public:
    WinKeyWindow(WinKeyer& keyer, OperatorDialogs& dialogs, DeviceRegistry& registry, QString installFolder,
                 QWidget* parent = nullptr);

    // The station's own call, for the Test text.
    std::function<QString()> ownCall;

    // The fields from the keyer's settings.
    void showSettings();

    void cmdOpenWinkey_Click();
    void cmdCloseWinkey_Click();
    void cmdStop_Click();
    void cmdDone_Click();
    void Command3_Click(); // Test
    void Command1_Click(); // Buffer Test

signals:
    void done();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    QLineEdit* numberField(const char* name, const QString& caption, const QString& hint, int row);
    void fieldLeft(WinKeyField f, QLineEdit* e);
    void portLeft();
    void showOpenResult(int code);
    void showClosed(const QString& reason);
    void focusDone();

    WinKeyer& keyer;
    OperatorDialogs& dialogs;
    DeviceRegistry& registry;
    QString installFolder;
    QLineEdit* txtWKComPort = nullptr;
    QLineEdit* txtWKWPM = nullptr;
    QLineEdit* txtWeight = nullptr;
    QLineEdit* txtLeadIn = nullptr;
    QLineEdit* txtTail = nullptr;
    QLineEdit* txtRatio = nullptr;
    QLineEdit* text1 = nullptr;
    QLabel* lblOpenStatus = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblPortNote = nullptr;
    QButtonGroup* pins = nullptr;
    QButtonGroup* modes = nullptr;
    QPushButton* cmdDone = nullptr;
    QWidget* fieldsBox = nullptr;
};

} // namespace zelq
