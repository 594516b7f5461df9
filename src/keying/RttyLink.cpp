#include "keying/RttyLink.h"

#include "core/Clock.h"
#include "log/ContactEntry.h"
#include "log/KeyDispatch.h"

#include <QtCore/qnamespace.h>

namespace zelq {

namespace {

const QString Ry = QStringLiteral("RY");

const char* const ItemNames[] = {
    "txtBMyCall",  "txtBUrCall",  "txtBField1", "txtBField2", "txtBField3", "txtBField4",
    "txtBField5",  "txtBField6",  "txtBField7", "txtBField8", "txtSMyCall", "txtSUrCall",
    "txtSField1",  "txtSField2",  "txtSField3", "txtSField4", "txtSField5", "txtSField6",
    "txtSField7",  "txtSField8",
};

} // namespace

RttyLink::RttyLink(const Clock& c, QObject* parent) : QObject(parent), clock(c), rpc(this)
{
    for (const char* name : ItemNames)
        items.insert(QLatin1String(name), QString());
    pollTimer.setSingleShot(true);
    connect(&pollTimer, &QTimer::timeout, this, &RttyLink::poll);
}

int RttyLink::linkKeyCode(int qtKey)
{
    if (qtKey == Qt::Key_F10)
        return 124;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return 112 + (qtKey - Qt::Key_F1);
    return 0;
}

int RttyLink::macroForKeyCode(int code)
{
    if (code >= 112 && code <= 120)
        return code - 112;
    if (code == 124)
        return 9;
    if (code == 122)
        return 10;
    return -1;
}

QString RttyLink::cleanIncoming(const QString& text, bool isCall)
{
    QString clean;
    for (QChar c : text.trimmed()) {
        if (!ContactEntry::windowAccepts(c) || !c.isPrint())
            continue;
        if (isCall && c.isSpace())
            continue;
        clean += c.toUpper();
    }
    return clean;
}

bool RttyLink::inRtty() const
{
    return isWanted && mode && mode() == Ry;
}

bool RttyLink::active() const
{
    return inRtty() && TYRMLinked == 1;
}

void RttyLink::setWanted(bool on)
{
    if (on == isWanted)
        return;
    isWanted = on;
    if (!on) {
        ++attempt;
        pollTimer.stop();
        rpc.dropQueued();
        polling = false;
        setKeyboardMode(false);
        TYRMLinked = 0;
    }
}

void RttyLink::ConnectWithTYRM(const QString& host, quint16 port, std::function<void(bool)> done)
{
    isWanted = true;
    pollTimer.stop();
    rpc.dropQueued();
    rpc.setServer(host, port);
    // A fresh link: what fldigi holds now is news to the logger.
    for (auto it = items.begin(); it != items.end(); ++it)
        if (it.key().startsWith(QLatin1String("txtS")))
            it.value().clear();
    const quint64 mine = ++attempt;
    rpc.call(QStringLiteral("fldigi.version"), {}, [this, mine, done](const XmlRpcResult& r) {
        if (mine != attempt)
            return;
        if (r.ok) {
            TYRMLinked = 1;
            baselinePending = true;
        } else {
            TYRMLinked = 0;
            setKeyboardMode(false);
        }
        if (done)
            done(r.ok);
        polling = false;
        schedulePoll(r.ok ? 0 : retryMs);
    });
}

void RttyLink::SendToTYRM(const QString& ownCall, const QString& firstName, const QString& ownSpc)
{
    setItem(QStringLiteral("txtBMyCall"), ownCall);
    setItem(QStringLiteral("txtBField4"), firstName);
    setItem(QStringLiteral("txtBField2"), ownSpc);
}

void RttyLink::schedulePoll(int ms)
{
    if (isWanted)
        pollTimer.start(ms);
}

void RttyLink::setLinked(bool up)
{
    if (up == (TYRMLinked == 1))
        return;
    TYRMLinked = up ? 1 : 0;
    if (up) {
        baselinePending = true;
    } else {
        rpc.dropQueued();
        setKeyboardMode(false);
    }
    if (linkChanged)
        linkChanged(up);
}

void RttyLink::pollFailed()
{
    polling = false;
    setLinked(false);
    schedulePoll(retryMs);
}

void RttyLink::poll()
{
    if (!isWanted || polling)
        return;
    if (!inRtty()) {
        schedulePoll(retryMs); // no traffic outside RTTY; look at the mode again later
        return;
    }
    // Calls still waiting (keyboard text, macros): the poll waits its turn.
    if (rpc.queued() > 4) {
        schedulePoll(pollMs);
        return;
    }
    polling = true;
    const quint64 mine = attempt;
    auto stale = [this, mine] {
        if (mine == attempt && isWanted)
            return false;
        polling = false;
        return true;
    };
    rpc.call(QStringLiteral("log.get_call"), {}, [=, this](const XmlRpcResult& call) {
        if (stale())
            return;
        if (!call.ok)
            return pollFailed();
        setLinked(true);
        const QString fldigiCall = call.value.toString();
        if (baselinePending) {
            baselinePending = false;
            // The logger's own call wins over what fldigi held before the
            // link was (re)made.
            const QString own = callText ? callText() : QString();
            if (!own.isEmpty()) {
                setItem(QStringLiteral("txtSUrCall"), fldigiCall);
                if (fldigiCall != own)
                    sendCall(own);
            } else {
                incoming(EntryField::Call, QStringLiteral("txtSUrCall"), fldigiCall);
            }
        } else {
            incoming(EntryField::Call, QStringLiteral("txtSUrCall"), fldigiCall);
        }
        rpc.call(QStringLiteral("log.get_name"), {}, [=, this](const XmlRpcResult& name) {
            if (stale())
                return;
            if (!name.ok)
                return pollFailed();
            incoming(EntryField::Name, QStringLiteral("txtSField4"), name.value.toString());
            readSpc({QStringLiteral("log.get_state"), QStringLiteral("log.get_province"),
                     QStringLiteral("log.get_exchange")},
                    [=, this](const QString& spc) {
                        if (stale())
                            return;
                        incoming(EntryField::Spc, QStringLiteral("txtSField2"), spc);
                        if (!KeyboardRTTYMode) {
                            polling = false;
                            schedulePoll(pollMs);
                            return;
                        }
                        rpc.call(QStringLiteral("main.get_trx_state"), {},
                                 [=, this](const XmlRpcResult& trx) {
                                     if (stale())
                                         return;
                                     if (trx.ok) {
                                         trxState = trx.value.toString();
                                         if (trxState == QLatin1String("TX"))
                                             txAsked = false;
                                     }
                                     polling = false;
                                     schedulePoll(pollMs);
                                 });
                    });
        });
    });
}

void RttyLink::readSpc(const QStringList& methods, std::function<void(const QString&)> done)
{
    // The first of state, province and exchange that holds something;
    // never the country, which fldigi fills from the call by itself.
    const quint64 mine = attempt;
    rpc.call(methods.first(), {}, [=, this](const XmlRpcResult& r) {
        if (mine != attempt || !isWanted) {
            polling = false;
            return;
        }
        if (!r.ok && methods.size() == 3)
            return pollFailed(); // fldigi went away mid-poll
        const QString value = r.ok ? r.value.toString().trimmed() : QString();
        if (!value.isEmpty() || methods.size() == 1)
            return done(value);
        readSpc(methods.mid(1), done);
    });
}

void RttyLink::incoming(EntryField f, const QString& itemName, const QString& value)
{
    if (value == items.value(itemName))
        return;
    setItem(itemName, value);
    if (f == EntryField::Call) {
        const qint64 now = clock.monotonicMs();
        for (const Sent& s : sentCalls)
            if (s.value.compare(value, Qt::CaseInsensitive) == 0 && now - s.atMs <= EchoMs)
                return; // fldigi shows back (upper-cased) what the logger sent it
    }
    // An empty field in fldigi clears nothing the operator typed.
    const QString clean = cleanIncoming(value, f == EntryField::Call);
    if (clean.isEmpty() || !setField)
        return;
    copying = true;
    setField(f, clean);
    copying = false;
}

void RttyLink::rememberSent(const QString& call)
{
    const qint64 now = clock.monotonicMs();
    while (!sentCalls.empty() && now - sentCalls.front().atMs > EchoMs)
        sentCalls.pop_front();
    sentCalls.push_back({call, now});
}

void RttyLink::sendCall(const QString& call)
{
    rememberSent(call);
    setItem(QStringLiteral("txtBUrCall"), call);
    // fldigi applies the call some time after it answered: the second
    // for its echo counts from the answer, however long the call queued.
    // A failure shows in the next poll.
    rpc.call(QStringLiteral("log.set_call"), {call}, [this, call](const XmlRpcResult&) { rememberSent(call); },
             true);
}

void RttyLink::callChanged()
{
    // A call brought in from fldigi is not sent back to it.
    if (!active() || copying || !callText)
        return;
    sendCall(callText());
}

void RttyLink::setKeyboardMode(bool on)
{
    if (on == KeyboardRTTYMode)
        return;
    KeyboardRTTYMode = on;
    txAsked = false;
    trxState.clear();
    if (showStatus)
        showStatus(on ? KeyboardOnText : QString(), on ? StatusColour::KeyboardMode : StatusColour::Normal);
}

bool RttyLink::keyDownStep(const KeyStroke& k)
{
    if (!active())
        return false;
    const int code = linkKeyCode(k.key);
    if (code == 0 || k.ctrl || k.alt)
        return false;
    setItem(QStringLiteral("txtBField8"), QString::number(code));
    if (k.key == Qt::Key_F12) {
        setKeyboardMode(!KeyboardRTTYMode);
        if (KeyboardRTTYMode)
            rpc.call(QStringLiteral("main.get_trx_state"), {}, [this](const XmlRpcResult& r) {
                if (r.ok)
                    trxState = r.value.toString();
            });
        return true;
    }
    if (const int macro = macroForKeyCode(code); macro >= 0)
        rpc.call(QStringLiteral("main.run_macro"), {macro});
    return true;
}

bool RttyLink::characterStep(const KeyStroke& k)
{
    if (!active() || !KeyboardRTTYMode)
        return false;
    if (k.ch == KeyStroke::Escape)
        return false; // Esc still clears the entry
    if (k.ch == KeyStroke::Enter)
        typeToFldigi(QStringLiteral("\n"));
    else if (k.ch == KeyStroke::Backspace)
        typeToFldigi(QStringLiteral("\b"));
    else if (k.ch.isPrint())
        typeToFldigi(QString(k.ch.toUpper()));
    return true; // keyboard RTTY: nothing typed reaches the fields
}

void RttyLink::typeToFldigi(const QString& text)
{
    rpc.call(QStringLiteral("text.add_tx"), {text});
    if (!txAsked && trxState != QLatin1String("TX")) {
        txAsked = true;
        rpc.call(QStringLiteral("main.tx"));
    }
}

} // namespace zelq
