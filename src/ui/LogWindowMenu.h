#pragma once
// The log window's menu bar. Every item exists from the start; the items
// whose windows are not part of this program yet are shown disabled.

#include <QString>
#include <array>

class QAction;
class QMenuBar;

namespace zelq {

struct LogWindowMenu {
    QAction* mnuNew = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuArchive = nullptr;
    QAction* mnuCabrillo = nullptr;
    QAction* mnuTavrinExport = nullptr;
    QAction* mnuAdif = nullptr;
    QAction* mnuCombine = nullptr;
    QAction* mnuCopyListtoClipboard = nullptr;
    QAction* mnuExit = nullptr;

    QAction* mnuCWSetup = nullptr;
    QAction* mnuVoiceSetup = nullptr;
    QAction* mnuFormSize = nullptr;
    QAction* mnuColors = nullptr;
    QAction* mnuTaskbar = nullptr;
    QAction* mnuRefreshRate = nullptr;
    QAction* mnuRigInterface = nullptr;
    QAction* mnuSerialPorts = nullptr;
    QAction* mnuSpotConfigure = nullptr;
    QAction* mnuSpectrumMap = nullptr;
    QAction* mnuVoiceNavigation = nullptr;
    QAction* mnuPostContest = nullptr;

    QAction* mnuSetup = nullptr;
    // 160, 80, 40, 20, 15, 10, 6 (band index 1..7 at [index - 1])
    std::array<QAction*, 7> mnuBand{};
    QAction* mnuPrivileges = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuGraph = nullptr;
    QAction* mnuHelp = nullptr;

    // Fills the bar; items are named after their menu commands.
    void build(QMenuBar* bar);
    // Ticks the item of `band` and unticks the others.
    void checkBand(const QString& band);
};

} // namespace zelq
