#pragma once
// Operator prompts and the beep for benches that run the real windows:
// every question gets its first button (Yes to continuing the log), and
// any other question than that one is noted, as a bench that met one did
// not measure what it meant to.

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"

#include <QStringList>

namespace zelq::bench {

class SilentDialogs final : public OperatorDialogs {
public:
    DialogButton message(const QString& title, const QString&, const QList<DialogButton>& buttons,
                         DialogIcon) override
    {
        lastTitle = title;
        if (title != QLatin1String("Open existing log?"))
            unexpected << title;
        return buttons.isEmpty() ? DialogButton::Ok : buttons.first();
    }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<Rgb> chooseColour(const QString&, Rgb) override { return std::nullopt; }

    QString lastTitle;
    QStringList unexpected;
};

class SilentBeeper final : public Beeper {
public:
    void beep() override {}
};

} // namespace zelq::bench
