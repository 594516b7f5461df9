#include "settings/AtomicFile.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace zelq {

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    if (path.isEmpty())
        return fail(error, QStringLiteral("no file name"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());

    // Every step is checked before commit(): once the temporary file is
    // renamed, the old content is gone.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(error, reason);
    }
    // Space the file system only reserves late (or a network file system)
    // shows up when the data is forced out, still before the rename.
    if (::fsync(file.handle()) != 0 && errno != EINVAL) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return fail(error, reason);
    }
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

bool writeTextFileAtomically(const QString& path, const QString& text, QString* error)
{
    return writeFileAtomically(path, text.toUtf8(), error);
}

} // namespace zelq
