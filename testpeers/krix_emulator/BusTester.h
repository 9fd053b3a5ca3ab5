#pragma once
// A diagnostic tester on the emulated device's bus: it sends requests as bus frames (delivered
// to the host as 'r' frames) and reads the frames that the host puts on the bus. For tests, for
// the measurement of turnarounds and for the emulator's scripted mode.
//
// CAN (ISO 15765-2, normal addressing): a request of up to 7 bytes goes as a single frame
// [length, bytes...], a longer one as a first frame [0x10 | length >> 8, length, 6 bytes] and
// consecutive frames [0x2n, 7 bytes] as the ECU's flow controls allow; every frame the tester
// sends is padded to 8 bytes. The ECU's frames on the bus carry the 4-byte identifier and the
// length byte before their data; a first frame from the ECU is answered with a flow control
// [0x30, block size, separation time].
//
// K-line: a request frame goes out whole and each frame from the ECU is one answer frame.
//
// Every frame in either direction is kept in order in the transcript (until ForgetTranscript).
#include "KrixEmulator.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace KrixEmu {

struct BusRecord {
    bool fromTester = false;
    Bytes frame;
    bool operator==(const BusRecord&) const = default;
};

class BusTester {
public:
    static constexpr std::size_t CanFrameData = 8;
    static constexpr std::size_t CanHeader = 5; // identifier and length byte before the ECU's data
    static constexpr std::uint8_t PciFirstFrame = 0x10;
    static constexpr std::uint8_t PciConsecutive = 0x20;
    static constexpr std::uint8_t PciFlowControl = 0x30;
    static constexpr std::uint8_t DefaultFiller = 0x55;
    static constexpr std::size_t SingleFrameMax = 7;
    static constexpr std::size_t FirstFrameData = 6;
    static constexpr std::size_t ConsecutiveData = 7;
    static constexpr std::size_t MaxMessage = 0xFFF;

    struct Options {
        std::chrono::milliseconds frameTimeout{5000}; // waiting for the ECU's next frame
        std::uint8_t blockSize = 0;   // of the tester's flow controls (0: all at once)
        std::uint8_t separation = 0;  // of the tester's flow controls
        std::uint8_t filler = DefaultFiller;
    };

    explicit BusTester(KrixEmulator& emulator);
    BusTester(KrixEmulator& emulator, Options options);

    // Sends a CAN request and reads one answer message (without its PCI); nothing when a frame
    // was not delivered, the ECU stopped answering or its frames make no message.
    std::optional<Bytes> CanRequest(const Bytes& message);
    // The next answer message of the ECU (after a response-pending answer, say).
    std::optional<Bytes> CanAnswer();
    // Sends one CAN request and returns at once (no answer is awaited).
    bool CanSend(const Bytes& message);

    // Sends a K-line frame and reads answerFrames frames back.
    std::optional<std::vector<Bytes>> KLineRequest(const Bytes& frame, std::size_t answerFrames);

    // True once the emulator's waits were interrupted: every request fails from then on.
    bool Interrupted() const { return emulator_.WaitsInterrupted(); }

    const std::vector<BusRecord>& Transcript() const { return transcript_; }
    // Drops the transcript so far (the reading position stays): for a long run that has
    // printed its frames and needs them no more.
    void ForgetTranscript() { transcript_.clear(); }
    // The transcript from entry `first` on.
    std::vector<BusRecord> TranscriptFrom(std::size_t first) const;
    // Frames already put on the bus by the host are skipped from now on.
    void SkipPending();

    // The ECU's data bytes of a CAN frame from the host (behind identifier and length byte).
    static Bytes CanData(const Bytes& hostFrame);

private:
    bool Send(Bytes frame);
    std::optional<Bytes> NextFromHost();
    std::optional<Bytes> NextCanData();
    bool AwaitFlowControl(std::uint8_t* blockSize);

    KrixEmulator& emulator_;
    Options options_;
    std::size_t cursor_ = 0;
    std::vector<BusRecord> transcript_;
};

// Bytes of a hex text; blanks are allowed between pairs. Nothing for an odd count or a
// character that is no hex digit.
std::optional<Bytes> ParseHex(const std::string& text);

} // namespace KrixEmu
