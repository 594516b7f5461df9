#pragma once
// "Voice Navigation Settings" (BlindFrm): Off, Call Only or All Data
// Fields. Choosing an option speaks it; Done stores the choice in the
// preferences and hides the window.

#include <QWidget>
#include <array>

class QRadioButton;

namespace zelq {

class VoiceNavigation;

class BlindWindow : public QWidget {
    Q_OBJECT
public:
    BlindWindow(VoiceNavigation& navigation, const QString& installFolder, QWidget* parent = nullptr);

    // Selects the option of the stored mode.
    void showMode(int mode);
    int chosenMode() const;
    void Command1_Click(); // Done

signals:
    // Done: the chosen mode is to be stored.
    void done(int mode);

private:
    VoiceNavigation& navigation;
    std::array<QRadioButton*, 3> options {};
};

} // namespace zelq
