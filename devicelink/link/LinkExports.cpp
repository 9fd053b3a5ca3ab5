#include "LinkExports.h"

#include "CallerCopies.h"
#include "CatalogueState.h"
#include "Clock.h"
#include "EcuSelection.h"
#include "BluetoothModule.h"
#include "InitKrix.h"
#include "InitMessage.h"
#include "TKrixThread.h"
#include "VehicleChoices.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace LinkExports {
namespace {

struct Globals {
    std::mutex mutex;
    std::uint8_t dllState = StateNoThread;
    // Shared only with WaitRxFrame, which waits without the lock: a thread object that is ended
    // while a caller waits on it stays in memory until that wait has returned.
    std::shared_ptr<TKrixThread> thread;
    std::int32_t keptPort = 0;
    std::uint8_t keptAutoScan = 0;
    std::uint8_t keptBluetooth = 0;
    QString keptModuleAddress;
    std::int32_t programNumber = 0;
    std::uint8_t linkMode = 0;
    EcuSelectionRecord ecu;
};

Globals& globals() {
    static Globals g;
    return g;
}

std::shared_ptr<TKrixThread> MakeThread(std::int32_t comPort, std::uint8_t autoScan) {
    auto t = std::make_shared<TKrixThread>(comPort, autoScan);
    t->setRoutines({[](TKrixThread& th) { return InitKRIX(th); },
                    [](TKrixThread& th) { th.transparent().turn(); }});
    t->start();
    return t;
}

// A field of the record as a text: up to its width, without its terminator.
std::string FieldText(const char* field, std::size_t width) {
    return std::string(field, strnlen(field, width));
}

void PutField(char* field, std::size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

// The system number of EcuSelection: a decimal text, anything else counts as 0.
std::int32_t SystemNumber(const EcuSelectionRecord& ecu) {
    const std::string text = FieldText(ecu.system(), EcuSelectionRecord::SystemWidth);
    if (text.empty())
        return 0;
    std::int32_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Stops and joins the driver thread (which ends every WaitRxFrame on it), then ends its link
// (through the Bluetooth modules: their resets, then the close); only then is the object let
// go, so that nothing of it is left running when the caller goes on.
void EndThread(Globals& g) {
    g.thread->shutdown();
    g.thread->closeLink();
    g.thread.reset();
}

} // namespace

bool CreateThreadKrix(std::int32_t comPort, std::uint8_t autoScan) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (g.thread)
        return false;
    g.keptPort = comPort;
    g.keptAutoScan = autoScan;
    // A new thread starts on the cable; a reset re-applies only what SetBluetooth gave it.
    g.keptBluetooth = 0;
    g.keptModuleAddress.clear();
    // The texts are loaded again for the ECU the host chooses with this thread.
    Catalogue::ForgetCatalogue();
    g.thread = MakeThread(comPort, autoScan);
    g.dllState = StateThreadOrEcu;
    PutField(g.ecu.system(), EcuSelectionRecord::SystemWidth, "0");
    PutField(g.ecu.code(), EcuSelectionRecord::CodeWidth, "0");
    // The host chooses its vehicle again for this thread.
    Catalogue::ForgetVehicleChoices();
    return true;
}

bool DeleteThreadKrix() {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    g.dllState = StateNoThread;
    if (!g.thread)
        return false;
    EndThread(g);
    Catalogue::ReleaseCatalogue();
    return true;
}

void ResetKrix() {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return;
    TKrixThread& t = *g.thread;
    t.requestStop();
    // The device is reset only once the driver thread has ended: nothing else reads the port.
    t.shutdown();
    t.deviceClock().clearStop();
    if (t.device().DeviceControl(ResetControlCode, ResetAnswerTimeoutMs) != RECEIVE_OK)
        qDebug("main: leggikrix: ResetKrix: the device did not confirm the reset");
    EndThread(g);
    g.thread = MakeThread(g.keptPort, g.keptAutoScan);
    if (g.keptBluetooth) {
        g.thread->setBluetoothLink(g.keptBluetooth);
        g.thread->setBluetoothAddress(g.keptModuleAddress);
    }
    g.dllState = StateThreadOrEcu;
}

bool SetMode(std::uint8_t mode) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread || mode == 0)
        return false;
    g.linkMode = mode;
    g.thread->setTransparentMode(mode);
    return true;
}

bool SetEcuDirect(std::uint32_t system, char letter, const char* setMux, char code, const char* dataDir) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return false;
    const int signedCode = static_cast<signed char>(code);
    if (system > MaxSystemNumber || setMux == nullptr || dataDir == nullptr ||
        strnlen(setMux, EcuSelectionRecord::SetMuxWidth) >= EcuSelectionRecord::SetMuxWidth || signedCode < MinCode ||
        signedCode > MaxCode) {
        qDebug("main: leggikrix: SetEcuDirect: system %u, SetMux or code %d do not fit the ECU record", system,
               signedCode);
        return false;
    }
    PutField(g.ecu.system(), EcuSelectionRecord::SystemWidth, std::to_string(system));
    g.ecu.bytes[EcuSelectionRecord::LetterOffset] = letter;
    g.ecu.bytes[EcuSelectionRecord::LetterOffset + 1] = 0;
    PutField(g.ecu.setMux(), EcuSelectionRecord::SetMuxWidth, setMux);
    PutField(g.ecu.code(), EcuSelectionRecord::CodeWidth, std::to_string(signedCode));
    g.thread->setDataDirectory(QString::fromLocal8Bit(dataDir).replace(u'\\', u'/'));
    g.dllState = StateThreadOrEcu;
    return true;
}

std::int32_t InitComKrix(std::uint8_t directOpen) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return ResultWrongState;
    // A failed initialisation may be repeated in any state.
    if (g.dllState != StateThreadOrEcu && g.thread->getInitError() == 0)
        return ResultWrongState;
    const std::int32_t system = SystemNumber(g.ecu);
    std::int32_t program = DefaultProgram;
    char letter = DefaultLetter;
    QString setMux = QString::fromLatin1(DefaultSetMux);
    if (system != 0) {
        program = system;
        letter = g.ecu.letter() != 0 ? g.ecu.letter() : TKrixThread::NoLetter;
        setMux = QString::fromLatin1(FieldText(g.ecu.setMux(), EcuSelectionRecord::SetMuxWidth));
    }
    g.programNumber = program;
    g.thread->setEcuData(program, letter, setMux);
    g.thread->setDirectOpen(directOpen);
    g.thread->requestInit(1);
    return 0;
}

std::int32_t StatusInitKrix(std::uint16_t* textOut) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return ResultWrongState;
    const std::int32_t r = g.thread->getInitResult();
    if (r != 0)
        return r;
    // The device's own message is read here, on the caller's thread, under the lock: nothing
    // else talks to the device meanwhile, and the loop only idles outside transparent mode.
    copyToUnicode(InitMessage::Build(*g.thread, g.programNumber, g.linkMode), textOut, StatusInitTextRoom);
    g.dllState = StateLinkInitialised;
    return 0;
}

bool SetProtocolType(std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1, const std::uint8_t* list1,
                     std::uint8_t len2, const std::uint8_t* list2, std::uint8_t len3, const std::uint8_t* list3) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return false;
    return g.thread->transparent().sendProtocolSet(kind, block, len1, list1, len2, list2, len3, list3);
}

bool StartStop_Ecu(std::uint8_t start) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return false;
    return g.thread->transparent().sendEcuStartStop(start);
}

bool TxFrame(int /*reserved*/, int length, const std::uint8_t* data) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return false;
    return g.thread->transparent().sendTransparentFrame(0, length, data);
}

bool RxFrame(int* length, std::uint8_t* data) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread) {
        if (length)
            *length = 0;
        return false;
    }
    return g.thread->transparent().takeTransparentFrame(length, data);
}

std::int32_t StatusTransparent() {
    // Paces the caller's polls; taken before the lock so that other calls go on meanwhile.
    CurrentClock().SleepMs(StatusTransparentPauseMs);
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return NoThreadTransparentState;
    return g.thread->getTransparentState();
}

std::int32_t WaitRxFrame(std::int32_t timeoutMs) {
    std::shared_ptr<TKrixThread> thread;
    {
        Globals& g = globals();
        std::lock_guard lock(g.mutex);
        if (!g.thread)
            return WaitNoThread;
        thread = g.thread;
    }
    // Without the lock: the other link functions, and the end of the thread, go on meanwhile.
    const std::int32_t ms = std::clamp(timeoutMs, 0, MaxWaitRxFrameMs);
    return thread->transparent().waitForFrame(static_cast<std::uint32_t>(ms)) ? WaitFrameThere : WaitNoFrame;
}

std::int32_t StatusKrix() {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (g.dllState == StateNoThread || !g.thread)
        return NoLink;
    const std::int32_t error = g.thread->getInitError();
    if (error != 0)
        return error;
    return g.dllState == StateThreadOrEcu ? NoLink : g.thread->getStatusCode();
}

std::int32_t SetEcu(std::uint32_t index) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (g.dllState != StateLinkInitialised || !g.thread)
        return ResultWrongState;
    g.thread->selectEcu(static_cast<std::int32_t>(index));
    return 1;
}

void SetBluetooth(std::uint8_t on, const char* moduleAddress) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    if (!g.thread)
        return;
    QString address = moduleAddress ? QString::fromLatin1(moduleAddress) : QString();
    if (!Bluetooth::AddressUsable(address)) {
        // Switching the modules on needs an address for the call line; switching them off
        // needs none, so it is never refused, and an address that could not be used is not kept.
        if (on != 0) {
            qDebug("main: leggikrix: SetBluetooth: module address refused");
            return;
        }
        address.clear();
    }
    g.thread->setBluetoothLink(on);
    g.thread->setBluetoothAddress(address);
    g.keptBluetooth = on;
    g.keptModuleAddress = address;
}

std::uint8_t DllState() {
    std::lock_guard lock(globals().mutex);
    return globals().dllState;
}

std::int32_t ProgramNumber() {
    std::lock_guard lock(globals().mutex);
    return globals().programNumber;
}

std::uint8_t LinkMode() {
    std::lock_guard lock(globals().mutex);
    return globals().linkMode;
}

EcuSelectionRecord EcuSelection() {
    std::lock_guard lock(globals().mutex);
    return globals().ecu;
}

void SetEcuSelection(const EcuSelectionRecord& record) {
    std::lock_guard lock(globals().mutex);
    globals().ecu = record;
}

bool HasDriverThread() {
    std::lock_guard lock(globals().mutex);
    return globals().thread != nullptr;
}

void WithDriver(const std::function<void(const DriverContext&)>& f) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    f(DriverContext{g.thread.get(), g.dllState, g.programNumber, g.linkMode});
}

void SetStateForTests(std::uint8_t dllState, std::int32_t programNumber) {
    Globals& g = globals();
    std::lock_guard lock(g.mutex);
    g.dllState = dllState;
    g.programNumber = programNumber;
}

} // namespace LinkExports
