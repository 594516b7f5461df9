#include "FakeDialogs.h"

namespace zelq::test {

template <typename T> std::optional<T> FakeDialogs::take()
{
    if (answers.empty() || !std::holds_alternative<T>(answers.front())) {
        ++unscripted;
        return std::nullopt;
    }
    T value = std::get<T>(answers.front());
    answers.pop_front();
    return value;
}

DialogButton FakeDialogs::message(const QString& title, const QString& text,
                                  const QList<DialogButton>& buttons, DialogIcon)
{
    asked.append({AskedDialog::Kind::Message, title, text, {}, buttons});
    auto answer = take<DialogButton>();
    if (answer)
        return *answer;
    return buttons.isEmpty() ? DialogButton::Ok : buttons.first();
}

std::optional<QString> FakeDialogs::inputText(const QString& title, const QString& prompt,
                                              const QString& defaultText)
{
    asked.append({AskedDialog::Kind::Input, title, prompt, defaultText, {}});
    auto answer = take<TextAnswer>();
    return answer ? answer->text : std::nullopt;
}

QString FakeDialogs::openFile(const QString& title, const QString& folder, const QString&)
{
    asked.append({AskedDialog::Kind::OpenFile, title, {}, folder, {}});
    auto answer = take<FileAnswer>();
    return answer ? answer->path : QString();
}

QString FakeDialogs::saveFile(const QString& title, const QString& suggestedPath, const QString&)
{
    asked.append({AskedDialog::Kind::SaveFile, title, {}, suggestedPath, {}});
    auto answer = take<FileAnswer>();
    return answer ? answer->path : QString();
}

std::optional<Rgb> FakeDialogs::chooseColour(const QString& title, Rgb)
{
    asked.append({AskedDialog::Kind::Colour, title, {}, {}, {}});
    auto answer = take<ColourAnswer>();
    return answer ? answer->colour : std::nullopt;
}

QStringList FakeDialogs::messageTitles() const
{
    QStringList titles;
    for (const auto& a : asked)
        if (a.kind == AskedDialog::Kind::Message)
            titles << a.title;
    return titles;
}

} // namespace zelq::test
