// How a position follows the other positions' changes: looking, catching
// up by the added rows alone, and the log server's notices.
#include "log/LogSession.h"

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
    if (now->count < 0) // no other connection has committed
        return Change::None;
    knownVersion = now->dataVersion;
    knownRows = now->count;
    if (mark.edits < 0 || now->edits != mark.edits) {
        pending = true;
        fullNeeded = true;
        return Change::Other;
    }
    qint64 highest = mark.maxRowid;
    for (qint64 id : ownRowids)
        highest = std::max(highest, id);
    if (now->count == contacts.count() && now->maxRowid <= highest)
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
    bool atEnd = true;
    for (const Contact& c : added) {
        if (contacts.count() > 0 && earlierInLog(c, contacts.row(contacts.count())))
            atEnd = false;
        contacts.insertInTimeOrder(c);
    }
    if (atEnd) {
        for (const Contact& c : added)
            records.addContact(c);
        return;
    }
    // A row among earlier ones may change the order in which countries
    // were first worked: build the records as a load does.
    MultiplierRecords rebuilt;
    for (const Contact& c : contacts.all())
        rebuilt.addContact(c);
    records = rebuilt;
}

bool LogSession::catchUpSQLite()
{
    std::vector<qint64> ids;
    LogMark now;
    const auto rows = logStore.selectAddedAfter(mark.maxRowid, ids, now);
    if (!rows || now.edits != mark.edits)
        return false;
    std::vector<Contact> others;
    for (size_t i = 0; i < rows->size(); ++i)
        if (std::find(ownRowids.begin(), ownRowids.end(), ids[i]) == ownRowids.end())
            others.push_back((*rows)[i]);
    addToCache(others);
    if (now.count != contacts.count())
        return false; // something was missed: only a load can tell
    mark = now;
    knownVersion = now.dataVersion;
    knownRows = now.count;
    ownRowids.clear();
    return true;
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
