#pragma once
// Every question the program puts to the operator goes through this
// interface, so the logic that asks can run in tests with scripted answers.

#include <QList>
#include <QString>
#include <optional>

namespace zelq {

// A colour as 0xAARRGGBB, the layout of QRgb (kept free of Qt Gui here).
using Rgb = unsigned int;

enum class DialogButton { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

enum class DialogIcon { None, Information, Warning, Critical, Question };

class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    // A message box; returns the button the operator pressed (the last of
    // `buttons` when the box is closed without a choice).
    virtual DialogButton message(const QString& title, const QString& text,
                                 const QList<DialogButton>& buttons = {DialogButton::Ok},
                                 DialogIcon icon = DialogIcon::None) = 0;

    // Yes/No question; true for Yes.
    bool askYesNo(const QString& title, const QString& text)
    {
        return message(title, text, {DialogButton::Yes, DialogButton::No},
                       DialogIcon::Question)
            == DialogButton::Yes;
    }

    // Text input with a default answer; nullopt when cancelled.
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt,
                                             const QString& defaultText) = 0;

    // File choice; an empty string when cancelled. `filter` uses Qt's
    // "Description (*.ext)" form.
    virtual QString openFile(const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& suggestedPath,
                             const QString& filter) = 0;

    // Colour choice; nullopt when cancelled.
    virtual std::optional<Rgb> chooseColour(const QString& title, Rgb initial) = 0;
};

} // namespace zelq
