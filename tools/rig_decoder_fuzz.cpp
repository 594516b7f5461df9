// Feeds every rig reply decoder random replies (a million each by default)
// and checks that none crashes or reads past the reply: each reply is put
// at the very end of a page that is followed by an inaccessible one, so a
// read past its last byte stops the program at once. Not run by CTest.
//
//   rig_decoder_fuzz [REPLIES_PER_TYPE] [SEED]
#include "rig/RigCatalogue.h"
#include "rig/RigDecoders.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QTextStream>
#include <QCoreApplication>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

using namespace zelq;

namespace {

// Bytes a reply is made of: fragments of real answers mixed with noise,
// so the decoders get deep into their patterns.
const QByteArray Pieces[] = {
    "FA", "MD", "IF", "MD0", "@AF", "@RMM", ";", "\r", "0", "3", "7", "14025000", "00014025000",
    QByteArray("\xFE\xFE", 2), QByteArray("\xFD", 1), QByteArray("\x03", 1), QByteArray("\x04", 1),
    QByteArray("\xE0\x64", 2), QByteArray("\x00", 1), QByteArray("\x82", 1), "A", "M",
};

QByteArray randomReply(QRandomGenerator& rng)
{
    QByteArray out;
    const int parts = int(rng.bounded(12));
    for (int i = 0; i < parts; ++i) {
        if (rng.bounded(2)) {
            out += Pieces[rng.bounded(int(std::size(Pieces)))];
        } else {
            const int n = int(rng.bounded(8));
            for (int j = 0; j < n; ++j)
                out += char(rng.bounded(256));
        }
    }
    return out.left(4000);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    QRandomGenerator rng(argc > 2 ? quint32(std::atol(argv[2])) : 12345u);
    QTextStream out(stdout);

    const long page = sysconf(_SC_PAGESIZE);
    auto* area = static_cast<char*>(mmap(nullptr, size_t(2 * page), PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (area == MAP_FAILED || mprotect(area + page, size_t(page), PROT_NONE) != 0) {
        out << "cannot set up the guard page" << Qt::endl;
        return 1;
    }
    char* const end = area + page;

    for (const QString& type : rigCatalogue()) {
        if (type == RigTypes::Pegasus || type == RigTypes::None || type == RigTypes::Hamlib)
            continue; // a file, nothing, or a network daemon
        const RigTypeDefaults d = rigTypeDefaults(type);
        const PollStrings polls{d.frequencyPoll, d.modePoll, QString()};
        long decoded = 0;
        for (long i = 0; i < count; ++i) {
            const QByteArray reply = randomReply(rng);
            char* at = end - reply.size();
            std::memcpy(at, reply.constData(), size_t(reply.size()));
            const QByteArray guarded = QByteArray::fromRawData(at, reply.size());
            RigReading r;
            r.frequency = 1.0f;
            decodeReply(type, guarded, polls, int(i & 1), r);
            if (r.frequency != 1.0f || !r.mode.isEmpty())
                ++decoded;
        }
        out << type << ": " << count << " replies, " << decoded << " changed the reading" << Qt::endl;
    }
    out << "no crash, no read past a reply" << Qt::endl;
    return 0;
}
