// Country lookup speed: loading the prefix table, and resolving one call
// against it (target: under 5 µs per call), over a call for every prefix
// of the table plus portable and unknown calls.
//
//   bench_lookup [PREFIX_FILE]
#include "BenchSupport.h"
#include "log/CountryCompletion.h"
#include "log/CountryLookup.h"
#include "log/PrefixTable.h"
#include "zelq_build_info.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace zelq;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(ZELQ_SOURCE_DATA_DIR "/arrlpre2.txt");
    QTextStream out(stdout);

    constexpr int loads = 20;
    QElapsedTimer timer;
    timer.start();
    PrefixTable table;
    for (int i = 0; i < loads; ++i)
        table = PrefixTable::fromFile(path);
    const double loadMs = double(timer.nsecsElapsed()) / 1e6 / loads;
    if (table.isEmpty()) {
        out << "no prefix table at " << path << Qt::endl;
        return 1;
    }

    QStringList calls;
    for (int i = 1; i <= table.count(); ++i)
        calls << table.row(i).prefix + QStringLiteral("1XYZ");
    calls << QStringLiteral("W1AW/KH6") << QStringLiteral("VE3/W1AW") << QStringLiteral("KG4ABC")
          << QStringLiteral("Q1ABC") << QStringLiteral("w1aw");

    const StationPosition station{41.7148, 72.7272};
    constexpr int rounds = 20;
    qint64 worst = 0;
    int sink = 0;
    timer.restart();
    for (int r = 0; r < rounds; ++r) {
        for (const QString& call : calls) {
            QElapsedTimer one;
            one.start();
            const CountryLookupResult res = LookupCallCountry(table, call, QString(), station);
            worst = std::max(worst, one.nsecsElapsed());
            sink += int(res.spc.value_or(QString()).size());
        }
    }
    const double perCallUs = double(timer.nsecsElapsed()) / 1e3 / (double(rounds) * calls.size());

    timer.restart();
    constexpr int completions = 2000;
    for (int i = 0; i < completions; ++i)
        sink += completeCountryName(table, QStringLiteral("ME"), QChar('X'), Qt::CaseInsensitive) ? 1 : 0;
    const double completeUs = double(timer.nsecsElapsed()) / 1e3 / completions;

    out << "Country lookup (" << table.count() << " prefixes, " << calls.size() << " calls)\n";
    bench::FigureTable figures(out);
    figures.row("load prefix table", loadMs, "ms", "-");
    figures.row("LookupCallCountry, mean per call", perCallUs, "us", "< 5 us");
    figures.row("LookupCallCountry, worst call", double(worst) / 1e3, "us", "-");
    figures.row("country completion (ME+X)", completeUs, "us", "-");
    out << Qt::endl;
    return sink < 0 ? 1 : 0;
}
