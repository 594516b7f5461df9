#pragma once
// A private home for one test: HOME, the XDG folders and ZELQ_HOME point
// into a fresh folder under /tmp, and QSettings writes there too. The
// previous environment comes back when the object goes.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace zelq::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    QString home() const;        // $HOME
    QString dataHome() const;    // $XDG_DATA_HOME
    QString configHome() const;  // $XDG_CONFIG_HOME (QSettings lives here)
    QString installDir() const;  // $ZELQ_HOME
    // Writes a file (making its folders); returns its path.
    QString writeFile(const QString& relativePath, const QByteArray& content) const;

private:
    void setEnv(const char* name, const QString& value);

    QTemporaryDir dir;
    QMap<QByteArray, std::optional<QByteArray>> saved;
};

} // namespace zelq::test
