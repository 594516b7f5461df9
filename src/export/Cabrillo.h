#pragma once
// The Cabrillo 2.0 summary file of the whole station's log: the header
// lines the operator fills in, one QSO line per contact, END-OF-LOG.
// Lines end in CR LF; nothing here depends on the system locale.

#include "log/Contact.h"

#include <QString>

namespace zelq {

class ContactCache;
struct MultiplierRecords;
struct Preferences;

enum class CabrilloPower { None, High, Low, Qrp };

// What the summary window collects for the header.
struct CabrilloHeader {
    QString createdBy;       // the log window's title
    bool multiOp = false;    // MULTI-TWO instead of SINGLE-OP
    CabrilloPower power = CabrilloPower::None;
    QString operators;       // calls of all operators; the own call when blank
    QString name;
    QString addressLine1;
    QString addressLine2;
    QString email;
    QString soapbox;
};

// The frequency field of a band text: " 1800" … "28000", "50" for 6 m,
// empty for anything else (exact, case-sensitive match).
QString cabrilloFrequency(const QString& band);

// "CATEGORY: " line value: "SINGLE-OP ALL LOW", "MULTI-TWO ALL QRP", …
QString cabrilloCategory(bool multiOp, CabrilloPower power);

// One QSO line. Fields start at fixed columns; a field that runs up to or
// past the next column pushes the rest right, keeping one blank between
// fields. Calls are written whole.
QString cabrilloQsoLine(const Contact& c, const QString& ownCall, const QString& ownSpc,
                        const QString& mode);

// The whole file text: header, every row of the cache in order, END-OF-LOG.
QString cabrilloText(const CabrilloHeader& header, const ContactCache& cache,
                     const Preferences& prefs, const MultiplierRecords& records);

// Replaces the file at `path` with cabrilloText(); a failed write (a full
// disk) leaves any earlier file whole. False and the reason on failure.
bool writeCabrilloFile(const QString& path, const CabrilloHeader& header, const ContactCache& cache,
                       const Preferences& prefs, const MultiplierRecords& records,
                       QString* error = nullptr);

// The name proposed in the save dialog: <programFolder>/<call>.log, the call
// reduced to its file-safe part.
QString cabrilloFileProposal(const QString& programFolder, const QString& ownCall);

} // namespace zelq
