#pragma once
// What the rig link shows in its window. The link knows no widgets; the
// rig window implements this and tests use a recording fake.

#include <QString>

namespace zelq {

class RigView {
public:
    virtual ~RigView() = default;
    virtual void showFrequency(const QString& text) = 0;   // lblFreq
    virtual void showMode(const QString& text) = 0;        // lblMode
    virtual void showUnprocessed(const QString& text) = 0; // lblUnProcess
    // "Polling Rig" and the End Test button.
    virtual void showPolling(bool on) = 0;
    virtual void enableEndTest(bool on) = 0;
    // A port or connection problem, shown until it is over; empty clears.
    virtual void showLinkProblem(const QString& text) = 0;
    virtual bool isShown() const = 0;
    // "Convert from Hex": unprocessed replies shown as hex pairs.
    virtual bool convertFromHex() const = 0;
    // The settings could not be used while the window was hidden: show it
    // (modal, not blocking) so the operator can correct them.
    virtual void showForCorrection() = 0;
};

} // namespace zelq
