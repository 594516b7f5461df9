#pragma once
// "Summary Sheet Information": collects the Cabrillo header (category,
// operators, name, address, soapbox) and writes the whole station's log as
// one Cabrillo file. The address fields are remembered per user and
// published to the sister programs when the window opens.

#include "export/Cabrillo.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelq {

class Beeper;
class ContactCache;
class OperatorDialogs;
class SharedPreferences;
struct MultiplierRecords;
struct Preferences;

class CabrilloWindow : public QDialog {
    Q_OBJECT
public:
    // `programFolder` is where the file is proposed; relative names from the
    // save dialog are resolved against `installFolder`.
    CabrilloWindow(const ContactCache& cache, const MultiplierRecords& records,
                   Preferences& prefs, SharedPreferences& shared, OperatorDialogs& dialogs,
                   Beeper& beeper, const QString& installFolder, const QString& programFolder,
                   QWidget* parent = nullptr);

    // The header as the fields and buttons stand.
    CabrilloHeader header() const;

    // "Write Cabrillo File": asks for the file, writes it, reports. True
    // when the file was written.
    bool writeFile();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void loadAddress();
    void saveAddress() const;

    const ContactCache& cache;
    const MultiplierRecords& records;
    Preferences& prefs;
    SharedPreferences& shared;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    QString installFolder;
    QString programFolder;

    QLineEdit* text1 = nullptr;
    QLineEdit* text2 = nullptr;
    QRadioButton* option4 = nullptr;
    QRadioButton* option3 = nullptr;
    QRadioButton* option18 = nullptr;
    QRadioButton* option19 = nullptr;
    QRadioButton* option20 = nullptr;
    QLineEdit* text5 = nullptr;
    QLineEdit* text6 = nullptr;
    QLineEdit* text7 = nullptr;
    QLineEdit* text8 = nullptr;
    QLineEdit* text11 = nullptr;
    QPushButton* command4 = nullptr;
    QPushButton* command3 = nullptr;
};

} // namespace zelq
