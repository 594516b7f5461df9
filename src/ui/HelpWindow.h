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

// The text of the saved help file: the lines shown, each ended by CR LF
// as in the program's other text files (the last only when it was shown
// with one).
QString helpFileText(const QString& shown);

class HelpWindow final : public QDialog {
    Q_OBJECT
public:
    // `helpFile` is the help text to show (empty when none was found);
    // the save button writes into `installFolder`.
    HelpWindow(const QString& helpFile, const QString& installFolder, OperatorDialogs& dialogs,
               QWidget* parent = nullptr);

    // Writes the text box content to SavedHelpFileName in the installation
    // folder as a text file, line for line (CR LF line ends), replacing the
    // old file only when all of it was written; a failure is reported to
    // the operator.
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
