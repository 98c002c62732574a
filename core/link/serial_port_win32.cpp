// Serial ports on Windows: a COM port opened as a file ("\\.\COMn"),
// configured through its device-control block and COMMTIMEOUTS, read and
// written synchronously. The driver applies the read time-outs itself, so
// read() is one ReadFile call.
#include <windows.h>

#include <cstring>

#include "base/text.h"
#include "link/serial_port.h"

namespace tavrin {

static_assert(sizeof(DCB) == std::tuple_size_v<decltype(PortState::raw)>,
              "the device-control block is logged as 28 bytes");

std::string portDevicePath(const std::string& name) {
    // A name that already is a device path ("\\.\COM12", "\\?\...") is used
    // as it is; anything else is a DOS device name.
    if (name.rfind("\\\\", 0) == 0) return name;
    return "\\\\.\\" + name;
}

namespace {

class Win32Port : public SerialPort {
  public:
    explicit Win32Port(HANDLE handle) : handle_(handle) {}
    ~Win32Port() override { CloseHandle(handle_); }
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    bool getState(PortState& state) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) return fail();
        state.baudRate = dcb.BaudRate;
        state.byteSize = dcb.ByteSize;
        state.parityCheck = dcb.fParity != 0;
        // The parity and stop-bit indices of the settings are the DCB's own
        // values (NOPARITY..SPACEPARITY, ONESTOPBIT..TWOSTOPBITS).
        state.parity = dcb.Parity;
        state.stopBits = dcb.StopBits;
        std::memcpy(state.raw.data(), &dcb, sizeof dcb);
        return true;
    }

    bool setState(const PortState& state) override {
        // Start from the block the driver reported, so flow control and the
        // other members stay as they were; without one, ask the driver now.
        DCB dcb{};
        std::memcpy(&dcb, state.raw.data(), sizeof dcb);
        if (dcb.DCBlength != sizeof dcb) {
            dcb = DCB{};
            dcb.DCBlength = sizeof dcb;
            if (!GetCommState(handle_, &dcb)) return fail();
        }
        dcb.BaudRate = state.baudRate;
        dcb.ByteSize = state.byteSize;
        dcb.fParity = state.parityCheck ? TRUE : FALSE;
        dcb.Parity = static_cast<BYTE>(state.parity);
        dcb.StopBits = static_cast<BYTE>(state.stopBits);
        if (!SetCommState(handle_, &dcb)) return fail();
        return true;
    }

    bool getTimeouts(PortTimeouts& timeouts) override {
        COMMTIMEOUTS t{};
        if (!GetCommTimeouts(handle_, &t)) return fail();
        timeouts.readInterval = t.ReadIntervalTimeout;
        timeouts.readTotalMultiplier = t.ReadTotalTimeoutMultiplier;
        timeouts.readTotalConstant = t.ReadTotalTimeoutConstant;
        timeouts.writeTotalMultiplier = t.WriteTotalTimeoutMultiplier;
        timeouts.writeTotalConstant = t.WriteTotalTimeoutConstant;
        return true;
    }

    bool setTimeouts(const PortTimeouts& timeouts) override {
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = timeouts.readInterval;
        t.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
        t.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
        t.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
        t.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
        if (!SetCommTimeouts(handle_, &t)) return fail();
        return true;
    }

    int read(std::uint8_t* buffer, int n) override {
        if (n <= 0) return 0;
        DWORD got = 0;
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(n), &got, nullptr)) {
            fail();
            return -1;
        }
        return static_cast<int>(got);
    }

    int write(const std::uint8_t* data, int n) override {
        if (n <= 0) return 0;
        DWORD wrote = 0;
        if (!WriteFile(handle_, data, static_cast<DWORD>(n), &wrote, nullptr)) {
            fail();
            return -1;
        }
        return static_cast<int>(wrote);
    }

    void purge() override {
        if (!PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR))
            fail();
    }

    int bytesWaiting() override {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status)) {
            fail();
            return 0;
        }
        return static_cast<int>(status.cbInQue);
    }

    int lastError() const override { return error_; }
    bool lineLost() const override { return lost_; }

  private:
    bool fail() {
        error_ = static_cast<int>(GetLastError());
        // The errors of a port whose device went away.
        switch (error_) {
            case ERROR_ACCESS_DENIED:
            case ERROR_BAD_COMMAND:
            case ERROR_GEN_FAILURE:
            case ERROR_DEVICE_NOT_CONNECTED:
            case ERROR_DEVICE_REMOVED:
            case ERROR_INVALID_HANDLE:
                lost_ = true;
                break;
            default:
                break;
        }
        return false;
    }

    HANDLE handle_;
    int error_ = 0;
    bool lost_ = false;
};

class Win32Ports : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> open(const std::string& name, int& error) override {
        const std::u16string path = utf8ToUtf16(portDevicePath(name));
        // Read and write, no sharing, an existing device, no overlapped I/O.
        HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()),
                               GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = static_cast<int>(GetLastError());
            return nullptr;
        }
        error = 0;
        return std::make_unique<Win32Port>(h);
    }

    // Every DOS device name that contains "COM", in the order the system
    // lists them.
    std::vector<std::string> candidates() override {
        std::vector<std::string> names;
        std::vector<wchar_t> buffer(100000);
        DWORD n = 0;
        for (;;) {
            n = QueryDosDeviceW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (n != 0) break;
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || buffer.size() >= (1u << 22))
                return names;
            buffer.resize(buffer.size() * 2);
        }
        const wchar_t* p = buffer.data();
        const wchar_t* end = p + n;
        while (p < end && *p) {
            const std::size_t len = wcsnlen(p, static_cast<std::size_t>(end - p));
            const std::u16string name(reinterpret_cast<const char16_t*>(p), len);
            if (name.find(u"COM") != std::u16string::npos) names.push_back(utf16ToUtf8(name));
            p += len + 1;
        }
        return names;
    }
};

}  // namespace

SerialPortFactory& systemPortFactory() {
    static Win32Ports ports;
    return ports;
}

}  // namespace tavrin
