#pragma once

#include "core/Beeper.h"

namespace zelq::test {

class FakeBeeper final : public Beeper {
public:
    void beep() override { ++count; }
    int count = 0;
};

} // namespace zelq::test
