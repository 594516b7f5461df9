#pragma once
// The operator's questions as real Qt dialogs, parented to a window of the
// program (or to none, before the log window exists).

#include "core/OperatorDialogs.h"

#include <QPointer>

class QWidget;

namespace zelq {

class QtOperatorDialogs final : public OperatorDialogs {
public:
    explicit QtOperatorDialogs(QWidget* parent = nullptr);

    DialogButton message(const QString& title, const QString& text,
                         const QList<DialogButton>& buttons = {DialogButton::Ok},
                         DialogIcon icon = DialogIcon::None) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& defaultText) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& suggestedPath,
                     const QString& filter) override;
    std::optional<Rgb> chooseColour(const QString& title, Rgb initial) override;

    // Dialogs opened later belong to this window.
    void setParentWidget(QWidget* parent);

private:
    QWidget* owner() const;

    QPointer<QWidget> parent;
};

// Message texts break lines with CR LF or CR; Qt's widgets want LF.
QString displayLineBreaks(const QString& text);

} // namespace zelq
