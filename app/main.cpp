// zelqlog: the ZELQ Logger program.
#include "zelq_build_info.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZELQ Logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELQ_VERSION));
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--version"))) {
        out << "ZELQ Logger " << ZELQ_VERSION << Qt::endl;
        return 0;
    }
    out << "ZELQ Logger " << ZELQ_VERSION << ": the log window is not built yet." << Qt::endl;
    return 0;
}
