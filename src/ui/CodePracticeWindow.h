#pragma once
// "On the Air Code Practice" (frmCodePractice): random groups, pasted or
// typed text sent through the CW keyer, with the echo of what was sent, a
// keyboard field for live sending and the speed buttons. Opened modally
// from the CW setup window; it deletes itself when closed, and refuses to
// close until the character being keyed has ended.

#include "keying/CodePractice.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace zelq {

class CwControl;

class CodePracticeWindow : public QDialog, private CodePracticeView {
    Q_OBJECT
public:
    explicit CodePracticeWindow(CwControl& control, QWidget* parent = nullptr);

    CodePractice& practice() { return *logic; }

    // Every way of closing comes here: refused while sending.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void keyboardEdited(const QString& text);

    // CodePracticeView
    QString practiceText() const override;
    void setPracticeText(const QString& text) override;
    void setPracticeCaret(int position) override;
    void focusPracticeText() override;
    void appendSent(const QString& text) override;
    void chopSent() override;
    QString groupsText() const override;
    void setGroupsText(const QString& text) override;
    QString perGroupText() const override;
    void setPerGroupText(const QString& text) override;
    bool lettersOnly() const override;
    QString clipboardText() const override;
    void showSpeed(const QString& wpm) override;

    CwControl& control;
    CodePractice* logic = nullptr;
    QPlainTextEdit* text1 = nullptr; // to send
    QPlainTextEdit* text2 = nullptr; // sent
    QLineEdit* text5 = nullptr;      // keyboard
    QLineEdit* text3 = nullptr;      // groups
    QLineEdit* text4 = nullptr;      // characters per group
    QRadioButton* option1 = nullptr; // letters only
    QLabel* label8 = nullptr;        // speed
};

} // namespace zelq
