#pragma once
// The WinKeyer: an outside keyer on a serial port that times the Morse
// itself. Text goes to it a few characters at a time: each character it
// starts sending comes back as an echo, so the characters handed over but
// not yet echoed, plus one while it reports busy, tell how much it holds
// (WinKeyStatus); at 5 the next character waits for an echo. Everything is
// driven by what the keyer sends back: nothing waits on the window's
// thread except the open, which waits a few hundred milliseconds at most
// for the keyer's answers with user input held back.
//
// The first send with the keyer closed opens it; a failed open is told
// once, drops the text, and for a moment after it further text is dropped
// without another try (keys typed meanwhile would each ask again). A
// port that fails while open is closed, reported once through closed(),
// and opened again by the next send.

#include "keying/CwSender.h"
#include "keying/WinKeySettings.h"

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

class QEventLoop;

namespace zelq {

class DeviceRegistry;
class OperatorDialogs;
class SerialLine;

class WinKeyer final : public CwSender {
    Q_OBJECT
public:
    enum OpenResult {
        Success = 0,
        NoEchoResponse = 1,
        EchoMismatch = 2,
        NoOpenResponse = 3,
        ComOpenFailed = 4,
        GetComStateFailed = 5,
        SetComStateFailed = 6,
        AlreadyOpen = 8,
        NotOpen = 9,
    };
    // The status text of a result code; empty for a code that has none.
    static QString resultText(int code);

    WinKeyer(DeviceRegistry& registry, QString installFolder, OperatorDialogs& dialogs, QObject* parent = nullptr);
    ~WinKeyer() override;

    // Tests and the bench give a line of their own (not owned).
    void setLineOverride(SerialLine* line);
    // Runs before every open, so a part holding the same device lets go.
    std::function<void()> beforeOpen;

    // Reads "WK.txt"; nothing is sent and the keyer stays as it is.
    void load();
    bool save(QString* errorText = nullptr) const;
    const WinKeySettings& settings() const { return cfg; }
    void setPort(int port) { cfg.port = port; }
    // A field left: its text checked and stored, and its value sent when
    // the keyer is open. Returns what the field shows afterwards.
    QString applyField(WinKeyField f, const QString& text);
    // Stored, and all settings sent again when the keyer is open.
    void setPinConfig(int value);
    void setKeyerMode(int value);
    // Every setting checked and sent (nothing goes while closed).
    void SendWinKeySettings();

    // Opens and sets up the keyer; a failure is told to the operator.
    int open();
    void close();
    // Clears the keyer's buffer and drops the text (the Stop button).
    void stop();
    bool isOpen() const { return version != 0; }
    int WinKeyVersion() const { return version; }
    int WinKeyStatus() const;
    // Why the port could not be opened, in the system's words.
    QString openFailure() const { return failure; }

    // CwSender
    void send(const QString& text) override;
    void clearBuffer() override;
    void dropUnsent() override;
    bool removeLast() override;
    QString buffer() const override { return inFlight + pending; }
    bool isSending() const override { return sending || busy; }
    void setWpm(double wpm) override;

    static constexpr int AnswerTimeoutMs = 300;
    static constexpr int RetryHoldMs = 1500;
    static constexpr int MaxOutstanding = 5;
    // With characters outstanding and no word from the keyer this long,
    // it is asked for its status; an idle keyer that still owes echoes
    // after SettleMs never sends them.
    static constexpr int QuietMs = 1000;
    static constexpr int SettleMs = 150;

signals:
    // Each open attempt's result code.
    void opened(int code);
    // The keyer was closed: `reason` is empty when asked to, else the
    // port's failure.
    void closed(const QString& reason);
    // The speed pot was turned; the keyer already sends at this speed.
    void speedFromPot(int wpm);
    // A stored setting changed from inside (a field's text normalised,
    // the speed set from the CW keyer).
    void settingsChanged();

private:
    SerialLine& line();
    void attachLine(SerialLine& l);
    int attemptOpen(quint8& versionByte);
    bool waitForAnswer();
    bool write(const QByteArray& bytes);
    void readable();
    void take(const QByteArray& bytes);
    void echoed(QChar c);
    void status(quint8 bits);
    void pump();
    void finishIfDone();
    void resetState();
    void lineFailed(const QString& reason);
    void quiet();
    void sendField(WinKeyField f);

    DeviceRegistry& registry;
    QString installFolder;
    OperatorDialogs& dialogs;
    std::unique_ptr<SerialLine> ownLine;
    SerialLine* override = nullptr;
    SerialLine* attached = nullptr;

    WinKeySettings cfg;
    int version = 0;
    QString failure;
    QString pending;  // not yet handed to the keyer
    QString inFlight; // handed over, not yet echoed
    bool busy = false;
    bool xoff = false;
    bool sending = false;
    bool opening = false;
    QByteArray answers; // what arrives while opening
    QEventLoop* waiting = nullptr;
    QElapsedTimer lastFailure;
    QTimer quietTimer;
    QTimer settleTimer;
};

inline const QString WinKeyOwner = QStringLiteral("WinKey");
inline const QString WinKeyOpenFailedTitle = QStringLiteral("Unable to establish connection with Winkey.");

} // namespace zelq
