#include "ui/CodePracticeWindow.h"

#include "keying/CwControl.h"
#include "ui/FormControls.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace zelq {

namespace {

const QString HelpText = QStringLiteral(
    "You can transmit morse code practice using randomly generated characters, copying and pasting text or "
    "typing text into the \"Text to Send\" text box.  Click Send to send the characters. ");

QLabel* label(const char* name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setAccessibleName(text.trimmed());
    return l;
}

QPlainTextEdit* textBox(const char* name, const QString& accessible, QWidget* parent)
{
    auto* e = new QPlainTextEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setAccessibleName(accessible);
    e->setTabChangesFocus(true);
    return e;
}

QLineEdit* smallField(const char* name, const QString& accessible, const QString& text, QWidget* parent)
{
    QLineEdit* e = form::edit(name, accessible, parent);
    e->setText(text);
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 5);
    return e;
}

void caretToEnd(QPlainTextEdit* e)
{
    QTextCursor c = e->textCursor();
    c.movePosition(QTextCursor::End);
    e->setTextCursor(c);
    e->ensureCursorVisible();
}

} // namespace

CodePracticeWindow::CodePracticeWindow(CwControl& c, QWidget* parent) : QDialog(parent), control(c)
{
    setObjectName(QStringLiteral("frmCodePractice"));
    setWindowTitle(QStringLiteral("On the Air Code Practice"));
    buildLayout();
    logic = new CodePractice(control, *this, this);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

void CodePracticeWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    auto* help = label("lblHelp", HelpText, this);
    help->setWordWrap(true);
    outer->addWidget(help);

    // Generate N groups of M characters each, from letters or all signs.
    auto* generateRow = new QHBoxLayout;
    generateRow->addWidget(label("lblGenerate", QStringLiteral("Generate"), this));
    text3 = smallField("Text3", QStringLiteral("Number of groups"), QStringLiteral("10"), this);
    generateRow->addWidget(text3);
    generateRow->addWidget(label("lblGroupsOf", QStringLiteral("groups of"), this));
    text4 = smallField("Text4", QStringLiteral("Characters per group"), QStringLiteral("5"), this);
    generateRow->addWidget(text4);
    generateRow->addWidget(label("lblCharactersEach", QStringLiteral("characters each."), this));
    QButtonGroup* include = nullptr;
    QGroupBox* includeBox = form::optionGroup(this, QStringLiteral("Include:"),
                                              {{"Option1", "Letters Only", "letters"}, {"Option2", "All", "all"}},
                                              include, 2);
    option1 = findChild<QRadioButton*>(QStringLiteral("Option1"));
    option1->setChecked(true);
    generateRow->addWidget(includeBox);
    generateRow->addStretch(1);
    outer->addLayout(generateRow);

    auto* command2 = form::button("Command2", QStringLiteral("&Generate Random Characters"), this);
    auto* command1 = form::button("Command1", QStringLiteral("&Paste from Clipboard"), this);
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(command2);
    sourceRow->addWidget(command1);
    sourceRow->addStretch(1);
    outer->addLayout(sourceRow);

    auto* texts = new QGridLayout;
    auto* toSend = label("lblTextToSend", QStringLiteral(" Text to Send"), this);
    text1 = textBox("Text1", QStringLiteral("Text to Send"), this);
    toSend->setBuddy(text1);
    auto* command6 = form::button("Command6", QStringLiteral("&Clear"), this);
    command6->setAccessibleName(QStringLiteral("Clear text to send"));
    auto* sent = label("lblTextSent", QStringLiteral(" Text Sent"), this);
    text2 = textBox("Text2", QStringLiteral("Text Sent"), this);
    text2->setReadOnly(true);
    sent->setBuddy(text2);
    auto* command5 = form::button("Command5", QStringLiteral("Cl&ear"), this);
    command5->setAccessibleName(QStringLiteral("Clear text sent"));
    texts->addWidget(toSend, 0, 0);
    texts->addWidget(command6, 0, 1, Qt::AlignRight);
    texts->addWidget(text1, 1, 0, 1, 2);
    texts->addWidget(sent, 0, 2);
    texts->addWidget(command5, 0, 3, Qt::AlignRight);
    texts->addWidget(text2, 1, 2, 1, 2);
    outer->addLayout(texts, 1);

    const QString keyboardCaption = QStringLiteral("Type characters here to send text from keyboard:");
    auto* keyboard = label("lblKeyboard", keyboardCaption, this);
    text5 = form::edit("Text5", keyboardCaption, this);
    keyboard->setBuddy(text5);
    outer->addWidget(keyboard);
    outer->addWidget(text5);

    auto* controls = new QHBoxLayout;
    auto* command3 = form::button("Command3", QStringLiteral("&Send"), this);
    auto* command4 = form::button("Command4", QStringLiteral("S&top"), this);
    label8 = label("Label8", QString(), this);
    label8->setAccessibleName(QStringLiteral("Speed"));
    auto* command7 = form::button("Command7", QStringLiteral("&Faster"), this);
    auto* command8 = form::button("Command8", QStringLiteral("S&lower"), this);
    controls->addWidget(command3);
    controls->addWidget(command4);
    controls->addStretch(1);
    controls->addWidget(label8);
    controls->addWidget(label("lblWpm", QStringLiteral("WPM"), this));
    controls->addWidget(command7);
    controls->addWidget(command8);
    outer->addLayout(controls);

    connect(command2, &QPushButton::clicked, this, [this] { logic->Command2_Click(); });
    connect(command1, &QPushButton::clicked, this, [this] { logic->Command1_Click(); });
    connect(command3, &QPushButton::clicked, this, [this] { logic->Command3_Click(); });
    connect(command4, &QPushButton::clicked, this, [this] { logic->Command4_Click(); });
    connect(command7, &QPushButton::clicked, this, [this] { logic->Command7_Click(); });
    connect(command8, &QPushButton::clicked, this, [this] { logic->Command8_Click(); });
    connect(command6, &QPushButton::clicked, text1, &QPlainTextEdit::clear);
    connect(command5, &QPushButton::clicked, text2, &QPlainTextEdit::clear);
    // Typed or pasted, every character goes to the keyer and none stays.
    connect(text5, &QLineEdit::textEdited, this, &CodePracticeWindow::keyboardEdited);
    text5->installEventFilter(this);
    text1->installEventFilter(this);

    setTabOrder(text3, text4);
    setTabOrder(text4, option1);
    setTabOrder(option1, command2);
    setTabOrder(command2, command1);
    setTabOrder(command1, text1);
    setTabOrder(text1, command6);
    setTabOrder(command6, text2);
    setTabOrder(text2, command5);
    setTabOrder(command5, text5);
    setTabOrder(text5, command3);
    setTabOrder(command3, command4);
    setTabOrder(command4, command7);
    setTabOrder(command7, command8);
}

bool CodePracticeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (watched == text5 && key->key() == Qt::Key_Backspace && plain) {
        logic->keyboardCharacter(QLatin1Char('\b'));
        return true;
    }
    // Letters typed into the text to send become capitals.
    if (watched == text1 && plain && key->text().size() == 1) {
        const QChar c = key->text().front();
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            text1->insertPlainText(QString(c.toUpper()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CodePracticeWindow::keyboardEdited(const QString& text)
{
    text5->clear();
    for (QChar c : text)
        logic->keyboardCharacter(c);
}

void CodePracticeWindow::done(int result)
{
    if (!logic->closeRequested())
        return; // the character being keyed ends first
    QDialog::done(result);
}

QString CodePracticeWindow::practiceText() const
{
    return text1->toPlainText();
}

void CodePracticeWindow::setPracticeText(const QString& text)
{
    text1->setPlainText(text);
}

void CodePracticeWindow::setPracticeCaret(int position)
{
    QTextCursor c = text1->textCursor();
    c.setPosition(position);
    text1->setTextCursor(c);
}

void CodePracticeWindow::focusPracticeText()
{
    text1->setFocus();
}

void CodePracticeWindow::appendSent(const QString& text)
{
    caretToEnd(text2);
    text2->insertPlainText(text);
    caretToEnd(text2);
}

void CodePracticeWindow::chopSent()
{
    caretToEnd(text2);
    text2->textCursor().deletePreviousChar();
}

QString CodePracticeWindow::groupsText() const
{
    return text3->text();
}

void CodePracticeWindow::setGroupsText(const QString& text)
{
    text3->setText(text);
}

QString CodePracticeWindow::perGroupText() const
{
    return text4->text();
}

void CodePracticeWindow::setPerGroupText(const QString& text)
{
    text4->setText(text);
}

bool CodePracticeWindow::lettersOnly() const
{
    return option1->isChecked();
}

QString CodePracticeWindow::clipboardText() const
{
    return QGuiApplication::clipboard()->text();
}

void CodePracticeWindow::showSpeed(const QString& wpm)
{
    label8->setText(wpm);
}

} // namespace zelq
