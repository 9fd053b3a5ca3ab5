#include "TSeriale.h"

#include "TPortRegistry.h"

#include <QtGlobal>

TSeriale::TSeriale() = default;

TSeriale::~TSeriale() { close(); }

int TSeriale::OpenRS232(int port, int speed, char parity, int dataBits, int stopBits, const QString& name) {
    if (bluetooth_.load()) {
        qWarning("main: seriale1: OpenRS232: the Bluetooth link is not available, port %d not opened", port);
        return BluetoothNotAvailable;
    }
    close();
    const QByteArray given = name.toLocal8Bit();
    const int result = port_.PortOpen(port, speed, parity, static_cast<std::uint8_t>(dataBits), stopBits,
                                      given.constData());
    portNumber_ = port;
    speed_ = speed;
    parity_ = parity;
    dataBits_ = static_cast<std::uint8_t>(dataBits);
    stopBits_ = static_cast<std::uint8_t>(stopBits);
    if (result == 0) {
        // The device actually opened, not the name asked for: a bare port number gives an empty
        // name, and two names can mean one device.
        registeredName_ = QString::fromStdString(port_.devicePath());
        TPortRegistry::instance().add(registeredName_);
        qDebug("main: seriale1: OpenRS232: end registering serial com: %s", qPrintable(registeredName_));
    }
    return result;
}

void TSeriale::close() {
    port_.close();
    if (!registeredName_.isEmpty()) {
        TPortRegistry::instance().remove(registeredName_);
        registeredName_.clear();
    }
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
