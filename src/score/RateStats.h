#pragma once
// Station rate statistics: the two running rates of the log window and the
// QSO-rate graph over the whole contest, computed from the contact cache
// (rows in chronological order, times UTC as logged).

#include "core/OperatorDialogs.h" // Rgb

#include <QDateTime>
#include <QStringList>
#include <optional>
#include <vector>

namespace zelq {

class ContactCache;
struct Contact;

// The logged moment of a contact: flddate "yyyy/MM/dd" and fldtime
// "hh:mm:ss" or "hh:mm", as UTC; nullopt when unreadable.
std::optional<QDateTime> loggedTime(const Contact& c);

struct Rates {
    int last60 = 0;   // contacts in the last 60 minutes
    int last20x3 = 0; // contacts in the last 20 minutes, times 3
};

// Walks back from the newest row and stops at the first row at least an
// hour old. Rows logged later than `utcNow` count in both rates; rows with
// an unreadable date or time are passed over.
Rates TimeStats(const ContactCache& cache, const QDateTime& utcNow);

// Fewer contacts than this give no graph.
inline constexpr int GraphMinimumContacts = 7;

// The legend colour of band index 1..7 (160 … 6); 0 for any other index.
Rgb bandColour(int bandIndex);

struct GraphColumns {
    static constexpr int Count = 1500;

    // Index 0..Count. Index 0 is the zero point left of column 1 (always 0);
    // columns 1..Count are the contest span.
    std::vector<float> raw;
    std::vector<float> smoothed;
    // Band colour of each column after carrying forward; 0 = none (drawn in
    // the background colour).
    std::vector<Rgb> band;

    float minimum = 0;
    float maximum = 0;

    QStringList timeLabels; // 15 × "hh:mm"
    QStringList dateLabels; // 15 × "MM/DD"
    QStringList yLabels;    // 17 × "0.0", bottom (minimum) to top (maximum)

    // False when the contacts span no time: the axis texts are set but
    // there is no curve to draw.
    bool plotted = false;
};

// The graph of the whole log; nullopt with fewer than GraphMinimumContacts
// contacts.
std::optional<GraphColumns> computeGraph(const ContactCache& cache);

} // namespace zelq
