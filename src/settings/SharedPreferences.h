#pragma once
// Preferences shared with sister programs: a small XML file of one element
// per line, <TAG>value</TAG>, after the XML declaration and without a root
// element. CR LF goes before each element and after the last. Tags are
// upper case. Values are XML-escaped (& < > " ' as entities, line breaks as
// character references), so no value can make the file unreadable to an
// XML reader; a file written without escaping still reads: text between
// the tags that is no entity is taken as it stands.

#include <QString>
#include <optional>

namespace zelq {

// The text of a value inside an element, and back. unescapeXmlText decodes
// the five named entities and numeric character references and leaves any
// other "&" as it stands.
QString escapeXmlText(const QString& value);
QString unescapeXmlText(const QString& text);

class SharedPreferences {
public:
    static const QString& declaration(); // <?xml version="1.0" encoding="UTF-8" ?>

    // Reads the file at `path` (remembered for later saves). A missing or
    // empty file starts a new document; a file that exists but cannot be read
    // returns false with the error text and also starts a new document.
    bool LoadSharedPreferences(const QString& path, QString* errorText = nullptr);

    // Sets <TAG>value</TAG> (tag upper-cased): an existing element keeps its
    // place, a new one goes at the end. With `save`, the document is written
    // to the remembered file. Returns false (and an error text) for a tag that
    // is not a plain XML name or when saving fails.
    bool SetSharedPreference(const QString& tag, const QString& value, bool save,
                             QString* errorText = nullptr);

    // Replaces the file at `path` (remembered from then on) with the document;
    // a failed write leaves the old file whole.
    bool SaveSharedPreferences(const QString& path, QString* errorText = nullptr);

    // The value of <TAG> as it was set (unescaped); nullopt when the document
    // has no such element.
    std::optional<QString> value(const QString& tag) const;

    const QString& document() const { return sharedPreferencesDocument; }
    const QString& path() const { return filePath; }

private:
    QString sharedPreferencesDocument = declaration();
    QString filePath;
};

} // namespace zelq
