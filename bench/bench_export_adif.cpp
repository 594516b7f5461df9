// Export speed: the ADIF text and the "LogExp.txt" text of a 100,000-contact
// log (target: each under 1 s), with the shipped country table.
//
//   bench_export_adif [ADIFCNT_FILE]
#include "export/Adif.h"
#include "log/ContactCache.h"
#include "settings/Preferences.h"
#include "zelq_build_info.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace zelq;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(ZELQ_SOURCE_DATA_DIR "/ADIFCnt.txt");
    QTextStream out(stdout);

    AdifCountryTable table;
    QString error;
    if (!table.loadFile(path, &error)) {
        out << error << Qt::endl;
        return 1;
    }

    const char* spcs[] = {"CT", "ON", "HI", "AK", "NWT", "Germany", "MA", "BC"};
    const char* calls[] = {"W1AW", "VE3ABC", "KH6XX", "KL7Y", "VE8AA", "DL1ABC", "N1MM", "VA7Q"};
    std::vector<Contact> rows;
    rows.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        Contact c;
        c.calls = QString::fromLatin1(calls[i % 8]) + QString::number(i % 97);
        c.namerec = QStringLiteral("Name");
        c.spc = QString::fromLatin1(spcs[i % 8]);
        c.cont = QStringLiteral("NA");
        c.flddate = QStringLiteral("2024/01/02");
        c.fldtime = QStringLiteral("%1:%2:00").arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                        .arg(i % 60, 2, 10, QLatin1Char('0'));
        c.uband = QStringLiteral("20");
        rows.push_back(c);
    }
    ContactCache cache;
    cache.assign(std::move(rows));

    QElapsedTimer timer;
    timer.start();
    const QString adif = adifText(cache, Preferences(), table, QStringLiteral("100"),
                                  QStringLiteral("ZELQ Contest"),
                                  QStringLiteral("ZELQ Logger " ZELQ_VERSION),
                                  QDateTime::currentDateTime());
    const QByteArray adifBytes = adif.toUtf8();
    const double adifMs = double(timer.nsecsElapsed()) / 1e6;

    timer.restart();
    const QByteArray expBytes = logExpText(cache, QStringLiteral("100"), QStringLiteral("CW")).toUtf8();
    const double expMs = double(timer.nsecsElapsed()) / 1e6;

    out << "100000 contacts: ADIF " << adifMs << " ms (" << adifBytes.size() << " bytes), "
        << "LogExp " << expMs << " ms (" << expBytes.size() << " bytes); target < 1000 ms each"
        << Qt::endl;
    return adifMs < 1000 && expMs < 1000 ? 0 : 1;
}
