#pragma once
// The byte stream of a Telnet cluster turned into text lines. Clusters cut
// their output anywhere (mid-line, several lines at once), mix in Telnet
// negotiation, and ask for a login with a prompt that has no line end.
//
//  - Lines end at CR, LF or CR LF; each complete line is handed on once.
//  - IAC sequences never reach the text: DO and WILL are refused (WONT,
//    DONT), subnegotiation is skipped, IAC IAC is the byte 255.
//  - Text is Latin-1; NUL and BEL are dropped.
//  - A login prompt ("login:", "call:", "Please enter your call:", any
//    case) in the unterminated tail is reported once per connection.
//
// Pure: bytes in, lines and reply bytes out.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zelq {

class TelnetLineAssembler {
public:
    struct Output {
        QStringList lines;      // complete lines, without their line end
        QByteArray reply;       // negotiation answers to send back
        QString loginPrompt;    // the prompt text, when one was seen now
    };

    Output feed(const QByteArray& bytes);
    // A new connection: partial line, negotiation state and the prompt
    // answered all start afresh.
    void reset();

    const QString& tail() const { return partial; }
    bool loginAnswered() const { return prompted; }

    // Whether `text` ends in a login prompt.
    static bool isLoginPrompt(const QString& text);

private:
    enum class State { Data, Iac, Option, Sub, SubIac };

    void completeLine(Output& out);

    QString partial;
    State state = State::Data;
    uchar command = 0;
    bool lastWasCr = false;
    bool prompted = false;
    int linesSeen = 0;
};

} // namespace zelq
