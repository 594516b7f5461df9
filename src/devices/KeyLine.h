#pragma once
// One output line that keys a transmitter or its PTT: down and up. The
// serial RTS and DTR lines, a parallel port's control register, or a
// recording fake.

namespace zelq {

class KeyLine {
public:
    virtual ~KeyLine() = default;
    // Sets the line; false when the device is closed or refused it. Every
    // call reaches the device, also when the line does not change.
    virtual bool setKey(bool down) = 0;
    bool keyDown() { return setKey(true); }
    bool keyUp() { return setKey(false); }
};

} // namespace zelq
