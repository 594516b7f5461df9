#include "log/ContactEdit.h"

#include "core/OperatorDialogs.h"
#include "log/ContactCache.h"
#include "log/ContactEntry.h"
#include "log/CountryCompletion.h"
#include "log/LogSession.h"
#include "log/SectionTable.h"
#include "log/TypedDateTime.h"

#include <algorithm>

namespace zelq {

namespace {

const QChar enter(u'\r');
const QChar backspace(u'\b');
const QChar doubleQuote(u'"');
const QChar apostrophe(u'\'');

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

const QString crlf = QStringLiteral("\r\n");

} // namespace

ContactSelection ContactSelection::fromCache(const ContactCache& cache, int row)
{
    if (row < 1 || row > cache.count())
        return {};
    const Contact& c = cache.row(row);
    return {row, c.calls, c.uband, c.fldtime};
}

EditKeyResult editFieldKey(EditField field, QChar typed)
{
    using Action = EditKeyResult::Action;
    if (typed == enter)
        return {Action::Done, typed};
    if (typed == backspace)
        return {Action::Type, typed};

    switch (field) {
    case EditField::Date:
        if (isDigit(typed) || typed == u'/')
            return {Action::Type, typed};
        return {Action::Refuse, typed};
    case EditField::Time:
        if (isDigit(typed) || typed == u':')
            return {Action::Type, typed};
        return {Action::Refuse, typed};
    default:
        break;
    }

    if (typed == doubleQuote)
        return {Action::Refuse, typed};
    if (typed == apostrophe && field != EditField::Band)
        return {Action::Refuse, typed};
    if (field == EditField::Spc)
        return {Action::Type, typed};
    return {Action::Type, Capital(typed)};
}

EditSpcKeyResult editSpcKey(const PrefixTable& prefixes, const QString& text, int caret, QChar typed)
{
    EditSpcKeyResult r;
    r.text = text;
    r.caret = std::clamp(caret, 0, int(text.size()));
    r.ch = typed;
    if (typed == backspace)
        return r;
    if (text.isEmpty() || r.caret == 0) {
        r.text.clear();
        r.caret = 0;
        r.ch = typed.toUpper();
    }
    if (auto c = completeCountryName(prefixes, r.text.left(r.caret), r.ch, Qt::CaseSensitive)) {
        r.text = c->text;
        r.caret = c->caret;
        r.selStart = c->selStart;
        r.selLength = c->selLength;
        r.consumed = true;
    }
    return r;
}

bool isEditBand(const QString& band)
{
    static const QStringList bands{QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20"),
                                   QStringLiteral("40"), QStringLiteral("80"), QStringLiteral("160")};
    return bands.contains(band, Qt::CaseSensitive);
}

bool isInvalidEditSection(const QString& spc)
{
    if (spc.size() < 2 || spc.size() > 3)
        return false;
    for (int i = 1; i <= SectionTable::Count; ++i)
        if (spc == SectionTable::abbreviation(i))
            return false;
    return true;
}

EditDoneResult checkEditDone(const ContactCache& cache, int row, Contact edited)
{
    EditDoneResult r;
    if (edited.spc.size() == 2 || edited.spc.size() == 3)
        edited.spc = edited.spc.toUpper();
    r.contact = std::move(edited);
    const Contact& c = r.contact;

    const auto time = normaliseTypedTime(c.fldtime);
    if (!time) {
        r.stop = EditDoneResult::Stop::InvalidTime;
        return r;
    }
    const auto date = normaliseTypedDate(c.flddate);
    if (!date) {
        r.stop = EditDoneResult::Stop::InvalidDate;
        return r;
    }
    // Stored as a contact logged live stores them, whatever form was typed.
    r.contact.fldtime = *time;
    r.contact.flddate = *date;
    for (int i = 1; i <= cache.count(); ++i) {
        if (i == row)
            continue;
        const Contact& other = cache.row(i);
        if (other.calls == c.calls && other.uband == c.uband)
            ++r.duplicates;
    }
    r.sectionInvalid = isInvalidEditSection(c.spc);
    // A band outside the six would be written even though leaving the band
    // field refuses it (Enter in another field runs Done at once).
    r.bandInvalid = !isEditBand(c.uband);
    return r;
}

bool updateSelectedContact(LogSession& session, OperatorDialogs& dialogs,
                           const ContactSelection& selection, const Contact& edited)
{
    if (session.store().update(edited, selection.call, selection.band, selection.time))
        return true;
    dialogs.message(LogWriteErrorTitle,
                    QStringLiteral("Unable to save the changed contact - Network Error") + crlf + crlf
                        + session.store().errorString(),
                    {DialogButton::Ok}, DialogIcon::Critical);
    return false;
}

bool deleteSelectedContact(LogSession& session, OperatorDialogs& dialogs,
                           const ContactSelection& selection)
{
    if (session.store().deleteOne(selection.call, selection.band, selection.time))
        return true;
    dialogs.message(LogWriteErrorTitle,
                    QStringLiteral("Unable to delete the contact - Network Error") + crlf + crlf
                        + session.store().errorString(),
                    {DialogButton::Ok}, DialogIcon::Critical);
    return false;
}

} // namespace zelq
