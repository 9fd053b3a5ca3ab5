#pragma once
// The serial link that the driver thread owns: opens the port directly and records the device
// it has open in the process-wide registry until the matching close.
//
// The Bluetooth serial module link is not part of this build: with the Bluetooth flag set,
// OpenRS232 refuses (-4) instead of opening the port without the module.
#include "ByteLink.h"
#include "TCommPort.h"

#include <QString>

#include <atomic>
#include <cstdint>

class TSeriale final : public ByteLink {
public:
    // OpenRS232's result when the Bluetooth link was asked for.
    static constexpr int BluetoothNotAvailable = -4;

    TSeriale();
    ~TSeriale() override;
    TSeriale(const TSeriale&) = delete;
    TSeriale& operator=(const TSeriale&) = delete;

    // 0 opened, -1 failed (see TCommPort::PortOpen); name empty: "\\.\COM<port>".
    int OpenRS232(int port, int speed, char parity, int dataBits, int stopBits, const QString& name);
    void close();

    bool write(std::size_t n, const std::uint8_t* buf) override;
    bool readByte(std::uint8_t* b) override; // *b := 0 first
    bool waitInput(std::uint32_t ms) override;
    bool takeByte(std::uint8_t* b) override;
    int purgeInput() override;

    void setBluetooth(std::uint8_t on) { bluetooth_.store(on); }
    void setModuleAddress(const QString& address) { moduleAddress_ = address; }
    bool isOpen() const { return port_.isOpen(); }

    // The device entered in the registry (empty while closed).
    const QString& registeredName() const { return registeredName_; }
    int portNumber() const { return portNumber_; }
    int speed() const { return speed_; }
    TCommPort& port() { return port_; }
    const TCommPort& port() const { return port_; }

private:
    TCommPort port_;
    std::atomic<std::uint8_t> bluetooth_{0};
    int portNumber_ = -1;
    int speed_ = 0;
    char parity_ = 'N';
    std::uint8_t dataBits_ = 8;
    std::uint8_t stopBits_ = 1;
    QString moduleAddress_;
    QString registeredName_;
};
