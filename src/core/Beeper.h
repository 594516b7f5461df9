#pragma once

namespace zelq {

// The short warning tone of entry problems and failures.
class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

} // namespace zelq
