#pragma once
// The program's text files of quoted values: settings files hold one value
// per line (text in double quotes, numbers bare), data files hold records of
// comma-separated fields. Lines end in CR LF when written; reading accepts
// CR LF or LF.
//
// "write" style:  "W1AW"          text quoted, numbers bare, fields joined by ","
//                 60000
// "print" style:  text unchanged; a number with a blank (or "-") in front and
//                 a blank after:  " 5 ", "-3.5 "
// Reading is free-format: a field is either quoted (everything up to the
// closing quote, commas included) or bare (up to the next comma or line end,
// surrounding blanks removed).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

namespace zelq {

// Shortest text that reads back as the same number, C locale, leading zero:
// 0.5, 72.7, -3.5, 60000.
QString formatNumber(double value);

// The same for a single-precision value (positions are kept as floats):
// 72.7272f gives 72.7272, not the digits of its double expansion.
QString formatSingle(float value);

// Reads a whole number text as a double; nullopt unless the entire trimmed
// text is a number in C locale.
std::optional<double> parseNumber(const QString& text);

// A whole number (rounded to the nearest) within int; nullopt otherwise.
std::optional<int> parseWholeNumber(const QString& text);

class QuotedReader {
public:
    // Reads the file whole; isOpen() tells whether that worked.
    explicit QuotedReader(const QString& path);
    // Reads from text in memory.
    static QuotedReader fromText(const QString& text);

    bool isOpen() const { return opened; }
    QString errorString() const { return error; }

    // The next record (all fields of the next line); nullopt at end of file.
    // An empty line is one empty field.
    std::optional<QStringList> nextRecord();

    // Next value in free-format order, crossing line ends; nullopt at end.
    std::optional<QString> nextField();

    // All values of the file, in order.
    QStringList allFields();

private:
    QuotedReader() = default;
    void setText(const QString& text);

    QStringList lines;
    int line = 0;
    QStringList pending; // fields of the current line not yet taken
    bool opened = false;
    QString error;
};

// Takes a settings file's values in order and counts those taken. Each
// taker returns false, taking nothing into its target, when the value is
// missing or not of its kind, so a chain of takers (a && b && ...) stops
// at the first value that cannot be read and count() tells how far it got.
class SettingsFields {
public:
    explicit SettingsFields(QuotedReader& r) : reader(r) {}
    bool text(QString& target);
    bool number(int& target);
    // #TRUE# / #FALSE# as the write form stores options; a number counts
    // too (non-zero is true), as a hand-edited file may hold one.
    bool option(bool& target);
    int count() const { return taken; }

private:
    QuotedReader& reader;
    int taken = 0;
};

// Splits one line into its fields (quoted or bare).
QStringList splitQuotedLine(const QString& line);

class QuotedWriter {
public:
    // write style, one value per line
    QuotedWriter& text(const QString& value);
    QuotedWriter& number(double value);
    QuotedWriter& single(float value);
    // write style, several fields on one line: strings quoted, numbers bare
    QuotedWriter& record(const QVariantList& fields);
    // print style
    QuotedWriter& printText(const QString& value);
    QuotedWriter& printNumber(double value);
    // a line as it stands, plus CR LF
    QuotedWriter& rawLine(const QString& line);

    const QString& content() const { return buffer; }

    // Replaces the file at once (written aside, then renamed only when all of
    // it was written): a crash or a full disk while saving leaves the old
    // file whole. Returns false and an error text.
    bool save(const QString& path, QString* errorText = nullptr) const;

private:
    QString buffer;
};

// Text of a file read whole (UTF-8; Latin-1 when the bytes are not UTF-8).
QString decodeFileText(const QByteArray& bytes);

} // namespace zelq
