#pragma once
// The serial link that the driver thread owns: opens the port directly, or through the Bluetooth
// serial modules (BluetoothModule.h), and records the device it has open in the process-wide
// registry until the matching close.
//
// Through the modules the PC's port always runs at 115200 baud: the speed OpenRS232 is asked
// for becomes the remote module's speed toward the device. The first opening resets the local
// module and calls the remote one; an opening while the port is open only sends the new remote
// speed. Ending the link (end(), and the destructor) resets the remote module, then the local
// one, before the port is closed.
#include "ByteLink.h"
#include "DeviceClock.h"
#include "TCommPort.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

class TSeriale final : public ByteLink {
public:
    // clock: the waits and pauses of the module dialogue (nullptr: a clock of the link's own on
    // the process's current clock).
    explicit TSeriale(const DeviceClock* clock = nullptr);
    ~TSeriale() override;
    TSeriale(const TSeriale&) = delete;
    TSeriale& operator=(const TSeriale&) = delete;

    // Directly: 0 opened, -1 failed (see TCommPort::PortOpen); name empty: "\\.\COM<port>".
    // Through the modules: 0, -4 port not opened at 115200, -2 local module reset not answered,
    // -3 call failed twice (the port is closed again after -2 and -3).
    int OpenRS232(int port, int speed, char parity, int dataBits, int stopBits, const QString& name);
    void close();
    // Through the modules: resets the remote, then the local module; then close().
    void end();

    bool write(std::size_t n, const std::uint8_t* buf) override;
    bool readByte(std::uint8_t* b) override; // *b := 0 first
    bool waitInput(std::uint32_t ms) override;
    bool takeByte(std::uint8_t* b) override;
    int purgeInput() override;
    bool isOpen() const override { return port_.isOpen(); }

    void setBluetooth(std::uint8_t on) { bluetooth_.store(on); }
    std::uint8_t bluetooth() const { return bluetooth_.load(); }
    void setModuleAddress(const QString& address);
    QString moduleAddress() const;

    // The device entered in the registry (empty while closed).
    const QString& registeredName() const { return registeredName_; }
    int portNumber() const { return portNumber_; }
    int speed() const { return speed_; }
    TCommPort& port() { return port_; }
    const TCommPort& port() const { return port_; }

private:
    int openDirect(int port, int speed, char parity, int dataBits, int stopBits, const QString& name);
    int openThroughModule(int port, int speed, char parity, int dataBits, int stopBits, const QString& name);
    void registerOpenPort();
    void keepSettings(int port, int speed, char parity, int dataBits, int stopBits);

    DeviceClock ownClock_;
    const DeviceClock& clock_;
    TCommPort port_;
    std::atomic<std::uint8_t> bluetooth_{0};
    int portNumber_ = -1;
    int speed_ = 0;
    char parity_ = 'N';
    std::uint8_t dataBits_ = 8;
    std::uint8_t stopBits_ = 1;
    mutable std::mutex addressMutex_;
    QString moduleAddress_;
    QString registeredName_;
};
