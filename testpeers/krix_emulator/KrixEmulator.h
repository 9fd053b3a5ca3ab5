#pragma once
// A KRIX device on a pseudo-terminal, for tests and for running the library without hardware.
//
// It serves the device's normal mode (DeviceModel) on its own thread: frames with their check
// words, the probes, mux write and read, the device baud switch (answered at the old speed,
// then the line changes speed), program download blocks and start, the device record, the
// identifier lists and the other table rows. Bytes that arrive while the host's line speed
// differs from the device's are noise and are dropped, as on a real line; so are answers that
// would leave at the wrong speed.
//
// Transparent-mode frames are told apart from normal ones, recorded, and served by a second
// model (TransparentModel): protocol set, ECU start and stop, and the bus in both directions. Its
// bus side is for a scripted tester: InjectBusFrame delivers a frame picked up on the bus to the
// host as an 'r' frame, InjectBusError reports a bus-side error, and WaitForBusFrame waits for
// the frames the host puts on the bus, one by its position at a time.
//
// With a Bluetooth module pair attached (AttachBluetoothModule), the host talks to the local
// module at 115200 baud: bytes at another speed are noise. Once a call has connected the modules,
// the host's bytes reach the device, and the device's answers the host, only while the remote
// module's speed is the device's line speed.
//
// Every control and observation call may come from any thread.
#include "BluetoothModuleModel.h"
#include "DeviceModel.h"
#include "FrameAssembler.h"
#include "PtyLine.h"
#include "TransparentModel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace KrixEmu {

struct ReceivedRequest {
    RequestKind kind = RequestKind::Unknown;
    int row = -1;
    Bytes bytes;
    std::uint32_t baud = 0; // line speed it arrived at
};

class KrixEmulator {
public:
    static constexpr std::uint32_t DefaultBaud = 38400;
    static constexpr int PollMs = 10;

    explicit KrixEmulator(std::uint32_t baud = DefaultBaud); // opens the pty; throws std::system_error
    ~KrixEmulator();                                         // stops and joins
    KrixEmulator(const KrixEmulator&) = delete;
    KrixEmulator& operator=(const KrixEmulator&) = delete;

    // Before Start: a line of text for every frame in and out (the program prints them).
    void SetLog(std::function<void(const std::string&)> log);
    void Start();
    void Stop();

    // The device path the host opens, e.g. /dev/pts/3.
    const std::string& SlaveName() const { return line_.SlaveName(); }

    // Changes what the device holds (lists, records, link state) under the emulator's lock.
    void Configure(const std::function<void(DeviceModel&)>& change);
    // Reads what the device was told (program blocks and image, mux record, letter ...).
    void Inspect(const std::function<void(const DeviceModel&)>& look) const;
    void AddFault(const FaultRule& rule);
    void ClearFaults();

    // --- the Bluetooth modules in front of the device ---
    // Before Start: the host reaches the device only through the modules; the remote module
    // answers a call to remoteAddress and starts at remoteBaud toward the device.
    void AttachBluetoothModule(const std::string& remoteAddress, std::uint32_t remoteBaud = DefaultBaud);
    void AddModuleFault(const ModuleFault& fault);
    void InspectModule(const std::function<void(const BluetoothModuleModel&)>& look) const;
    // The set-up frames and text lines the modules received, in order.
    std::vector<Bytes> ModuleSetupFrames() const;
    std::vector<std::string> ModuleLines() const;
    // The speeds the host's side of the line was set to whenever bytes arrived from it.
    std::set<std::uint32_t> HostBaudsSeen() const;

    std::vector<ReceivedRequest> Received() const;
    std::size_t Count(RequestKind kind) const;
    // Waits until count requests of the kind (Any: of every kind) have arrived.
    bool WaitFor(RequestKind kind, std::size_t count, std::chrono::milliseconds timeout) const;
    // Ends every wait of this class (WaitFor, WaitUntilOnBus, WaitForBusFrames, WaitForBusFrame),
    // now and from now on: they return false (or nothing) at once. For a program told to stop
    // while a tester waits; the device goes on serving until Stop.
    void InterruptWaits();
    bool WaitsInterrupted() const { return interrupted_.load(); }
    std::vector<Bytes> TransparentFrames() const;
    Bytes ProgramImage() const;
    std::vector<ProgramBlock> ProgramBlocks() const;
    bool ProgramStarted() const;

    std::uint32_t LineBaud() const { return lineBaud_.load(); }
    std::uint32_t HostBaud() const { return line_.HostBaud(); }
    termios HostSettings() const { return line_.HostSettings(); }
    std::size_t NoiseBytes() const { return noise_.load(); }      // dropped for a speed mismatch
    std::size_t LostAnswerBytes() const { return lost_.load(); }  // answers not sent for one
    std::size_t BadFrames() const { return badFrames_.load(); }   // wrong check word or address

    // Writes bytes toward the host now, at the device's speed.
    void SendRaw(const Bytes& bytes);

    // --- transparent mode and the bus ---
    void InspectTransparent(const std::function<void(const TransparentModel&)>& look) const;
    void AddTransparentFault(const TransparentFault& fault);
    bool OnBus() const;
    bool WaitUntilOnBus(std::chrono::milliseconds timeout) const;
    // A frame from the bus, delivered to the host; false (nothing sent) while not on the bus or
    // for more data than one 'r' frame carries.
    bool InjectBusFrame(const Bytes& data);
    // A bus-side error reported to the host; false while not on the bus.
    bool InjectBusError();
    // The frames the host put on the bus, in order (a copy of them all: for a look at the end).
    std::vector<Bytes> BusFramesFromHost() const;
    std::size_t BusFrameCount() const;
    // Waits until the host has put count frames on the bus in all.
    bool WaitForBusFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until the host has put the frame at position index (from 0) on the bus and returns
    // that frame alone; nothing when it did not come in time or the waits were interrupted. A
    // reader that keeps its own position reads each frame once, at the same cost however many
    // frames came before it.
    std::optional<Bytes> WaitForBusFrame(std::size_t index, std::chrono::milliseconds timeout) const;

private:
    void Serve();
    void ServeThroughModule(const std::uint8_t* bytes, std::size_t n, std::uint32_t hostBaud);
    void Handle(const HostFrame& frame);
    void WriteToHost(const Bytes& bytes);
    void WriteModuleReply(const Chunk& chunk);
    bool Pause(std::uint32_t ms);
    std::size_t CountLocked(RequestKind kind) const;
    void Log(const std::string& text);

    PtyLine line_;
    FrameAssembler assembler_; // serving thread only
    std::function<void(const std::string&)> log_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    DeviceModel model_;
    TransparentModel transparentModel_;
    std::vector<ReceivedRequest> received_;
    std::vector<Bytes> transparent_;
    std::optional<BluetoothModuleModel> module_;
    std::set<std::uint32_t> hostBauds_;

    std::mutex writeMutex_;
    std::atomic<std::uint32_t> lineBaud_;
    std::atomic<std::size_t> noise_{0};
    std::atomic<std::size_t> lost_{0};
    std::atomic<std::size_t> badFrames_{0};
    // What the writers need of the modules without the lock (set by the serving thread).
    std::atomic<bool> moduleAttached_{false};
    std::atomic<bool> moduleConnected_{false};
    std::atomic<std::uint32_t> moduleRemoteBaud_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> interrupted_{false}; // set under mutex_, so that no waiter misses it
    std::thread thread_;
};

} // namespace KrixEmu
