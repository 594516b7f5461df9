#include "keying/CodePractice.h"

#include "keying/CwControl.h"
#include "settings/QuotedFile.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

namespace zelq {

namespace {

// The field's count, or none when it is not a number; whole numbers with
// halves to even, within 0..max.
std::optional<int> countOf(const QString& text, int max)
{
    const std::optional<double> v = parseNumber(text);
    if (!v)
        return std::nullopt;
    return int(std::clamp(std::nearbyint(*v), 0.0, double(max)));
}

bool sameSign(QChar a, QChar b)
{
    return a.toUpper() == b.toUpper();
}

// "!" has no sign; handed to the keyer it would log the contact on the
// log window.
bool sendable(QChar c)
{
    return c != QLatin1Char('!');
}

} // namespace

PracticeGroups generatePractice(const QString& groups, const QString& perGroup, bool lettersOnly,
                                const std::function<double()>& uniform)
{
    PracticeGroups out {groups, perGroup, {}};
    std::optional<int> n = countOf(groups, MaxPracticeGroups);
    if (!n) {
        out.groups = QStringLiteral("10");
        n = 10;
    } else if (*n == MaxPracticeGroups && parseNumber(groups).value_or(0) > MaxPracticeGroups) {
        out.groups = QString::number(MaxPracticeGroups);
    }
    std::optional<int> each = countOf(perGroup, MaxPracticeGroupLength);
    if (!each) {
        out.perGroup = QStringLiteral("5");
        each = 5;
    } else if (*each == MaxPracticeGroupLength && parseNumber(perGroup).value_or(0) > MaxPracticeGroupLength) {
        out.perGroup = QString::number(MaxPracticeGroupLength);
    }
    const int signs = lettersOnly ? PracticeLetterCount : int(PracticeCharacters.size());
    out.text.reserve(*n * (*each + 1));
    for (int g = 0; g < *n; ++g) {
        for (int i = 0; i < *each; ++i) {
            // A source that returns 1 (or more) still picks a sign.
            const int k = std::clamp(int(std::floor(signs * uniform())), 0, signs - 1);
            out.text += PracticeCharacters[k];
        }
        out.text += QLatin1Char(' ');
    }
    return out;
}

CodePractice::CodePractice(CwControl& c, CodePracticeView& v, QObject* parent)
    : QObject(parent), control(c), view(v)
{
    uniform = [] { return QRandomGenerator::global()->generateDouble(); };
    connect(&control, &CwControl::characterSent, this, [this](QChar ch, const QString&) { characterSent(ch); });
    connect(&control, &CwControl::sendingEnded, this, &CodePractice::sendingEnded);
    connect(&control, &CwControl::speedChanged, this, [this](const QString& wpm) { view.showSpeed(wpm); });
    view.showSpeed(control.settings().speed);
}

bool CodePractice::CWSending() const
{
    return control.CWSending();
}

void CodePractice::Command2_Click()
{
    const PracticeGroups g = generatePractice(view.groupsText(), view.perGroupText(), view.lettersOnly(), uniform);
    if (g.groups != view.groupsText())
        view.setGroupsText(g.groups);
    if (g.perGroup != view.perGroupText())
        view.setPerGroupText(g.perGroup);
    view.setPracticeText(g.text);
}

void CodePractice::Command1_Click()
{
    view.setPracticeText(view.clipboardText());
}

void CodePractice::Command3_Click()
{
    view.focusPracticeText();
    // Already sending: the text is being sent, edits included.
    if (running)
        return;
    running = true;
    next = 0;
    feed();
}

void CodePractice::Command4_Click()
{
    running = false;
    dropQueued();
}

void CodePractice::Command7_Click()
{
    control.UpDown1_UpClick(); // the speed label follows speedChanged
}

void CodePractice::Command8_Click()
{
    control.UpDown1_DownClick();
}

bool CodePractice::closeRequested()
{
    running = false;
    dropQueued();
    return control.closeRequested();
}

void CodePractice::dropQueued()
{
    // What the keyer still holds is taken off the end of what was handed
    // over; the character being keyed stays and is echoed when it ends.
    const qsizetype unsent = std::min<qsizetype>(control.CWBuffer().size(), qsizetype(handed.size()));
    control.active().clearBuffer();
    handed.erase(handed.end() - unsent, handed.end());
    for (Handed& h : handed)
        h.practice = false;
}

bool CodePractice::lineFailed() const
{
    const CwSettings& s = control.settings();
    return (s.method == KeyingMethod::Rts || s.method == KeyingMethod::Dtr) && s.portNumber() > 0
        && !control.lineOpen();
}

void CodePractice::feed()
{
    while (running) {
        const auto inFlight = std::count_if(handed.begin(), handed.end(), [](const Handed& h) { return h.practice; });
        if (inFlight >= 2)
            return;
        const QString text = view.practiceText();
        if (next >= text.size()) {
            if (inFlight == 0)
                running = false;
            return;
        }
        const int i = next++;
        const QChar c = text[i];
        if (!sendable(c))
            continue;
        control.LoopThroughCWBuffer(QString(c));
        if (lineFailed()) {
            // The keyer has told the operator; one message is enough.
            Command4_Click();
            return;
        }
        if (!control.CWSending() && control.settings().method != KeyingMethod::None) {
            // The keying device refused it (a WinKeyer or radio that cannot
            // be reached) and has said so: nothing was sent, so nothing is
            // echoed as sent.
            Command4_Click();
            return;
        }
        if (!control.CWSending()) {
            // Nothing takes it (no keying method): nothing to wait for,
            // the rest is echoed in one go.
            QString rest = text.mid(i);
            rest.remove(QLatin1Char('!'));
            echo(rest, int(text.size()) - 1);
            next = int(text.size());
            continue;
        }
        handed.push_back({c, true, true, i});
    }
}

void CodePractice::echo(const QString& sent, int index)
{
    view.appendSent(sent);
    if (index >= 0)
        view.setPracticeCaret(std::min(index + 1, int(view.practiceText().size())));
}

void CodePractice::characterSent(QChar c)
{
    if (handed.empty())
        return; // not ours
    // Reports come in the order the characters were handed over; one
    // dropped by Stop before the keyer took it is passed over.
    auto it = std::find_if(handed.begin(), handed.end(), [c](const Handed& h) { return sameSign(h.c, c); });
    if (it == handed.end())
        it = handed.begin();
    const Handed h = *it;
    handed.erase(handed.begin(), it + 1);
    if (h.echo)
        echo(QString(h.c), h.index);
    feed();
}

void CodePractice::sendingEnded()
{
    // Nothing is left with the keyer: whatever was not reported is gone.
    handed.clear();
    feed();
}

void CodePractice::keyboardCharacter(QChar c)
{
    if (c == QLatin1Char('\b')) {
        // Only a typed character can be taken back, and only before it is sent.
        if (handed.empty() || handed.back().echo || !control.active().removeLast())
            return;
        handed.pop_back();
        view.chopSent();
        return;
    }
    if (!c.isPrint() || !sendable(c))
        return;
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        c = c.toUpper();
    view.appendSent(QString(c));
    control.LoopThroughCWBuffer(QString(c));
    if (control.CWSending())
        handed.push_back({c, false, false, -1});
}

} // namespace zelq
