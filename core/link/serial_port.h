// One serial-port interface with the Windows semantics, several ports: the
// POSIX termios port, the Win32 port (chosen at build time) and the scripted
// fake of the unit tests.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrin {

// Parity indices as stored in the settings ("нет", "нечет", "чет",
// "всегда1", "всегда0").
enum PortParity : int {
    kParityNone = 0,
    kParityOdd = 1,
    kParityEven = 2,
    kParityMark = 3,
    kParitySpace = 4
};
// Stop-bit indices ("1", "1.5", "2"). POSIX terminals know only one or two
// stop bits: the termios port sends two for "1.5".
enum PortStopBits : int { kStopBits1 = 0, kStopBits15 = 1, kStopBits2 = 2 };

// The members of the port state that the program sets; `raw` is the 28-byte
// device-control block as the driver reported it (logged when it cannot be
// set).
struct PortState {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    bool parityCheck = false;
    int parity = kParityNone;
    int stopBits = kStopBits1;
    std::array<std::uint8_t, 28> raw{};
};

// Read time-outs with the Windows meaning: a read of n bytes returns when n
// bytes came, or when no byte came for `readInterval` ms after a byte, or
// after readTotalConstant + readTotalMultiplier * n ms in all, with what
// arrived. Zero for a member switches that limit off.
struct PortTimeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Each returns false on failure; lastError() then holds the system error.
    virtual bool getState(PortState& state) = 0;
    virtual bool setState(const PortState& state) = 0;
    virtual bool getTimeouts(PortTimeouts& timeouts) = 0;
    virtual bool setTimeouts(const PortTimeouts& timeouts) = 0;
    // Bytes read (0..n) under the time-outs; -1 on a system error.
    virtual int read(std::uint8_t* buffer, int n) = 0;
    // Bytes written; -1 on a system error.
    virtual int write(const std::uint8_t* data, int n) = 0;
    virtual void purge() = 0;
    virtual int bytesWaiting() = 0;
    virtual int lastError() const = 0;
    // True once the device behind the port is gone (a USB adapter pulled
    // out, a pseudo-terminal's other end closed): nothing more will pass
    // until the port is opened again. lastError() holds the reason.
    virtual bool lineLost() const { return false; }
};

// Opens ports by name and lists the candidates of the port search.
class SerialPortFactory {
  public:
    virtual ~SerialPortFactory() = default;
    // nullptr on failure, with the system error in `error`.
    virtual std::unique_ptr<SerialPort> open(const std::string& name, int& error) = 0;
    virtual std::vector<std::string> candidates() = 0;
};

// "COMn" is the Windows name; on POSIX it becomes /dev/ttyS(n-1). A name that
// starts with "/" is a device path used as it is. The POSIX candidates of the
// port search are /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and
// /dev/serial/by-id/*; the POSIX port is opened exclusively (flock), raw,
// with CLOCAL, and tolerates ENOTTY/EINVAL from a pseudo-terminal.
std::string portDevicePath(const std::string& name);

// The factory of the real ports of this platform.
SerialPortFactory& systemPortFactory();

}  // namespace tavrin
