#include "TKrixThread.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <pthread.h>

TKrixThread::TKrixThread(std::int32_t comPort, std::uint8_t autoScan, Clock* clock)
    : autoScan_(autoScan), comPort_(comPort), clock_(clock), serial_(&clock_), device_(serial_, clock_) {}

TKrixThread::~TKrixThread() {
    // Joined before any member goes: the serial link closes only after the loop has ended.
    shutdown();
    closeLink();
}

void TKrixThread::closeLink() {
    if (isRunning()) {
        qWarning("main: leggikrix: closeLink: the driver thread still runs");
        return;
    }
    clock_.clearStop();
    serial_.end();
}

void TKrixThread::setRoutines(DriverRoutines routines) {
    if (isRunning()) {
        qWarning("main: leggikrix: setRoutines: the driver thread is already running");
        return;
    }
    routines_ = std::move(routines);
}

void TKrixThread::start() {
    if (isRunning())
        return;
    clock_.clearStop();
    transparent_.admitWaiters();
    thread_ = std::thread([this] { run(); });
    pthread_setname_np(thread_.native_handle(), "krix_driver");
}

void TKrixThread::shutdown() {
    transparent_.releaseWaiters();
    clock_.requestStop();
    if (thread_.joinable())
        thread_.join();
}

// Each turn reads the wake count before it looks for work, so that a request raised while it
// looks ends the idle that follows at once.
void TKrixThread::run() {
    stepState_.store(0);
    acquisitionOn_.store(0);
    while (!clock_.stopRequested()) {
        const std::uint64_t seenWakes = clock_.wakeCount();
        bool initAsked = false;
        {
            std::lock_guard lock(initMutex_);
            initAsked = initRequest_ != 0;
            initRequest_ = 0;
        }
        if (initAsked) {
            std::int32_t result = InitNotBuilt;
            if (routines_.initialise)
                result = routines_.initialise(*this);
            else
                qWarning("main: leggikrix: run: no device initialisation in this build");
            std::lock_guard lock(initMutex_);
            if (initRequest_ == 0) // a request raised meanwhile keeps reporting "running"
                initResult_ = result;
        }
        if (clock_.stopRequested())
            break;

        if (transparentFlag_.load()) {
            if (routines_.transparentTurn)
                routines_.transparentTurn(*this);
            else
                clock_.idleMs(TransparentIdleMs, seenWakes);
        } else {
            clock_.idleMs(IdleSleepMs, seenWakes);
        }

        if (commandRequest_.load() != 0) {
            if (!transparentFlag_.load())
                device_.DeviceControl(1, CommandAnswerTimeoutMs);
            commandRequest_.store(0);
            clock_.wake(); // requestStop waits for this
        }
    }
}

int TKrixThread::requestStop() {
    commandRequest_.store(1);
    clock_.wake();
    const std::uint64_t start = clock_.msecNow();
    for (;;) {
        const std::uint64_t seenWakes = clock_.wakeCount();
        if (commandRequest_.load() == 0)
            return 0;
        const std::uint64_t waited = clock_.msecNow() - start;
        if (waited >= RequestStopTimeoutMs)
            return -1;
        if (!clock_.idleMs(static_cast<std::uint32_t>(RequestStopTimeoutMs - waited), seenWakes))
            return commandRequest_.load() != 0 ? -1 : 0;
    }
}

void TKrixThread::requestInit(std::int32_t on) {
    {
        std::lock_guard lock(initMutex_);
        initRequest_ = on;
        if (on != 0)
            initResult_ = InitRunning;
    }
    clock_.wake();
}

std::int32_t TKrixThread::getInitResult() const {
    std::lock_guard lock(initMutex_);
    return initResult_;
}

int TKrixThread::setEcuData(std::int32_t programNumber, char letter, const QString& setMux) {
    programNumber_.store(programNumber);
    letter_.store(letter);
    std::lock_guard lock(settingsMutex_);
    setMux_ = setMux;
    return 0;
}

void TKrixThread::setDataDirectory(const QString& folder) {
    std::lock_guard lock(settingsMutex_);
    dataDirectory_ = folder;
}

void TKrixThread::setBluetoothAddress(const QString& address) {
    std::lock_guard lock(settingsMutex_);
    bluetoothAddress_ = address;
}

QString TKrixThread::bluetoothAddress() const {
    std::lock_guard lock(settingsMutex_);
    return bluetoothAddress_;
}

QString TKrixThread::setMuxText() const {
    std::lock_guard lock(settingsMutex_);
    return setMux_;
}

QString TKrixThread::dataDirectory() const {
    std::lock_guard lock(settingsMutex_);
    return dataDirectory_;
}

void TKrixThread::selectEcu(std::int32_t index) {
    selectedEcu_.store(index);
    stepState_.store(StepSelectEcu);
}

bool TKrixThread::takeActivationRequest() {
    std::uint8_t expected = LinkAsksActivation;
    if (!ecuLinkState_.compare_exchange_strong(expected, 0))
        return false;
    stepState_.store(StepTakeActivation);
    return true;
}

int TKrixThread::setEcuDirectBlock(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
                                   std::uint32_t w4) {
    std::lock_guard lock(settingsMutex_);
    const std::uint32_t words[EcuDirectWords] = {w0, w1, w2, w3, w4};
    std::copy(std::begin(words), std::end(words), ecuDirectBlock_);
    ecuDirectBlockPending_.store(1);
    return 1;
}

bool TKrixThread::ecuDirectBlock(std::uint32_t (&words)[EcuDirectWords]) const {
    std::lock_guard lock(settingsMutex_);
    std::copy(std::begin(ecuDirectBlock_), std::end(ecuDirectBlock_), words);
    return ecuDirectBlockPending_.load() != 0;
}

void TKrixThread::muxRecord(std::uint8_t (&record)[FixedCommand::MuxRecordSize]) const {
    std::lock_guard lock(settingsMutex_);
    std::memcpy(record, muxRecord_, sizeof muxRecord_);
}

void TKrixThread::setMuxRecord(const std::uint8_t (&record)[FixedCommand::MuxRecordSize]) {
    std::lock_guard lock(settingsMutex_);
    std::memcpy(muxRecord_, record, sizeof muxRecord_);
}

int TKrixThread::startActivation() {
    std::lock_guard lock(tablesMutex_);
    if (activationRunning_.load())
        return -1;
    activationState_.store(0);
    activationStopRequest_.store(0);
    activationRunning_.store(1);
    valueWanted_.store(1);
    ActivationState& live = tables_.liveActivation;
    live.stateWord = 0;
    live.messageType = 0;
    live.inputMode = 0;
    live.viewKind = 0;
    live.entryType = 0;
    std::fill(std::begin(live.source), std::end(live.source), 0);
    std::fill(std::begin(live.slot), std::end(live.slot), 0);
    std::fill(std::begin(live.messageId), std::end(live.messageId), 0u);
    live.digitIndex = 0;
    live.value = 0;
    live.valueA = live.valueB = live.valueC = 0.0f;
    return 0;
}

void TKrixThread::stopActivation() {
    std::lock_guard lock(tablesMutex_);
    activationStopRequest_.store(1);
    activationRunning_.store(0);
    valueWanted_.store(0);
}

int TKrixThread::setActivationValue(std::uint32_t v) {
    std::lock_guard lock(tablesMutex_);
    if (!valueWanted_.load())
        return 0;
    tables_.liveActivation.value = v;
    valueWanted_.store(0);
    return 1;
}

int TKrixThread::getActivationState(ActivationState* out) {
    std::int32_t ended = ActivationEnded;
    if (activationState_.compare_exchange_strong(ended, 0))
        return 0;
    std::lock_guard lock(tablesMutex_);
    const std::uint8_t keptType = out->messageType;
    *out = tables_.liveActivation;
    out->messageType = keptType;
    return 1;
}

void TKrixThread::startStopAcquisition(std::uint8_t on) {
    if (on == 1) {
        stepState_.store(0);
        sessionStatus_.store(SessionStatusIdle);
        activationRunning_.store(0);
        activationState_.store(0);
        activationStopRequest_.store(0);
        parameterSelectionPending_.store(0);
        statusSelectionPending_.store(0);
        initError_.store(0);
        std::lock_guard lock(tablesMutex_);
        tables_.scanList.clear();
    }
    acquisitionOn_.store(on);
}

template <class Record>
int TKrixThread::setEnable(std::atomic<std::uint8_t>& pending, Record* table, const Record* list,
                           DeviceTables::Count which, std::uint8_t* changed, std::uint8_t all) {
    if (pending.load())
        return 0;
    {
        std::lock_guard lock(tablesMutex_);
        const bool marking = stepState_.load() == StepTakeActivation;
        const std::size_t n = tables_.count(which);
        for (std::size_t i = 0; i < n; ++i) {
            const bool same = table[i].enabled == list[i].enabled;
            if (all != 0 || !same) {
                table[i].enabled = list[i].enabled;
                if (marking)
                    changed[i] = 1;
            } else if (marking) {
                changed[i] = 0;
            }
        }
    }
    if (acquisitionOn_.load())
        pending.store(1);
    return 1;
}

int TKrixThread::setParameterEnable(const ParameterRecord* list, std::uint8_t all) {
    return setEnable(parameterSelectionPending_, tables_.parameters, list, DeviceTables::ParameterCount,
                     tables_.parameterChanged, all);
}

int TKrixThread::setStatusEnable(const StatusRecord* list, std::uint8_t all) {
    return setEnable(statusSelectionPending_, tables_.statuses, list, DeviceTables::StatusCount, tables_.statusChanged,
                     all);
}

int TKrixThread::setInfoEnable(const InfoRecord* list) {
    std::lock_guard lock(tablesMutex_);
    const std::size_t n = tables_.count(DeviceTables::InfoCount);
    for (std::size_t i = 0; i < n; ++i)
        tables_.infos[i].enabled = list[i].enabled;
    return 1;
}

template <class Out, class Copy>
int TKrixThread::copyList(DeviceTables::Count which, Out* out, int* count, Copy copy) {
    if (const std::int32_t e = initError_.load(); e != 0)
        return e;
    std::lock_guard lock(tablesMutex_);
    const std::size_t n = tables_.count(which);
    for (std::size_t i = 0; i < n; ++i)
        copy(i, out[i]);
    *count = static_cast<int>(n);
    return 1;
}

int TKrixThread::getErrorList(ErrorRecord* out, int* count) {
    return copyList(DeviceTables::ErrorCount, out, count, [this](std::size_t i, ErrorRecord& to) {
        const ErrorRecord& from = tables_.errors[i];
        to.kind = from.kind;
        to.state = from.state;
        to.code = from.code;
        to.longCode = from.longCode;
        to.extra = from.extra;
    });
}

int TKrixThread::getStatusList(StatusRecord* out, int* count) {
    return copyList(DeviceTables::StatusCount, out, count, [this](std::size_t i, StatusRecord& to) {
        to.valueIndex = tables_.statuses[i].valueIndex;
        to.enabled = tables_.statuses[i].enabled;
        to.id = tables_.statuses[i].id;
    });
}

int TKrixThread::getParameterList(ParameterRecord* out, int* count) {
    return copyList(DeviceTables::ParameterCount, out, count, [this](std::size_t i, ParameterRecord& to) {
        const ParameterRecord& from = tables_.parameters[i];
        to.value = from.value;
        to.deviceByte = from.deviceByte;
        to.enabled = from.enabled;
        to.id = from.id;
        to.unitId = from.unitId;
    });
}

int TKrixThread::getActivationList(ActivationRecord* out, int* count) {
    return copyList(DeviceTables::ActivationCount, out, count,
                    [this](std::size_t i, ActivationRecord& to) { to.id = tables_.activations[i].id; });
}

int TKrixThread::getInfoList(InfoRecord* out, int* count) {
    return copyList(DeviceTables::InfoCount, out, count, [this](std::size_t i, InfoRecord& to) {
        to.id = tables_.infos[i].id;
        std::memcpy(to.value, tables_.infos[i].value, sizeof to.value);
    });
}

int TKrixThread::getEcuList(EcuListRecord* out, int* count) {
    return copyList(DeviceTables::ScannedEcuCount, out, count, [this](std::size_t i, EcuListRecord& to) {
        std::memcpy(to.codeBytes, tables_.scannedEcus[i].codeBytes, sizeof to.codeBytes);
    });
}

int TKrixThread::getScanList(std::vector<ScanEntry>* list) {
    if (const std::int32_t e = initError_.load(); e != 0)
        return e;
    while (scanListFilling_.load())
        if (!clock_.sleepMs(ScanListPollMs))
            break;
    clock_.sleepMs(ScanListSettleMs);
    std::lock_guard lock(tablesMutex_);
    list->assign(tables_.scanList.begin(), tables_.scanList.end());
    return 1;
}

int TKrixThread::getScanState(ActivationState* out) {
    if (const std::int32_t e = initError_.load(); e != 0)
        return e;
    std::lock_guard lock(tablesMutex_);
    *out = tables_.scanState;
    return 1;
}

void TKrixThread::setTransparentMode(std::uint8_t mode) {
    transparentFlag_.store(mode);
    transparent_.setState(TransparentLink::StateReady); // wakes the loop into its first turn
}
