#pragma once
// The driver-thread object: the one owner of the KRIX device in the process. It holds the serial
// link, the frame buffers (in its DeviceProtocol), the device tables, the initialisation request
// and result, and the transparent-mode words, and runs the thread that serves the device.
//
// Two threads share it: the driver thread (run: the initialisation when asked, transparent-mode
// reading, the command request) and the callers of the exports. Every word that both touch is
// an atomic; strings, blocks and tables are guarded by locks. The thread ends in order:
// shutdown() asks it to stop, which ends every sleep and wait of the device code at once and a
// read of the port within its short wait, and joins it; the destructor does the same before
// anything is freed.
//
// The loop never sleeps blind: in transparent mode it waits on the port, and otherwise it idles
// on the device clock's condition variable for its 300 ms step, which an init request, a command
// request, the transparent flag and the stop request end at once. requestStop waits on the same
// variable for the loop's answer.
#include "DeviceClock.h"
#include "DeviceProtocol.h"
#include "DeviceTables.h"
#include "TSeriale.h"
#include "Transparent.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TKrixThread;

// The device work that the loop runs on the driver thread, filled by the initialisation and
// transparent-mode code. Without an initialisation an init request ends with InitNotBuilt;
// without a transparent turn the loop only paces itself in transparent mode.
struct DriverRoutines {
    std::function<std::int32_t(TKrixThread&)> initialise;
    std::function<void(TKrixThread&)> transparentTurn;
};

class TKrixThread {
public:
    static constexpr std::int32_t SessionStatusIdle = 40;
    static constexpr std::int32_t DefaultProgramNumber = 100;
    static constexpr std::int32_t InitFailed = -1;     // the init error after a failed initialisation
    static constexpr std::int32_t InitNotBuilt = -1;    // init result when no initialisation is installed
    static constexpr std::int32_t InitRunning = 1;
    static constexpr std::int32_t ActivationEnded = 53;
    static constexpr std::int32_t StepTakeActivation = 4;
    static constexpr std::int32_t StepSelectEcu = 3;
    static constexpr std::uint8_t LinkAsksActivation = 6;
    static constexpr char NoLetter = '-';
    static constexpr std::uint32_t RequestStopTimeoutMs = 5000;
    static constexpr std::uint32_t IdleSleepMs = 300;
    static constexpr std::uint32_t CommandAnswerTimeoutMs = 5000;
    static constexpr std::uint32_t TransparentIdleMs = 10;
    static constexpr std::uint32_t ScanListPollMs = 2;
    static constexpr std::uint32_t ScanListSettleMs = 20;
    static constexpr std::size_t EcuDirectWords = 5;

    // clock: nullptr takes the process's current clock.
    TKrixThread(std::int32_t comPort, std::uint8_t autoScan, Clock* clock = nullptr);
    ~TKrixThread();
    TKrixThread(const TKrixThread&) = delete;
    TKrixThread& operator=(const TKrixThread&) = delete;

    // Before start(): the device work of the loop.
    void setRoutines(DriverRoutines routines);
    void start();
    // Asks the loop to end, interrupts its waits (and ends every wait for a received frame) and
    // joins it. Returns once the thread no longer touches the port or the object; safe to call
    // more than once.
    void shutdown();
    bool isRunning() const { return thread_.joinable(); }
    // After shutdown: ends the serial link (through the Bluetooth modules their resets go
    // first, with their waits allowed again). The destructor does it too.
    void closeLink();

    // --- operations for the exports (caller's thread) ---
    // Raises the command request and waits until the loop has served it: 0, or -1 after 5000 ms.
    int requestStop();
    // true while a command request waits for the loop (also after requestStop gave up on it).
    bool commandRequestPending() const { return commandRequest_.load() != 0; }
    void requestInit(std::int32_t on);
    std::int32_t getInitResult() const;
    std::int32_t getInitError() const { return initError_.load(); }
    std::int32_t getStatusCode() const { return sessionStatus_.load(); }
    std::int32_t getTransparentState() const { return transparent_.state(); }
    int setEcuData(std::int32_t programNumber, char letter, const QString& setMux);
    void setDirectOpen(std::uint8_t b) { directOpen_.store(b); }
    void setDataDirectory(const QString& folder);
    void setBluetoothLink(std::uint8_t b) { bluetoothLink_.store(b); }
    void setBluetoothAddress(const QString& address);
    void setRepeatInfo(std::uint8_t b) { repeatInfo_.store(b); }
    void setScanMode(std::uint8_t b) { scanMode_.store(b); }
    void setNewList(std::uint8_t b) { newLists_.store(b); }
    std::uint8_t isNewList() const { return newLists_.load(); }
    // The new-lists flag, cleared in the same step: a flag the driver thread raises again meanwhile
    // is never lost.
    bool takeNewList() { return newLists_.exchange(0) != 0; }
    void selectEcu(std::int32_t index);
    void clearEcuState() { ecuLinkState_.store(0); }
    bool takeActivationRequest();
    int setEcuDirectBlock(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3, std::uint32_t w4);
    // -1 while an activation runs; else arms a new one (its record cleared, a value wanted, an
    // earlier stop request forgotten): 0.
    int startActivation();
    // Raises the stop request and serves it at once: no activation step runs on this thread that
    // would, so the activation ends here (no longer running, no value wanted) and the next
    // startActivation arms a new one. The request stays raised until that start.
    void stopActivation();
    int setActivationValue(std::uint32_t v);
    int getActivationState(ActivationState* out);
    void startStopAcquisition(std::uint8_t on);
    int setParameterEnable(const ParameterRecord* list, std::uint8_t all);
    int setStatusEnable(const StatusRecord* list, std::uint8_t all);
    bool parameterEnableTaken() const { return !parameterSelectionPending_.load(); }
    bool statusEnableTaken() const { return !statusSelectionPending_.load(); }
    int setInfoEnable(const InfoRecord* list);
    // The list accessors copy at most as many records as the thread's tables hold (160, 160,
    // 100, 100, 100, 30), or return the init error untouched after a failed initialisation.
    int getErrorList(ErrorRecord* out, int* count);
    int getStatusList(StatusRecord* out, int* count);
    int getParameterList(ParameterRecord* out, int* count);
    int getActivationList(ActivationRecord* out, int* count);
    int getInfoList(InfoRecord* out, int* count);
    int getEcuList(EcuListRecord* out, int* count);
    int getScanList(std::vector<ScanEntry>* list);
    int getScanState(ActivationState* out);
    // Transparent flag := mode, TransparentState := 1 (a pending command is forgotten).
    void setTransparentMode(std::uint8_t mode);

    // --- the device's link state and activation status record (EcuLinkState.h,
    // ActivationStatus.h): device transactions on the caller's thread, outside transparent mode
    // while the loop only idles ---
    // The link-state query: the ECU link state := 0, 1 or 6 from the answer; unchanged when the
    // query fails.
    void queryLinkState();
    // queryLinkState, then, when the link is ready, the status record read in step state 51: true
    // when it is a plain message record, whose messageId, source and slot are then copied into
    // *out (nothing else of *out is written). The step state is left as the read leaves it.
    bool readInitInfo(ActivationState* out);
    // Reads the status record (request row 6 with param) when *state is 51, fills and normalises
    // the live activation record under the tables' lock and sets *state to 52 to 56; a record
    // with stateWord 4 reads the identifier lists again first. A refused or timed-out read, an
    // answer too short to hold the record, or a failed list read leaves the live record as it
    // was and *state at 51 and returns its failure; "no record" returns 11 with *state at 51.
    // Other states: nothing is read, 12.
    RxResult activationStatusStep(std::int32_t* state, std::uint32_t param);
    // The transparent-mode commands, reader and received-frame queue (Transparent.h).
    TransparentLink& transparent() { return transparent_; }

    // --- for the device code (driver thread and the exports' device transactions) ---
    TSeriale& serial() { return serial_; }
    DeviceProtocol& device() { return device_; }
    DeviceClock& deviceClock() { return clock_; }
    // Runs f(DeviceTables&) under the tables' lock: the one way to the tables, the live
    // activation record and the scan state. The device code fills them through it, the exports
    // copy from it, and a test fills them through it too (with setEcuLinkState for the link
    // state).
    template <class F>
    decltype(auto) withTables(F&& f) {
        std::lock_guard lock(tablesMutex_);
        return f(tables_);
    }

    std::int32_t comPort() const { return comPort_; }
    std::uint8_t autoScan() const { return autoScan_; }
    std::uint8_t directOpen() const { return directOpen_.load(); }
    std::uint8_t bluetoothLink() const { return bluetoothLink_.load(); }
    QString bluetoothAddress() const;
    std::int32_t programNumber() const { return programNumber_.load(); }
    char letter() const { return letter_.load(); }
    QString setMuxText() const;
    QString dataDirectory() const;
    std::uint8_t transparentFlag() const { return transparentFlag_.load(); }
    std::uint8_t scanMode() const { return scanMode_.load(); }
    std::uint8_t repeatInfo() const { return repeatInfo_.load(); }
    // The block and whether it waits to be sent; clearEcuDirectBlockPending once it was.
    bool ecuDirectBlock(std::uint32_t (&words)[EcuDirectWords]) const;
    void clearEcuDirectBlockPending() { ecuDirectBlockPending_.store(0); }
    void muxRecord(std::uint8_t (&record)[FixedCommand::MuxRecordSize]) const;
    void setMuxRecord(const std::uint8_t (&record)[FixedCommand::MuxRecordSize]);
    void setInitError(std::int32_t e) { initError_.store(e); }
    std::uint8_t ecuLinkState() const { return ecuLinkState_.load(); }
    void setEcuLinkState(std::uint8_t s) { ecuLinkState_.store(s); }
    std::int32_t stepState() const { return stepState_.load(); }
    void setStepState(std::int32_t s) { stepState_.store(s); }
    void setActivationState(std::int32_t s) { activationState_.store(s); }
    void setTransparentState(std::int32_t s) { transparent_.setState(s); }
    std::int32_t waitingLength() const { return transparent_.waitingLength(); }
    std::uint8_t acquisitionOn() const { return acquisitionOn_.load(); }
    std::uint8_t activationRunning() const { return activationRunning_.load(); }
    std::uint8_t activationStopRequested() const { return activationStopRequest_.load(); }
    std::int32_t selectedEcu() const { return selectedEcu_.load(); }

private:
    void run();
    // The init error, or the count's records copied out one by one under the tables' lock.
    template <class Out, class Copy>
    int copyList(DeviceTables::Count which, Out* out, int* count, Copy copy);
    // 0 while the selection is pending; else copies the enable bytes (all = 0: only those that
    // differ), marks them while an activation request is taken, and leaves the selection pending
    // while acquisition runs.
    template <class Record>
    int setEnable(std::atomic<std::uint8_t>& pending, Record* table, const Record* list, DeviceTables::Count which,
                  std::uint8_t* changed, std::uint8_t all);

    // Fields in their order of declaration; the words both threads touch are atomics.
    std::atomic<std::int32_t> sessionStatus_{SessionStatusIdle};
    std::atomic<std::int32_t> stepState_{0};
    std::atomic<std::int32_t> commandRequest_{0};
    std::atomic<std::int32_t> activationState_{0};
    std::atomic<std::int32_t> initError_{0};
    std::atomic<std::int32_t> selectedEcu_{0};
    std::atomic<std::uint8_t> activationRunning_{0};
    std::atomic<std::uint8_t> activationStopRequest_{0};
    std::atomic<std::uint8_t> acquisitionOn_{0};
    std::atomic<std::uint8_t> parameterSelectionPending_{0};
    std::atomic<std::uint8_t> statusSelectionPending_{0};
    std::atomic<std::uint8_t> newLists_{0};
    std::atomic<std::uint8_t> valueWanted_{0};
    std::atomic<std::uint8_t> directOpen_{0};
    const std::uint8_t autoScan_;
    std::atomic<std::uint8_t> bluetoothLink_{0};
    std::atomic<std::uint8_t> repeatInfo_{0};
    std::atomic<std::uint8_t> scanMode_{0};
    std::atomic<std::uint8_t> ecuDirectBlockPending_{0};
    std::atomic<std::uint8_t> scanListFilling_{0};
    std::atomic<std::uint8_t> ecuLinkState_{0};
    const std::int32_t comPort_;
    std::atomic<std::int32_t> programNumber_{DefaultProgramNumber};
    std::atomic<char> letter_{NoLetter};

    mutable std::mutex settingsMutex_; // the strings, the EcuDirectBlock and the mux record
    std::uint32_t ecuDirectBlock_[EcuDirectWords] = {};
    QString dataDirectory_;
    QString setMux_;
    QString bluetoothAddress_;
    std::uint8_t muxRecord_[FixedCommand::MuxRecordSize] = {0x20, 0x00, 0x10, 0x00, 0x00};

    std::mutex tablesMutex_; // the tables, the live activation and the scan list
    DeviceTables tables_;

    DeviceClock clock_;
    TSeriale serial_;
    DeviceProtocol device_;
    std::atomic<std::uint8_t> transparentFlag_{0};
    TransparentLink transparent_{serial_, clock_}; // TransparentState and the received frames

    mutable std::mutex initMutex_; // the init request and result change as one
    std::int32_t initRequest_ = 0;
    std::int32_t initResult_ = InitRunning;

    DriverRoutines routines_;
    std::thread thread_;
};
