#pragma once
// The help window: the operator's guide as plain text, with a button that
// saves what it shows.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace zelq {

class OperatorDialogs;

inline const QString HelpFileName = QStringLiteral("rdzelqnt.txt");
inline const QString SavedHelpFileName = QStringLiteral("HelpTavrin.txt");

class HelpWindow final : public QDialog {
    Q_OBJECT
public:
    // `helpFile` is the help text to show (empty when none was found);
    // the save button writes into `installFolder`.
    HelpWindow(const QString& helpFile, const QString& installFolder, OperatorDialogs& dialogs,
               QWidget* parent = nullptr);

    // Writes the text box content to SavedHelpFileName in the installation
    // folder as one quoted value; a failure is reported to the operator.
    bool saveText();

private:
    void loadText(const QString& helpFile);
    void sizeForReading();

    QString installFolder;
    OperatorDialogs& dialogs;
    QPlainTextEdit* text;
    QPushButton* saveButton;
};

} // namespace zelq
