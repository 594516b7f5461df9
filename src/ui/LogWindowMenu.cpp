#include "ui/LogWindowMenu.h"

#include "log/Bands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace zelq {

namespace {

QAction* item(QMenu* menu, const char* text, const char* name, bool available = true)
{
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(available);
    return a;
}

// A top-level entry that is a command of its own rather than a menu.
QAction* command(QMenuBar* bar, const char* text, const char* name)
{
    QAction* a = bar->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void LogWindowMenu::build(QMenuBar* bar)
{
    // Items whose windows come with later parts of the program stay
    // disabled until they exist.
    constexpr bool later = false;

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuNew = item(file, "&New", "mnuNew");
    mnuOpen = item(file, "&Open", "mnuOpen", false);
    mnuArchive = item(file, "A&rchive Current Log", "mnuArchive", later);
    mnuCabrillo = item(file, "&Write Cabrillo File", "mnuCabrillo", later);
    mnuTavrinExport = item(file, "E&xport for Tavrin Import", "mnuTavrinExport", false);
    mnuAdif = item(file, "Ex&port ADIF Format", "mnuAdif", later);
    mnuCombine = item(file, "&Combine or Restore from Backup", "mnuCombine", later);
    mnuCopyListtoClipboard = item(file, "Copy &Listed Items to Clipboard", "mnuCopyListtoClipboard", later);
    file->addSeparator();
    mnuExit = item(file, "&Exit", "mnuExit");

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    QMenu* transmit = options->addMenu(QStringLiteral("&Transmit"));
    transmit->setObjectName(QStringLiteral("mnuTransmit"));
    mnuCWSetup = item(transmit, "&CW Setup", "mnuCWSetup", later);
    mnuVoiceSetup = item(transmit, "&Voice Setup", "mnuVoiceSetup", later);
    QMenu* appearance = options->addMenu(QStringLiteral("&Appearance"));
    appearance->setObjectName(QStringLiteral("mnuAppearance"));
    mnuFormSize = item(appearance, "&Form Size", "mnuFormSize");
    mnuColors = item(appearance, "&Colors", "mnuColors");
    mnuTaskbar = item(appearance, "&Taskbar", "mnuTaskbar");
    mnuRefreshRate = item(options, "&Refresh Rate", "mnuRefreshRate", later);
    mnuRigInterface = item(options, "Rig &Interface", "mnuRigInterface", later);
    mnuSerialPorts = item(options, "Serial &Ports…", "mnuSerialPorts");
    QMenu* spotting = options->addMenu(QStringLiteral("&DX Spotting"));
    spotting->setObjectName(QStringLiteral("mnuDXSpotting"));
    mnuSpotConfigure = item(spotting, "&Configure", "mnuSpotConfigure", later);
    mnuSpectrumMap = item(spotting, "&View Spectrum Map", "mnuSpectrumMap", later);
    mnuVoiceNavigation = item(options, "&Voice Navigation", "mnuVoiceNavigation", later);
    mnuPostContest = item(options, "&Post Contest Mode", "mnuPostContest", later);

    mnuSetup = command(bar, "&Setup", "mnuSetup");

    QMenu* band = bar->addMenu(QStringLiteral("&Band"));
    band->setObjectName(QStringLiteral("mnuBand"));
    for (int i = 1; i <= BandCount; ++i) {
        const QString text = bandText(i);
        QAction* a = band->addAction(text);
        a->setObjectName(QStringLiteral("mnuBand%1Ch").arg(text));
        a->setCheckable(true);
        a->setEnabled(isSelectableBand(text)); // 6 m is data only
        mnuBand[size_t(i - 1)] = a;
    }
    band->addSeparator();
    mnuPrivileges = item(band, "&Privileges", "mnuPrivileges", later);

    mnuClear = command(bar, "&Clear", "mnuClear");
    mnuGraph = command(bar, "&Graph", "mnuGraph");
    mnuGraph->setEnabled(later);
    mnuHelp = command(bar, "&Help", "mnuHelp");
}

void LogWindowMenu::checkBand(const QString& band)
{
    const int index = bandIndex(band);
    for (int i = 1; i <= BandCount; ++i)
        if (QAction* a = mnuBand[size_t(i - 1)])
            a->setChecked(i == index);
}

} // namespace zelq
