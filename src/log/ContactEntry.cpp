#include "log/ContactEntry.h"

#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "log/CountryCompletion.h"
#include "log/CountryLookup.h"
#include "log/DuplicateCheck.h"
#include "log/LogSession.h"
#include "log/SectionRules.h"
#include "log/TypedDateTime.h"
#include "settings/Preferences.h"
#include "settings/QuotedFile.h"

#include <QLocale>
#include <QScopeGuard>
#include <cmath>

namespace zelq {

namespace {

constexpr qint64 holdMs = 3000;
const QChar enter(u'\r');
const QChar space(u' ');
const QChar backspace(u'\b');

// Characters "." to "Z": those that can be part of a call.
bool callCharacter(QChar c)
{
    return c.unicode() >= 46 && c.unicode() <= 90;
}

bool same(const QString& a, const char* b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// The same call on the same band: the same contact tried again.
bool sameAttempt(const Contact& a, const Contact& b)
{
    return a.calls.compare(b.calls, Qt::CaseInsensitive) == 0
        && a.uband.compare(b.uband, Qt::CaseInsensitive) == 0;
}

} // namespace

QChar Capital(QChar c)
{
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        return QChar(c.unicode() - 32);
    return c;
}

std::optional<QChar> number(QChar c)
{
    if (c == backspace || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
        return c;
    return std::nullopt;
}

QString canadianSectionForCall(const QString& call)
{
    static const std::pair<const char*, const char*> table[] = {
        {"VE1", "NS"}, {"VE2", "QC"}, {"VE3", "ON"}, {"VE4", "MB"}, {"VE5", "SK"},
        {"VE6", "AB"}, {"VE7", "BC"}, {"VE8", "NWT"}, {"VE9", "NB"}, {"VO1", "NL"},
        {"VO2", "NL"}, {"VY1", "YT"}, {"VY2", "PE"}};
    const QString start = call.left(3);
    for (const auto& [prefix, section] : table)
        if (same(start, prefix))
            return QString::fromLatin1(section);
    return QString();
}

QString notLoggedMessage(WriteProblem problem)
{
    const auto cannotWrite = [](const char* why) {
        return QStringLiteral("Contact NOT logged - the log file cannot be written (%1).  Press Enter to try again.")
            .arg(QLatin1String(why));
    };
    switch (problem) {
    case WriteProblem::DiskFull: return cannotWrite("disk full");
    case WriteProblem::ReadOnly: return cannotWrite("read-only");
    case WriteProblem::DiskError: return cannotWrite("disk error");
    default: return NotLoggedMessage;
    }
}

ContactEntry::ContactEntry(LogSession& s, Preferences& p, const PrefixTable& t, OperatorDialogs& d,
                           Beeper& b, const Clock& c, EntryView& v)
    : session(s), prefs(p), prefixes(t), dialogs(d), beeper(b), clock(c), view(v)
{
}

bool ContactEntry::windowAccepts(QChar c)
{
    return c != QLatin1Char('\'') && c != QLatin1Char('"');
}

std::optional<QChar> ContactEntry::callKey(QChar c)
{
    const QString call = view.text(EntryField::Call);
    if (call.size() < 2) {
        view.setText(EntryField::Spc, QString());
        view.setContinent(QString());
        view.setBearing(QString());
        view.setMiles(QString());
    }
    if (isLoggedOn && call.size() < 3)
        view.setStatus(QStringLiteral(" "), StatusColour::Normal);
    if (!isLoggedOn) {
        view.setStatus(TimeOnPrompt, StatusColour::Normal);
        beeper.beep();
    }
    if (c == enter) {
        Mains();
        return std::nullopt;
    }
    if (c == space) {
        view.focus(EntryField::Name);
        return std::nullopt;
    }
    const QChar typed = Capital(c);
    PartialDupCheck(typed);
    return typed;
}

std::optional<QChar> ContactEntry::nameKey(QChar c)
{
    if (c == enter) {
        Mains();
        return std::nullopt;
    }
    if (c == space) {
        view.focus(EntryField::Spc);
        return std::nullopt;
    }
    return Capital(c);
}

std::optional<QChar> ContactEntry::spcKey(QChar c, int caret)
{
    if (c == enter) {
        Mains();
        return std::nullopt;
    }
    if (c == backspace)
        return c;
    if (caret == 0 && c == space) {
        view.focusNext(EntryField::Spc);
        return std::nullopt;
    }
    QString text = view.text(EntryField::Spc);
    if (caret == 0 && !text.isEmpty()) {
        // a new entry replaces the old one ("Not Found", a country filled in)
        view.setText(EntryField::Spc, QString());
        text.clear();
    }
    const SpcKeyOutcome o = spcTypeCharacter(prefixes, text, caret, c);
    if (o.text != text)
        view.setText(EntryField::Spc, o.text);
    if (!o.consumed)
        return o.passChar;
    view.select(EntryField::Spc, o.selStart, o.selLength);
    if (o.completedRow) {
        const PrefixRow& row = prefixes.row(o.completedRow);
        view.setContinent(row.continent);
        const BearingDistance bd =
            HDCalc(row.latitude, row.longitude, {double(prefs.latitude), double(prefs.longitude)});
        view.setBearing(bd.bearing);
        view.setMiles(bd.miles);
        spcChanged(); // the continent came after the text
    }
    if (o.focusNext)
        view.focusNext(EntryField::Spc);
    return std::nullopt;
}

std::optional<QChar> ContactEntry::postDateKey(QChar c)
{
    if (c == space) {
        view.focusNext(EntryField::PostDate);
        return std::nullopt;
    }
    if (c == enter) {
        Mains();
        return std::nullopt;
    }
    if (c == backspace || c == QLatin1Char('/') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
        return c;
    return std::nullopt;
}

std::optional<QChar> ContactEntry::postTimeKey(QChar c)
{
    if (c == space) {
        view.focusNext(EntryField::PostTime);
        return std::nullopt;
    }
    if (c == enter) {
        Mains();
        return std::nullopt;
    }
    if (c == backspace || c == QLatin1Char(':') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
        return c;
    return std::nullopt;
}

void ContactEntry::callChanged()
{
    QString spc = view.text(EntryField::Spc);
    QString continent = view.continent();
    QString bearing, miles;
    const CountryLookupResult r = LookupCallCountry(
        prefixes, view.text(EntryField::Call), spc, {double(prefs.latitude), double(prefs.longitude)});
    if (r.continent)
        view.setContinent(*r.continent);
    if (r.bearing)
        view.setBearing(*r.bearing);
    if (r.miles)
        view.setMiles(*r.miles);
    if (r.spc && *r.spc != spc)
        view.setText(EntryField::Spc, *r.spc);
    if (r.selectSpc)
        view.select(EntryField::Spc, 0, -1);
}

void ContactEntry::spcChanged()
{
    const int band = bandIndex(prefs.band);
    view.setNewIndicator(newCountryIndicator(view.text(EntryField::Spc), view.continent(),
                                             session.multipliers().countries.countries(band)));
}

void ContactEntry::callFocusIn()
{
    if (onCallFocusIn)
        onCallFocusIn();
    if (view.text(EntryField::Call).isEmpty() && session.reloadPending())
        session.catchUp();
}

void ContactEntry::callFocusOut()
{
    if (busy)
        return;
    const QString call = view.text(EntryField::Call);
    if (!call.isEmpty())
        DupCheck(true);
    const QString now = view.text(EntryField::Call);
    if (view.text(EntryField::Spc).isEmpty() && now.size() > 2) {
        const QString section = canadianSectionForCall(now);
        if (!section.isEmpty()) {
            view.setText(EntryField::Spc, section);
            view.select(EntryField::Spc, 0, 2);
        }
    }
}

void ContactEntry::postDateFocusIn()
{
    if (view.text(EntryField::PostDate).isEmpty())
        view.setText(EntryField::PostDate, clock.localNow().date().toString(QStringLiteral("yyyy/MM/dd")));
    view.select(EntryField::PostDate, 0, -1);
}

void ContactEntry::frmcmp()
{
    entryIncomplete = false;
    const auto fail = [this](const QString& message, EntryField focus) {
        beeper.beep();
        view.setStatus(message, StatusColour::Normal);
        entryIncomplete = true;
        view.focus(focus);
    };
    if (view.text(EntryField::Spc).size() < 2)
        fail(QStringLiteral("Need S/P/C!"), EntryField::Call);
    if (view.text(EntryField::Name).isEmpty())
        fail(QStringLiteral("Need Name!"), EntryField::Name);
    if (view.text(EntryField::Call).size() < 3)
        fail(QStringLiteral("Need Call Sign!"), EntryField::Call);
}

bool ContactEntry::sectionInvalid()
{
    const QString spc = view.text(EntryField::Spc);
    if (spc.size() >= 4)
        return false; // a country name
    const SectionCheckResult r = CheckSectionValid(spc, view.continent());
    if (r.continent)
        view.setContinent(*r.continent);
    if (r.invalid) {
        beeper.beep();
        view.setStatus(InvalidSectionMessage, StatusColour::Normal);
        view.focus(EntryField::Spc);
    }
    return r.invalid;
}

void ContactEntry::DupCheck(bool whileTyping)
{
    const bool wasBusy = busy;
    busy = true;
    dupFlag = false;
    const QString call = view.text(EntryField::Call);
    const auto rows = session.store().selectByCall(call);
    if (!rows) {
        if (whileTyping) {
            beeper.beep();
            view.setStatus(DupCheckFailedText, StatusColour::Dupe);
        } else {
            dialogs.message(DupCheckFailedTitle, DupCheckFailedText, {DialogButton::Ok},
                            DialogIcon::Warning);
        }
        busy = wasBusy;
        return;
    }
    const DupCheckOutcome o = findDuplicate(*rows, call, prefs.band, view.text(EntryField::Name),
                                            view.text(EntryField::Spc));
    if (o.fillName) {
        view.setText(EntryField::Name, *o.fillName);
        view.select(EntryField::Name, 0, -1);
    }
    if (o.fillSpc) {
        view.setText(EntryField::Spc, *o.fillSpc);
        view.select(EntryField::Spc, 0, -1);
    }
    if (o.duplicate) {
        view.setStatus(dupeStatusText(*o.duplicate), StatusColour::Dupe);
        view.setPartialLine(QString());
        beeper.beep();
        if (onDuplicate)
            onDuplicate();
        dupFlag = true;
        dupTimeMs = clock.monotonicMs();
        view.focus(EntryField::Call);
        clearEntry();
    }
    busy = wasBusy;
}

void ContactEntry::PartialDupCheck(QChar c)
{
    view.setStatus(view.status(), StatusColour::Normal);
    view.setPartialLine(QString());
    const QString before = view.text(EntryField::Call);
    const QString s = before + c;
    QString list;
    if (partialOn && callCharacter(c)) {
        list = partialDupeList(session.cache(), s, prefs.band);
        view.setPartialLine(list);
    }
    if (!list.isEmpty() && before.size() > 2)
        view.setStatus(PossibleDuplicateMessage, StatusColour::Normal);
    else if (isLoggedOn)
        view.setStatus(QStringLiteral(" "), StatusColour::Normal);
    if (s.size() == 3 && callCharacter(c)) {
        if (callFormatSuspicious(s)) {
            beeper.beep();
            view.setStatus(NotNumericMessage, StatusColour::Normal);
        } else {
            view.setStatus(QStringLiteral(" "), StatusColour::Normal);
        }
    }
}

qint64 ContactEntry::holdRemainingMs() const
{
    if (!dupFlag)
        return 0;
    return std::max<qint64>(0, holdMs - (clock.monotonicMs() - dupTimeMs));
}

QDateTime ContactEntry::utcNow() const
{
    // Local time plus the offset setting, in minutes, as the operator set it.
    const QDateTime local = clock.localNow();
    return QDateTime(local.date(), local.time(), Qt::UTC)
        .addSecs(qint64(std::llround(prefs.utcOffset * 60.0)) * 60);
}

double ContactEntry::runningOperatingSeconds() const
{
    if (!isLoggedOn)
        return prefs.operatingSeconds;
    return std::fabs(double(timeOn.secsTo(clock.localNow())) + prefs.operatingSeconds);
}

void ContactEntry::restartOperatingTime()
{
    if (isLoggedOn)
        timeOn = clock.localNow();
}

void ContactEntry::cmdLogOn_Click()
{
    if (!isLoggedOn) {
        timeOn = clock.localNow();
        isLoggedOn = true;
        view.showLoggedOn(true);
        view.setStatus(QStringLiteral(" "), StatusColour::Normal);
    } else {
        prefs.operatingSeconds = runningOperatingSeconds();
        isLoggedOn = false;
        view.showLoggedOn(false);
        const QDateTime utc = utcNow();
        view.setStatus(QStringLiteral("Logged Off at ")
                           + QLocale::system().toString(utc.date(), QLocale::ShortFormat)
                           + QLatin1Char(' ') + utc.toString(QStringLiteral("hh:mm:ss")),
                       StatusColour::Normal);
        if (savePreferences)
            savePreferences();
        if (onLoggedOff)
            onLoggedOff();
    }
    view.focus(EntryField::Call);
}

void ContactEntry::clearEntry()
{
    view.setText(EntryField::Spc, QString());
    view.setText(EntryField::Call, QString());
    view.setText(EntryField::Name, QString());
    view.setContinent(QString());
    view.setBearing(QString());
    view.setMiles(QString());
}

void ContactEntry::cmdClear_Click()
{
    dupFlag = false;
    unconfirmed.reset();
    clearEntry();
    view.setPartialLine(QString());
    view.setStatus(QString(), StatusColour::Normal);
    view.focus(EntryField::Call);
}

void ContactEntry::cmdDup_Click()
{
    partialOn = !partialOn;
    view.setPartialLine(QString());
    view.showPartialDisplay(partialOn);
    view.focus(EntryField::Call);
}

Contact ContactEntry::contactFromFields(const QDateTime& utc) const
{
    Contact c;
    c.calls = view.text(EntryField::Call);
    c.namerec = view.text(EntryField::Name);
    c.spc = view.text(EntryField::Spc);
    c.cont = view.continent();
    if (view.postContestMode()) {
        c.flddate = view.text(EntryField::PostDate);
        c.fldtime = view.text(EntryField::PostTime);
    } else {
        c.flddate = utc.toString(QStringLiteral("yyyy/MM/dd"));
        c.fldtime = utc.toString(QStringLiteral("hh:mm:ss"));
    }
    c.uband = prefs.band;
    c.namesent = prefs.firstName;
    c.trn = formatNumber(prefs.transmitter);
    return c;
}

void ContactEntry::loggedSteps(const Contact& c)
{
    unconfirmed.reset();
    view.setStatus(QString(), StatusColour::Normal);
    // the same rule as a reload, so the score does not change with one
    session.multipliers().addContact(c);
    for (const auto& step : afterLogged)
        step();
}

ContactEntry::Stored ContactEntry::adoptIfStored(const Contact& typed)
{
    if (!unconfirmed || !sameAttempt(*unconfirmed, typed))
        return Stored::No;
    const auto rows = session.store().selectByCall(unconfirmed->calls);
    if (!rows)
        return Stored::Unknown;
    for (const Contact& row : *rows) {
        if (sameAttempt(row, *unconfirmed) && row.flddate == unconfirmed->flddate
            && row.fldtime == unconfirmed->fldtime) {
            const Contact stored = *unconfirmed;
            session.adoptContact(stored);
            loggedSteps(stored);
            return Stored::Yes;
        }
    }
    return Stored::No;
}

void ContactEntry::Mains()
{
    if (busy)
        return;
    busy = true;
    const auto done = qScopeGuard([this] { busy = false; });

    if (!isLoggedOn)
        cmdLogOn_Click();

    if (view.postContestMode()) {
        const auto date = parseTypedDate(view.text(EntryField::PostDate));
        if (!date) {
            beeper.beep();
            view.setStatus(QStringLiteral("Invalid date format!"), StatusColour::Normal);
            return;
        }
        view.setText(EntryField::PostDate, date->toString(QStringLiteral("yyyy/MM/dd")));
        const QString timeText = insertTimeColon(view.text(EntryField::PostTime));
        const auto time = parseTypedTime(timeText);
        if (!time) {
            view.setText(EntryField::PostTime, timeText);
            beeper.beep();
            view.setStatus(QStringLiteral("Invalid time format!"), StatusColour::Normal);
            return;
        }
        view.setText(EntryField::PostTime, typedTimeText(timeText, *time));
    }

    frmcmp();
    const bool invalidSection = sectionInvalid();
    if (!entryIncomplete && !invalidSection && unconfirmed) {
        // The last attempt may have reached the log after all.
        switch (adoptIfStored(contactFromFields(utcNow()))) {
        case Stored::Yes:
            clearEntry();
            view.focus(EntryField::Call);
            view.setPartialLine(QString());
            return;
        case Stored::Unknown:
            // Inserting again could store it twice: wait for the log.
            beeper.beep();
            view.setStatus(notLoggedMessage(session.store().lastWriteProblem()), StatusColour::Dupe);
            return;
        case Stored::No:
            break;
        }
    }
    DupCheck();

    if (!entryIncomplete && !dupFlag && !invalidSection) {
        const QString spc = view.text(EntryField::Spc);
        if (same(spc, "Alaska"))
            view.setText(EntryField::Spc, QStringLiteral("AK"));
        else if (same(spc, "Hawaii"))
            view.setText(EntryField::Spc, QStringLiteral("HI"));
        Contact c = contactFromFields(utcNow());
        if (unconfirmed && sameAttempt(*unconfirmed, c)) {
            // the same contact tried again keeps the time of its first try
            c.flddate = unconfirmed->flddate;
            c.fldtime = unconfirmed->fldtime;
        }
        if (!session.insertContact(c)) {
            // Nothing is kept of it in the cache: the operator sees it was
            // not logged and Enter tries again with the fields as they are.
            unconfirmed = c;
            beeper.beep();
            view.setStatus(notLoggedMessage(session.store().lastWriteProblem()), StatusColour::Dupe);
            return;
        }
        loggedSteps(c);
    }
    if (!invalidSection && !entryIncomplete) {
        clearEntry();
        view.focus(EntryField::Call);
    }
    view.setPartialLine(QString());
}

} // namespace zelq
