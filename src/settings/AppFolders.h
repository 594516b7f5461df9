#pragma once
// The program's own folders: the installation folder (its writable home for
// program-wide files) and the folder of the data shipped with it.

#include <QString>
#include <QStringList>

namespace zelq {

// "--install-dir DIR" or "--install-dir=DIR" (the last one given counts),
// else $ZELQ_HOME, else ~/.local/share/zelq. Absolute and clean.
QString resolveInstallFolder(const QStringList& args);

// <programDir>/../share/zelq for an installed program, else the source
// tree's data folder (a program run from the build tree).
QString shippedDataFolder(const QString& programDir, const QString& sourceDataDir);

// The path of `name` in the first of `folders` that holds it, else in the
// shipped data folder; empty when none does.
QString findReadOnlyFile(const QString& name, const QStringList& folders,
                         const QString& shippedDataFolder);

// A relative name resolved against the installation folder (the working
// folder never changes and means nothing here); an absolute name as it is.
QString resolveInInstallFolder(const QString& installFolder, const QString& name);

} // namespace zelq
