#pragma once
// The link to fldigi while the logging mode is "RY": the items of the link
// (the model of the hidden link window frmDigitalSource), the calls,
// names and S/P/C clicked in fldigi brought into the entry fields, the
// call being worked and the function keys taken to fldigi, and keyboard
// RTTY. fldigi is polled; while it does not answer the link retries by
// itself, every few seconds, and comes back without the operator.

#include "keying/FldigiClient.h"
#include "log/EntryView.h"

#include <QMap>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

namespace zelq {

class Clock;
struct KeyStroke;

class RttyLink : public QObject {
    Q_OBJECT
public:
    static constexpr int PollMs = 250;
    static constexpr int RetryMs = 5000;
    static constexpr int EchoMs = 1000;

    inline static const QString DefaultHost = QStringLiteral("127.0.0.1");
    static constexpr quint16 DefaultPort = 7362;

    inline static const QString KeyboardOnText =
        QStringLiteral("Keyboard RTTY mode.  Press F12 to exit keyboard RTTY.");

    RttyLink(const Clock& clock, QObject* parent = nullptr);

    // The window's side.
    std::function<QString()> mode;                       // "CW", "PH" or "RY"
    std::function<QString()> callText;                   // the call field
    std::function<void(EntryField, const QString&)> setField;
    std::function<void(const QString&, StatusColour)> showStatus;
    // The link came back, or went away, by itself.
    std::function<void(bool up)> linkChanged;

    FldigiClient& client() { return rpc; }
    // The poll and retry intervals (tests shorten them).
    int pollMs = PollMs;
    int retryMs = RetryMs;

    // Whether the operator asked for the link ("Connect to fldigi?");
    // without it nothing is sent or polled.
    void setWanted(bool wanted);
    bool wanted() const { return isWanted; }

    // Asks fldigi for its version; `done` learns whether it answered.
    // Polling (and retrying) runs from here on while the link is wanted.
    void ConnectWithTYRM(const QString& host, quint16 port, std::function<void(bool)> done = {});
    // The station's own call, name and S/P/C into the link's items
    // (fldigi has no fields for them: they are kept, not sent).
    void SendToTYRM(const QString& ownCall, const QString& firstName, const QString& ownSpc);

    // The call field changed.
    void callChanged();
    // The log window's key dispatcher steps.
    bool keyDownStep(const KeyStroke& k);
    bool characterStep(const KeyStroke& k);

    // Link items of frmDigitalSource by name (txtBMyCall, txtSUrCall, ...).
    QString item(const QString& name) const { return items.value(name); }

    int TYRMLinked = 0;
    bool KeyboardRTTYMode = false;

    // The key code a key has on the link: F1..F12 are 112..123, except F10,
    // which is 124; 0 for other keys.
    static int linkKeyCode(int qtKey);
    // The fldigi macro a key code runs (F1..F9 → 0..8, F10 → 9, F11 → 10);
    // -1 when the code runs none.
    static int macroForKeyCode(int code);
    // Text from fldigi as an entry field takes it: upper case, by the
    // rules of pasted text; a call has no blanks.
    static QString cleanIncoming(const QString& text, bool isCall);

private:
    bool active() const; // mode "RY", wanted and linked
    bool inRtty() const;
    void setItem(const QString& name, const QString& value) { items[name] = value; }
    void setLinked(bool up);
    void schedulePoll(int ms);
    void poll();
    void pollFailed();
    void incoming(EntryField f, const QString& itemName, const QString& value);
    void readSpc(const QStringList& methods, std::function<void(const QString&)> done);
    void sendCall(const QString& call);
    void rememberSent(const QString& call);
    void setKeyboardMode(bool on);
    void typeToFldigi(const QString& text);

    const Clock& clock;
    FldigiClient rpc;
    QTimer pollTimer;
    QMap<QString, QString> items;
    bool isWanted = false;
    bool polling = false;
    bool copying = false;        // a field is being set from fldigi
    bool txAsked = false;        // main.tx sent, not yet seen transmitting
    bool baselinePending = false; // the first poll after the link was made
    QString trxState;            // fldigi's "RX"/"TX" as last read
    struct Sent {
        QString value;
        qint64 atMs;
    };
    std::deque<Sent> sentCalls;  // set_call values of the last second
    quint64 attempt = 0;         // connection attempts; a late answer to an old one is dropped
};

} // namespace zelq
