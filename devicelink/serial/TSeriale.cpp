#include "TSeriale.h"

#include "BluetoothModule.h"
#include "TPortRegistry.h"

#include <QtGlobal>

TSeriale::TSeriale(const DeviceClock* clock) : clock_(clock ? *clock : ownClock_) {}

TSeriale::~TSeriale() { end(); }

int TSeriale::OpenRS232(int port, int speed, char parity, int dataBits, int stopBits, const QString& name) {
    if (bluetooth_.load())
        return openThroughModule(port, speed, parity, dataBits, stopBits, name);
    return openDirect(port, speed, parity, dataBits, stopBits, name);
}

void TSeriale::keepSettings(int port, int speed, char parity, int dataBits, int stopBits) {
    portNumber_ = port;
    speed_ = speed;
    parity_ = parity;
    dataBits_ = static_cast<std::uint8_t>(dataBits);
    stopBits_ = static_cast<std::uint8_t>(stopBits);
}

// The device actually opened, not the name asked for: a bare port number gives an empty name,
// and two names can mean one device.
void TSeriale::registerOpenPort() {
    registeredName_ = QString::fromStdString(port_.devicePath());
    TPortRegistry::instance().add(registeredName_);
}

int TSeriale::openDirect(int port, int speed, char parity, int dataBits, int stopBits, const QString& name) {
    close();
    const QByteArray given = name.toLocal8Bit();
    const int result = port_.PortOpen(port, speed, parity, static_cast<std::uint8_t>(dataBits), stopBits,
                                      given.constData());
    keepSettings(port, speed, parity, dataBits, stopBits);
    if (result == 0) {
        registerOpenPort();
        qDebug("main: seriale1: OpenRS232: end registering serial com: %s", qPrintable(registeredName_));
    }
    return result;
}

int TSeriale::openThroughModule(int port, int speed, char parity, int dataBits, int stopBits, const QString& name) {
    BluetoothModule module(*this, clock_);
    if (!isOpen()) {
        qDebug("main: seriale1: OpenRS232: opening com %d at 115200", port);
        const QByteArray given = name.toLocal8Bit();
        if (port_.PortOpen(port, Bluetooth::PcBaud, parity, static_cast<std::uint8_t>(dataBits), stopBits,
                           given.constData()) != 0)
            return Bluetooth::PortNotOpened;
        qDebug("main: seriale1: OpenRS232: registering serial com");
        registerOpenPort();
        qDebug("main: seriale1: OpenRS232: end registering serial com");

        if (!module.moduleReset(Bluetooth::LocalModule)) {
            qDebug("main: seriale1: OpenRS232: resetting bluetooth failed at 115200");
            close();
            return Bluetooth::ResetFailed;
        }
        const QString address = moduleAddress();
        qDebug("main: seriale1: OpenRS232: calling bluetooth module %s", qPrintable(address));
        if (!module.callBluetooth(address)) {
            qDebug("main: seriale1: OpenRS232: calling bluetooth 2nd time module %s", qPrintable(address));
            if (!module.callBluetooth(address)) {
                close();
                return Bluetooth::CallFailed;
            }
        }
        qDebug("main: seriale1: OpenRS232: bluetooth module %s connected", qPrintable(address));
    }
    // The speed asked for is the remote module's toward the device; its answer is not needed.
    if (const int code = Bluetooth::SpeedCodeFor(speed); code != 0 && clock_.sleepMs(Bluetooth::BeforeRemoteSpeedMs)) {
        qDebug("main: seriale1: OpenRS232: setting bluetooth remote speed to %d", speed);
        module.setRemoteSpeed(code, Bluetooth::RemoteModule);
    }
    keepSettings(port, speed, parity, dataBits, stopBits);
    return 0;
}

void TSeriale::close() {
    port_.close();
    if (!registeredName_.isEmpty()) {
        TPortRegistry::instance().remove(registeredName_);
        registeredName_.clear();
    }
}

void TSeriale::end() {
    if (bluetooth_.load() && isOpen()) {
        BluetoothModule module(*this, clock_);
        module.moduleReset(Bluetooth::RemoteModule);
        module.moduleReset(Bluetooth::LocalModule);
    }
    close();
}

void TSeriale::setModuleAddress(const QString& address) {
    std::lock_guard lock(addressMutex_);
    moduleAddress_ = address;
}

QString TSeriale::moduleAddress() const {
    std::lock_guard lock(addressMutex_);
    return moduleAddress_;
}

bool TSeriale::write(std::size_t n, const std::uint8_t* buf) {
    return port_.write(buf, n);
}

bool TSeriale::readByte(std::uint8_t* b) {
    *b = 0;
    return port_.readByte(b);
}

bool TSeriale::waitInput(std::uint32_t ms) {
    return port_.waitInput(ms);
}

bool TSeriale::takeByte(std::uint8_t* b) {
    return port_.takeByte(b);
}

int TSeriale::purgeInput() {
    return port_.purgeInput();
}
