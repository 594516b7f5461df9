// A screen reader can use every window: the program is driven through all
// its windows (the log window, station setup, and every window its menus,
// shortcuts and buttons open), and every control shown must have a name a
// screen reader can speak (its caption, its label, or a name of its own).
#include "LogWindowRun.h"
#include "ui/EditContactWindow.h"
#include "ui/GraphWindow.h"
#include "ui/LogWindowCw.h"
#include "ui/LogWindowPhone.h"
#include "ui/RigWindow.h"
#include "ui/CwSetupWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTextEdit>

using namespace zelq;
using namespace zelq::test;

namespace {

// Controls a screen reader lands on: buttons, fields, lists, sliders.
bool isControl(QWidget* w)
{
    QWidget* parent = w->parentWidget();
    // Parts of a composite control are named by the control itself.
    if (parent && (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent)
                   || qobject_cast<QTabBar*>(parent) || qobject_cast<QAbstractItemView*>(parent->parentWidget())))
        return false;
    if (qobject_cast<QScrollBar*>(w) || (parent && qobject_cast<QAbstractItemView*>(parent)))
        return false; // a list's own header and scroll bars
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)
        || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractItemView*>(w)
        || qobject_cast<QAbstractSlider*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w);
}

QString spokenName(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name).trimmed() : QString();
}

// Walks every shown window once, notes controls without a name, and
// closes the modal windows the program waits on once they were seen.
class Auditor : public QObject {
public:
    Auditor()
    {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, &Auditor::look);
        timer.start();
    }

    void look()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || top->objectName().isEmpty() || seen.contains(top->objectName()))
                continue;
            seen.insert(top->objectName());
            for (QWidget* w : top->findChildren<QWidget*>())
                if (w->isVisibleTo(top) && isControl(w) && spokenName(w).isEmpty())
                    nameless.append(QStringLiteral("%1: %2 (%3)").arg(top->objectName(), w->objectName(),
                                                                      QLatin1String(w->metaObject()->className())));
        }
        if (!closeModals)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            if (seen.contains(dialog->objectName()))
                dialog->reject();
    }

    QTimer timer;
    QSet<QString> seen;
    QStringList nameless;
    bool closeModals = false;
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void everyControlOfEveryWindowHasAName()
    {
        TempHome home;
        Run run(home);
        Auditor audit;
        START(run);
        audit.closeModals = true;

        // Log a contact, so the edit window has one to show.
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        QTRY_COMPARE(run.cacheCount(), 1);

        auto trigger = [&](const char* action) {
            QAction* a = run.window->findChild<QAction*>(QLatin1String(action));
            QVERIFY2(a, action);
            a->trigger();
            QCoreApplication::processEvents();
            audit.look();
        };
        for (const char* action : {"mnuCWSetup", "mnuVoiceSetup", "mnuVoiceNavigation", "mnuRigInterface",
                                   "mnuSpotConfigure", "mnuSerialPorts", "mnuColors", "mnuHelp", "mnuCabrillo",
                                   "mnuPrivileges", "mnuSpectrumMap", "mnuGraph", "mnuCombine"}) {
            trigger(action);
            if (QTest::currentTestFailed())
                return;
        }
        // The WinKey window, as "Configure Winkey" in the CW setup opens it.
        emit run.window->cwKeyer().setupWindow().configureWinKey();
        run.ctrl(Qt::Key_W); // CW messages
        // Code practice, from the CW setup window.
        if (auto* practice = run.window->findChild<QPushButton*>(QStringLiteral("cmdCodePractice")))
            practice->click();
        audit.look();
        run.ctrl(Qt::Key_G); // tune
        audit.look();
        if (run.window->rigWindow().openFrequencyTest)
            run.window->rigWindow().openFrequencyTest();
        // The graph needs more contacts than a test logs to open itself.
        GraphWindow graph(run.context->session.cache(), run.dialogs, run.window.get());
        graph.show();
        AppContext& app = *run.context;
        StationSetupWindow setup(app.prefs, app.prefixes, app.shared, app.session, app.dialogs, app.beeper,
                                 app.folders.install, run.window.get());
        setup.show();
        EditContactWindow edit(run.context->session, run.context->prefixes, run.dialogs, run.beeper, 1,
                               run.window.get());
        edit.show();
        QCoreApplication::processEvents();
        audit.look();
        run.dialogs.answerButton(DialogButton::No);

        const QStringList expected {QStringLiteral("Form1"),      QStringLiteral("CWFrm"),
                                    QStringLiteral("frmCWStrings"), QStringLiteral("PhoneFrm"),
                                    QStringLiteral("BlindFrm"),   QStringLiteral("RigControlfrm"),
                                    QStringLiteral("frmPorts"),   QStringLiteral("Form6"),
                                    QStringLiteral("Form5"),      QStringLiteral("Form2"),
                                    QStringLiteral("frmBandPlan"), QStringLiteral("GraphQSO"),
                                    QStringLiteral("frmEditCon"), QStringLiteral("frmFrequencyTest"),
                                    QStringLiteral("frmStationID"), QStringLiteral("PacketSpotfrm"),
                                    QStringLiteral("SpectrumMap"), QStringLiteral("frmRigTune"),
                                    QStringLiteral("frmImport"), QStringLiteral("frmCodePractice"),
                                    QStringLiteral("frmWinKey")};
        for (const QString& name : expected)
            QVERIFY2(audit.seen.contains(name), qPrintable(name + QStringLiteral(" was never shown; seen: ")
                                                           + QStringList(audit.seen.values()).join(u' ')));
        QVERIFY2(audit.nameless.isEmpty(), qPrintable(QStringLiteral("\n") + audit.nameless.join(u'\n')));
        qInfo() << "windows walked:" << audit.seen.size();
    }
};

QTEST_MAIN(TestAccessibility)

#include "tst_accessibility.moc"
