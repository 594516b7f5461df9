#include "log/LogSession.h"

#include "core/OperatorDialogs.h"
#include "log/SectionRules.h"
#include "log/TypedDateTime.h"

#include <QDateTime>

namespace zelq {

namespace {

const QLatin1String crlf("\r\n");
constexpr int startupLoadBoundMs = 30000;

// Why a log refuses writes, for the warning when it is connected.
QString writeRefusal(WriteProblem p)
{
    switch (p) {
    case WriteProblem::DiskFull: return QStringLiteral("the disk is full");
    case WriteProblem::ReadOnly: return QStringLiteral("the file or its folder is read-only");
    default: return QStringLiteral("the disk reports an error");
    }
}

// Whether `earlier` lies at most a minute before `later`.
bool withinSkew(const Contact& later, const Contact& earlier)
{
    const auto d1 = parseTypedDate(later.flddate), d2 = parseTypedDate(earlier.flddate);
    const auto t1 = parseTypedTime(later.fldtime), t2 = parseTypedTime(earlier.fldtime);
    if (!d1 || !d2 || !t1 || !t2)
        return false;
    const qint64 gap = QDateTime(*d2, *t2, Qt::UTC).secsTo(QDateTime(*d1, *t1, Qt::UTC));
    return gap >= 0 && gap <= 60;
}

void call(const std::function<void()>& f)
{
    if (f)
        f();
}

} // namespace

QString connectFailureText(const QString& detail)
{
    QStringList lines{
        QStringLiteral("Unable to find your log file (ZELQLog.MDB).  Please very the location of the log file and try again."),
        QString(),
        QStringLiteral("Please check that:"),
        QString(),
        QStringLiteral("1. The path of the log file, or the address of the log server, is entered correctly."),
        QStringLiteral("2. Your network is up, and so is the log server or the computer that holds the log file."),
        QStringLiteral("3. The file is a ZELQ log.  \"New Log File\u2026\" in the station setup makes a new, empty one."),
        QString(),
        QStringLiteral("A log shared by positions on several computers belongs on the log server: "
                       "enter its address as postgresql://host/dbname at every position.")};
    if (!detail.isEmpty())
        lines << QString() << QStringLiteral("Reason: ") + detail;
    return lines.join(crlf);
}

LogSession::LogSession(LogStore& store, OperatorDialogs& dialogs)
    : logStore(store), dialogs(dialogs)
{
}

bool LogSession::connectLog(const QString& logPath, const QString& installFolder,
                            const std::function<void()>& beforeReport)
{
    if (!logStore.connect(logPath, installFolder)) {
        call(beforeReport);
        dialogs.message(QStringLiteral("File, Network or Install Error."),
                        connectFailureText(logStore.errorString()), {DialogButton::Ok},
                        DialogIcon::Critical);
        return false;
    }
    // A log that opens but refuses writes would otherwise fail at the first
    // contact; a busy or slow log is no such case.
    if (!logStore.probeWritable() && logStore.lastWriteProblem() != WriteProblem::Unreachable
        && logStore.lastWriteProblem() != WriteProblem::TimedOut) {
        dialogs.message(QStringLiteral("Log Cannot Be Written"),
                        QStringLiteral("The log %1 can be read, but contacts cannot be written to it: %2.")
                                .arg(logStore.address().display(), writeRefusal(logStore.lastWriteProblem()))
                            + crlf + crlf + QStringLiteral("Reason: ") + logStore.errorString(),
                        {DialogButton::Ok}, DialogIcon::Warning);
    }
    if (!warnedNetworkFileSystem && logStore.onNetworkFileSystem()) {
        warnedNetworkFileSystem = true;
        dialogs.message(
            QStringLiteral("Log File on a Network Drive"),
            QStringLiteral("The log file %1 lies on a network drive.  File locking across the network "
                           "cannot be trusted, and contacts logged at the same moment by two "
                           "computers can be lost.")
                    .arg(logStore.address().display())
                + crlf + crlf
                + QStringLiteral("Positions on several computers should share the log through the "
                                 "log server (postgresql://host/dbname) instead."),
            {DialogButton::Ok}, DialogIcon::Warning);
    }
    return true;
}

bool LogSession::mnuOpen2()
{
    // The first load may take its time: no one types yet.
    LogMark loaded;
    auto rows = logStore.selectAllOrderedMarked(loaded, startingUp ? startupLoadBoundMs
                                                                   : LogStore::ReadBoundMs);
    if (!rows)
        return false;
    ++loads;
    mark = loaded;
    knownVersion = loaded.dataVersion;
    ownRowids.clear();
    noticedRows.clear();
    fullNeeded = false;
    MultiplierRecords rebuilt;
    for (const Contact& c : *rows)
        rebuilt.addContact(c);
    contacts.assign(std::move(*rows));
    records = rebuilt;
    knownRows = contacts.count();
    return true;
}

bool LogSession::WorkList()
{
    pending = false;
    if (!mnuOpen2()) {
        if (startingUp) {
            dialogs.message(QStringLiteral("File Error"), QStringLiteral("Error opening file."),
                            {DialogButton::Ok}, DialogIcon::Critical);
            call(onFatalLoadError);
            return false;
        }
        // Keep showing what we had; the next poll tries again.
        pending = true;
        if (onStatus)
            onStatus(QStringLiteral("Unable to reload the log - Network Error"));
        return false;
    }
    for (const auto& step : reloadSteps)
        step();
    return true;
}

void LogSession::AskContinueLog()
{
    if (dialogs.askYesNo(QStringLiteral("Open existing log?"),
                         QStringLiteral("Do you want to continue an existing contest? (Yes opens your "
                                        "existing log, No erases any existing log and starts a new log.)")))
        WorkList();
    else
        StartNewLog();
}

void LogSession::StartNewLog()
{
    const auto answer = dialogs.inputText(
        QStringLiteral("WARNING - Your existing log file will be ERASED!"),
        QStringLiteral("Are you sure that you want to start a new log file?  This function will "
                       "ERASE the existing log file!")
            + crlf + crlf + QStringLiteral("To verify that you want to start a new log file, please type: YES"),
        QString());
    if (answer && answer->toUpper() == QLatin1String("YES")) {
        if (logStore.eraseAll()) {
            call(resetOperatingTime);
            contacts.clear();
            call(savePreferences);
        } else {
            dialogs.message(QStringLiteral("Network Error"),
                            QStringLiteral("Unable to erase the log - Network Error") + crlf + crlf
                                + logStore.errorString(),
                            {DialogButton::Ok}, DialogIcon::Critical);
        }
    }
    call(showOperatingTime);
    WorkList();
}

bool LogSession::insertContact(const Contact& c)
{
    if (!logStore.insert(c))
        return false;
    if (logStore.lastInsertedRowid() > 0)
        ownRowids.push_back(logStore.lastInsertedRowid());
    adoptContact(c);
    return true;
}

void LogSession::adoptContact(const Contact& c)
{
    knownRows += 1;
    // Positions' clocks differ by a few seconds: a contact stamped a moment
    // before the newest row (logged elsewhere) goes where a load would put
    // it, so the copy stays as the log orders it. One logged afterwards in
    // post-contest mode, hours back, stays at the end.
    if (contacts.count() > 0 && contacts.inTimeOrder()
        && earlierInLog(c, contacts.row(contacts.count()))
        && withinSkew(contacts.row(contacts.count()), c)) {
        const int band = bandIndex(c.uband);
        const bool newCountry = isCountryMultiplier(c.spc, c.cont)
            && !records.countries.contains(band, c.spc);
        contacts.insertInTimeOrder(c);
        if (newCountry) {
            // first worked among rows logged after it: its place in the
            // band's list is where a load puts it
            MultiplierRecords rebuilt;
            for (const Contact& row : contacts.all())
                rebuilt.addContact(row);
            records = rebuilt;
        }
        return;
    }
    contacts.append(c);
}

std::optional<bool> LogSession::logChangedElsewhere()
{
    const auto n = logStore.rowCount();
    if (!n)
        return std::nullopt;
    return *n != knownRows;
}

} // namespace zelq
