// How a position follows the other positions' changes: looking, catching
// up by the added rows alone, and the log server's notices.
#include "log/LogSession.h"

#include "log/SectionRules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace zelq {

namespace {

// "<pid> I <txid> <row as JSON>" or "<pid> C <txid>".
struct Notice {
    int pid = 0;
    bool added = false;
    qint64 txid = 0;
    Contact row;
};

std::optional<Notice> parseNotice(const QString& payload)
{
    const QStringList head = payload.section(QLatin1Char(' '), 0, 2).split(QLatin1Char(' '));
    if (head.size() != 3)
        return std::nullopt;
    Notice n;
    bool okPid = false, okTx = false;
    n.pid = head[0].toInt(&okPid);
    n.txid = head[2].toLongLong(&okTx);
    if (!okPid || !okTx || (head[1] != QLatin1String("I") && head[1] != QLatin1String("C")))
        return std::nullopt;
    n.added = head[1] == QLatin1String("I");
    if (!n.added)
        return n;
    const QJsonDocument doc = QJsonDocument::fromJson(payload.section(QLatin1Char(' '), 3).toUtf8());
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    static const char* const names[ColumnCount] = {"calls",   "namerec", "spc",      "cont", "flddate",
                                                   "fldtime", "uband",   "namesent", "trn"};
    for (int i = 0; i < ColumnCount; ++i) {
        const QJsonValue v = o.value(QLatin1String(names[i]));
        if (!v.isString() && !v.isNull())
            return std::nullopt;
        n.row.at(i) = v.toString();
    }
    return n;
}

} // namespace

LogSession::Change LogSession::lookForChanges()
{
    if (logStore.address().isServer()) {
        const auto n = logStore.rowCount();
        if (!n)
            return Change::Unreadable;
        if (*n == knownRows)
            return Change::None;
        knownRows = *n;
        pending = true;
        fullNeeded = true;
        return Change::Other;
    }
    const auto now = logStore.currentMark(knownVersion);
    if (!now)
        return Change::Unreadable;
    return noteMark(*now);
}

LogSession::Change LogSession::noteMark(const LogMark& now)
{
    if (now.dataVersion == knownVersion) // no other connection has committed
        return Change::None;
    knownVersion = now.dataVersion;
    if (now.count >= 0)
        knownRows = now.count;
    if (mark.edits < 0 || now.edits != mark.edits) {
        pending = true;
        fullNeeded = true;
        return Change::Other;
    }
    // Without deletions new rows take the rowids after the highest one by
    // one: rows beyond the mark that are not this position's own are
    // another's.
    qint64 own = 0;
    for (qint64 id : ownRowids)
        if (id > mark.maxRowid && id <= now.maxRowid)
            ++own;
    if (now.maxRowid - mark.maxRowid <= own && (now.count < 0 || now.count == contacts.count()))
        return Change::None;
    pending = true;
    return Change::Added;
}

void LogSession::takeNotices(const QStringList& payloads)
{
    if (payloads.isEmpty()) {
        pending = fullNeeded = true;
        return;
    }
    for (const QString& p : payloads) {
        const auto n = parseNotice(p);
        if (!n) {
            pending = fullNeeded = true;
            continue;
        }
        if (logStore.isOwnBackend(n->pid))
            continue; // in the cache already, or reloaded by the edit itself
        if (!n->added || mark.snapshot.isEmpty()) {
            pending = fullNeeded = true;
            continue;
        }
        if (committedBefore(mark.snapshot, n->txid))
            continue; // the last load has it
        noticedRows.push_back(n->row);
        pending = true;
    }
}

void LogSession::addToCache(const std::vector<Contact>& added)
{
    // Worked sections are flags; only the countries' lists keep an order
    // (first worked first), which a country put among earlier rows may
    // change.
    bool countryAmongEarlier = false;
    for (const Contact& c : added) {
        if (contacts.count() > 0 && earlierInLog(c, contacts.row(contacts.count()))
            && isCountryMultiplier(c.spc, c.cont))
            countryAmongEarlier = true;
        contacts.insertInTimeOrder(c);
    }
    if (!countryAmongEarlier) {
        for (const Contact& c : added)
            records.addContact(c);
        return;
    }
    MultiplierRecords rebuilt;
    for (const Contact& c : contacts.all())
        rebuilt.addContact(c);
    records = rebuilt;
}

bool LogSession::catchUpSQLite()
{
    LogStore::AddedRows added;
    const auto rows = logStore.selectAddedAfter(mark.maxRowid, added.rowids, added.mark);
    if (!rows)
        return false;
    added.rows = *rows;
    return applyAdded(added);
}

bool LogSession::applyAdded(const LogStore::AddedRows& added)
{
    const LogMark& now = added.mark;
    // Without an edit or a deletion the table holds the rows up to the
    // mark's highest rowid, and those read after it.
    if (now.edits != mark.edits)
        return false;
    std::vector<Contact> others;
    for (size_t i = 0; i < added.rows.size(); ++i)
        if (std::find(ownRowids.begin(), ownRowids.end(), added.rowids[i]) == ownRowids.end())
            others.push_back(added.rows[i]);
    // This position's contacts stored after the read are in the cache, not
    // among the rows read.
    std::vector<qint64> later;
    for (qint64 id : ownRowids)
        if (id > now.maxRowid)
            later.push_back(id);
    addToCache(others);
    const double stored = mark.count + double(added.rows.size());
    if (stored + double(later.size()) != contacts.count())
        return false; // something was missed: only a load can tell
    mark.count = stored;
    mark.maxRowid = std::max(mark.maxRowid, now.maxRowid);
    mark.dataVersion = now.dataVersion;
    knownVersion = now.dataVersion;
    knownRows = stored + double(later.size());
    ownRowids = later;
    return true;
}

void LogSession::followInBackground(std::function<bool()> mayApply)
{
    if (logStore.address().isServer() || !logStore.isOpen())
        return;
    if (looking) {
        lookAgain = true; // once the look under way has come back
        return;
    }
    looking = true;
    const int generation = loads;
    logStore.currentMarkLater(knownVersion, [this, generation, mayApply](std::optional<LogMark> now) {
        looking = false;
        // A load since the look was asked for knows more than it tells.
        if (now && generation == loads)
            noteMark(*now);
        if (pending && mayApply && mayApply()) {
            if (fullNeeded || !contacts.inTimeOrder()) {
                catchUp();
            } else if (!fetching) {
                fetching = true;
                const int gen = loads;
                const qint64 after = mark.maxRowid;
                logStore.selectAddedAfterLater(after, [this, gen, after, mayApply](
                                                          std::optional<LogStore::AddedRows> added) {
                    fetching = false;
                    if (gen != loads || !pending)
                        return; // a load came first
                    if (after != mark.maxRowid) { // caught up meanwhile (the call field's focus)
                        followInBackground(mayApply);
                        return;
                    }
                    if (!mayApply()) // typing began meanwhile: the rows are read again later
                        return;
                    if (!added || !applyAdded(*added)) {
                        WorkList();
                        return;
                    }
                    pending = false;
                    for (const auto& step : reloadSteps)
                        step();
                    // Rows stored while these were read: one more look.
                    followInBackground(mayApply);
                });
            }
        }
        if (lookAgain) {
            lookAgain = false;
            followInBackground(mayApply);
        }
    });
}

bool LogSession::catchUp()
{
    if (fullNeeded || !contacts.inTimeOrder())
        return WorkList();
    if (logStore.address().isServer()) {
        addToCache(noticedRows);
        knownRows += double(noticedRows.size());
        noticedRows.clear();
    } else if (!catchUpSQLite()) {
        return WorkList();
    }
    pending = false;
    for (const auto& step : reloadSteps)
        step();
    return true;
}

} // namespace zelq
