#pragma once
// Where the shared log lives: an SQLite file (the embedded default, for the
// positions of one computer) or a database on a PostgreSQL log server
// ("postgresql://[user@]host[:port]/dbname", for positions on several
// computers). A password never appears here: libpq takes it from
// PGPASSWORD or ~/.pgpass.

#include <QString>

namespace zelq {

struct LogAddress {
    enum class Kind { Invalid, SQLiteFile, PostgreSQL };

    Kind kind = Kind::Invalid;
    QString filePath; // absolute, for SQLite
    QString host;     // PostgreSQL
    int port = 5432;
    QString user;
    QString database;
    QString problem;  // why an address is Invalid

    // A log path setting as typed; blanks around it are ignored. Relative
    // file paths resolve against `baseFolder` (the installation folder).
    static LogAddress parse(const QString& text, const QString& baseFolder = QString());

    bool isValid() const { return kind != Kind::Invalid; }
    bool isServer() const { return kind == Kind::PostgreSQL; }
    // Short form for messages: the file path, or host:port/database.
    QString display() const;
};

} // namespace zelq
