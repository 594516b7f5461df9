#pragma once
// Preferences shared with sister programs: a small XML file of one element
// per line, <TAG>value</TAG>, after the XML declaration and without a root
// element. CR LF goes before each element and after the last. Tags are
// upper case; values are stored as given (no escaping), so the sister
// programs read them with plain text search too.

#include <QString>

namespace zelq {

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

    // Replaces the file at `path` (remembered from then on) with the document.
    bool SaveSharedPreferences(const QString& path, QString* errorText = nullptr);

    const QString& document() const { return sharedPreferencesDocument; }
    const QString& path() const { return filePath; }

private:
    QString sharedPreferencesDocument = declaration();
    QString filePath;
};

} // namespace zelq
