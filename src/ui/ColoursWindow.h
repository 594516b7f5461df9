#pragma once
// The multiplier colours: how the grid marks a multiplier still to work
// and one already worked. The window edits the preferences in place; the
// caller saves them and redraws the grid when it closes.

#include "core/OperatorDialogs.h"

#include <QColor>
#include <QDialog>

class QLabel;

namespace zelq {

struct Preferences;

// Between the preferences file's colour layout and Qt's.
QColor colourFromStored(quint32 stored);
quint32 storedFromRgb(Rgb rgb);

class ColoursWindow final : public QDialog {
    Q_OBJECT
public:
    ColoursWindow(Preferences& prefs, OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // Asks for a new colour and, unless the choice is cancelled, stores it
    // and paints the sample.
    void changeRemaining();
    void changeWorked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void paintSamples();
    bool choose(const QString& title, quint32& setting);

    Preferences& prefs;
    OperatorDialogs& dialogs;
    QLabel* remainingSample;
    QLabel* workedSample;
};

} // namespace zelq
