#pragma once
// One output line that keys a transmitter or its PTT: down and up. The
// serial RTS and DTR lines, a parallel port's control register, or a
// recording fake.

namespace zelq {

// The single system call that lifts a key: an ioctl on the descriptor the
// line holds, with an int argument (TIOCMBIC) or a byte one (PPWCONTROL).
// A signal handler can make it; fd -1 when the line has no such call.
struct KeyUpCall {
    int fd = -1;
    unsigned long request = 0;
    int value = 0;
    bool byteArgument = false;
};

class KeyLine {
public:
    virtual ~KeyLine() = default;
    // Sets the line; false when the device is closed or refused it. Every
    // call reaches the device, also when the line does not change.
    virtual bool setKey(bool down) = 0;
    bool keyDown() { return setKey(true); }
    bool keyUp() { return setKey(false); }
    // How to lift the key from a signal handler, while the line is open.
    virtual KeyUpCall keyUpCall() const { return {}; }
};

} // namespace zelq
