#include "spots/TelnetLines.h"

#include <QRegularExpression>

namespace zelq {

namespace {

constexpr uchar IAC = 255;
constexpr uchar DONT = 254;
constexpr uchar DO = 253;
constexpr uchar WONT = 252;
constexpr uchar WILL = 251;
constexpr uchar SB = 250;
constexpr uchar SE = 240;

// A line longer than this is cut: a peer that never sends a line end must
// not grow the buffer without bound.
constexpr qsizetype MaxLine = 4096;

// Lines of a greeting in which a prompt with a line end is still taken.
constexpr int GreetingLines = 60;

} // namespace

bool TelnetLineAssembler::isLoginPrompt(const QString& text)
{
    static const QRegularExpression prompt(
        QStringLiteral("(?:log\\s*in|call(?:\\s*sign)?)\\s*[:>]\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    return prompt.match(text).hasMatch();
}

void TelnetLineAssembler::reset()
{
    partial.clear();
    state = State::Data;
    command = 0;
    lastWasCr = false;
    prompted = false;
    linesSeen = 0;
}

void TelnetLineAssembler::completeLine(Output& out)
{
    out.lines.append(partial);
    partial.clear();
}

TelnetLineAssembler::Output TelnetLineAssembler::feed(const QByteArray& bytes)
{
    Output out;
    for (const char ch : bytes) {
        const auto b = uchar(ch);
        switch (state) {
        case State::Data:
            if (b == IAC) {
                state = State::Iac;
                break;
            }
            if (b == '\n' && lastWasCr) { // the LF of CR LF
                lastWasCr = false;
                break;
            }
            lastWasCr = b == '\r';
            if (b == '\r' || b == '\n') {
                completeLine(out);
            } else if (b != 0 && b != 7) {
                partial.append(QChar(char16_t(b)));
                if (partial.size() >= MaxLine)
                    completeLine(out);
            }
            break;
        case State::Iac:
            if (b == IAC) { // an escaped data byte 255
                state = State::Data;
                lastWasCr = false;
                partial.append(QChar(char16_t(0xFF)));
            } else if (b == DO || b == DONT || b == WILL || b == WONT) {
                command = b;
                state = State::Option;
            } else if (b == SB) {
                state = State::Sub;
            } else {
                state = State::Data; // a two-byte command (NOP, GA, ...)
            }
            break;
        case State::Option:
            // Refuse everything offered or asked; a refusal needs no answer.
            if (command == DO)
                out.reply.append(char(IAC)).append(char(WONT)).append(char(b));
            else if (command == WILL)
                out.reply.append(char(IAC)).append(char(DONT)).append(char(b));
            state = State::Data;
            break;
        case State::Sub:
            if (b == IAC)
                state = State::SubIac;
            break;
        case State::SubIac:
            state = b == SE ? State::Data : State::Sub;
            break;
        }
    }
    if (!prompted) {
        // Usually the prompt waits unterminated; some clusters end it with a
        // line end, which counts while the greeting is still coming.
        QString seen;
        if (isLoginPrompt(partial)) {
            // The prompt is answered and shown with the answer: what the
            // cluster sends next starts a line of its own.
            seen = partial;
            partial.clear();
        }
        for (qsizetype i = 0; seen.isEmpty() && i < out.lines.size() && linesSeen + i < GreetingLines; ++i)
            if (isLoginPrompt(out.lines.at(i)))
                seen = out.lines.at(i);
        if (!seen.isEmpty()) {
            prompted = true;
            out.loginPrompt = seen;
        }
    }
    linesSeen += int(out.lines.size());
    return out;
}

} // namespace zelq
