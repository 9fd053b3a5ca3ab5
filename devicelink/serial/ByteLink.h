#pragma once
// What the device protocols need of the serial link: one byte at a time with a short wait,
// whole frames out, and the input purge; and, for a reader that must not hold a lock while it
// waits, the wait for input apart from the taking of a byte. The serial link is one
// implementation; tests give a scripted one on a virtual clock.
#include <cstddef>
#include <cstdint>

class ByteLink {
public:
    virtual ~ByteLink() = default;
    // Waits a short while (about 21 ms on the serial link) for one byte; true when one arrived.
    virtual bool readByte(std::uint8_t* b) = 0;
    // Waits up to ms until a byte can be read; true when one is waiting. Returns as soon as one
    // arrives; a line that reports an error or a hang-up waits out the time like a silent one.
    virtual bool waitInput(std::uint32_t ms) = 0;
    // Takes one byte only when one is already waiting; never waits.
    virtual bool takeByte(std::uint8_t* b) = 0;
    // true only when all n bytes were written.
    virtual bool write(std::size_t n, const std::uint8_t* buf) = 0;
    // 0 not open, 1 done, -2 failed.
    virtual int purgeInput() = 0;
    // Whether the line is open at all: a dialogue gives up at once on a closed one.
    virtual bool isOpen() const { return true; }
};
