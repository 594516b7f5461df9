#pragma once
// What contact entry needs of the log window: its fields, labels, status
// line and focus. The window implements it with widgets; the entry logic
// never touches a widget itself.

#include <QString>

namespace zelq {

enum class EntryField { Call, Name, Spc, PostDate, PostTime };

enum class StatusColour { Normal, Dupe, KeyboardMode };

class EntryView {
public:
    virtual ~EntryView() = default;

    virtual QString text(EntryField f) const = 0;
    virtual void setText(EntryField f, const QString& text) = 0;
    // Selects `length` characters from `start` (-1: to the end).
    virtual void select(EntryField f, int start, int length) = 0;
    virtual void focus(EntryField f) = 0;
    // Moves the focus on from `f`, as Tab does.
    virtual void focusNext(EntryField f) = 0;

    virtual QString continent() const = 0;
    virtual void setContinent(const QString& t) = 0;
    virtual void setBearing(const QString& t) = 0;
    virtual void setMiles(const QString& t) = 0;
    virtual bool newIndicatorVisible() const = 0;
    virtual void setNewIndicator(bool visible) = 0;

    virtual void setStatus(const QString& text, StatusColour colour) = 0;
    virtual QString status() const = 0;
    // The partial-duplicates line; coloured while it lists calls.
    virtual void setPartialLine(const QString& text) = 0;

    virtual void showLoggedOn(bool loggedOn) = 0;
    virtual void showPartialDisplay(bool on) = 0;
    virtual bool postContestMode() const = 0;
};

} // namespace zelq
