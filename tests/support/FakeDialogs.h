#pragma once
// Scripted operator: answers queued in order; every question is recorded.
// A question with no scripted answer gets the harmless default (the first
// button, a cancelled input, no file, no colour) and is counted in
// `unscripted`, so a test can assert that nothing unexpected was asked.

#include "core/OperatorDialogs.h"

#include <QStringList>
#include <deque>
#include <variant>

namespace zelq::test {

struct AskedDialog {
    enum class Kind { Message, Input, OpenFile, SaveFile, Colour };
    Kind kind;
    QString title;
    QString text;        // message text or input prompt
    QString defaultText; // input default, suggested path or folder
    QList<DialogButton> buttons;
};

class FakeDialogs final : public OperatorDialogs {
public:
    void answerButton(DialogButton b) { answers.push_back(b); }
    void answerText(std::optional<QString> t) { answers.push_back(TextAnswer{std::move(t)}); }
    void answerFile(const QString& path) { answers.push_back(FileAnswer{path}); }
    void answerColour(std::optional<Rgb> c) { answers.push_back(ColourAnswer{c}); }

    DialogButton message(const QString& title, const QString& text,
                         const QList<DialogButton>& buttons, DialogIcon icon) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& defaultText) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& suggestedPath,
                     const QString& filter) override;
    std::optional<Rgb> chooseColour(const QString& title, Rgb initial) override;

    // Titles of every message box shown, in order.
    QStringList messageTitles() const;
    int pendingAnswers() const { return int(answers.size()); }

    QList<AskedDialog> asked;
    int unscripted = 0;

private:
    struct TextAnswer { std::optional<QString> text; };
    struct FileAnswer { QString path; };
    struct ColourAnswer { std::optional<Rgb> colour; };
    using Answer = std::variant<DialogButton, TextAnswer, FileAnswer, ColourAnswer>;

    template <typename T> std::optional<T> take();

    std::deque<Answer> answers;
};

} // namespace zelq::test
