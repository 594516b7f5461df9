#pragma once
// Replacing a file whole: the new content is written beside the old file and
// renamed over it only when every byte reached the disk. A failure (a full
// disk, a folder where the file belongs, no permission) leaves the old file
// exactly as it was and says why.
//
// QSaveFile alone is not enough: when its buffered flush fails inside
// commit() (a full disk), commit() still renames the short temporary file
// over the original and reports success. Every file the program rewrites
// goes through writeFileAtomically().

#include <QByteArray>
#include <QString>

namespace zelq {

// Writes `bytes` to `path` atomically. On failure returns false, leaves any
// existing file untouched and sets `error` (when given) to the reason.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The program's text files: `text` as UTF-8.
bool writeTextFileAtomically(const QString& path, const QString& text, QString* error = nullptr);

} // namespace zelq
