// The termios port on a real pseudo-terminal: names, settings that a pty
// accepts or tolerates, exclusive opening and the Windows read time-outs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/serial_port.h"

namespace tavrin {
namespace {

using Ms = std::chrono::milliseconds;

// A pty pair: the test writes to the master, the port reads the slave.
struct Pty {
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = ptsname(master);
    }
    ~Pty() { close(master); }
    void send(std::initializer_list<std::uint8_t> bytes) const {
        const std::vector<std::uint8_t> b(bytes);
        EXPECT_EQ(::write(master, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
    int master = -1;
    std::string path;
};

long long elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - since).count();
}

std::unique_ptr<SerialPort> openPort(const std::string& path, PortTimeouts t) {
    int error = 0;
    auto port = systemPortFactory().open(path, error);
    EXPECT_TRUE(port) << path << ": " << error;
    if (port) port->setTimeouts(t);
    return port;
}

TEST(PosixPort, WindowsNamesMapToDevices) {
    EXPECT_EQ(portDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(portDevicePath("COM12"), "/dev/ttyS11");
    EXPECT_EQ(portDevicePath("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(portDevicePath("COM0"), "COM0");
    EXPECT_EQ(portDevicePath("COMx"), "COMx");
    for (const auto& c : systemPortFactory().candidates()) {
        EXPECT_TRUE(c.rfind("/dev/ttyS", 0) == 0 || c.rfind("/dev/ttyUSB", 0) == 0 ||
                    c.rfind("/dev/ttyACM", 0) == 0 || c.rfind("/dev/serial/by-id/", 0) == 0)
            << c;
    }
}

TEST(PosixPort, OpensOnceAndFailsForMissingDevices) {
    Pty pty;
    int error = 0;
    auto first = systemPortFactory().open(pty.path, error);
    ASSERT_TRUE(first);
    EXPECT_FALSE(systemPortFactory().open(pty.path, error));
    EXPECT_EQ(error, EBUSY);
    first.reset();
    EXPECT_TRUE(systemPortFactory().open(pty.path, error));
    EXPECT_FALSE(systemPortFactory().open("/dev/tavrin-no-such-port", error));
    EXPECT_EQ(error, ENOENT);
}

TEST(PosixPort, SettingsAreTakenOrToleratedOnAPty) {
    Pty pty;
    auto port = openPort(pty.path, {});
    ASSERT_TRUE(port);
    struct Row {
        std::uint32_t baud;
        int parity;
        int stopBits;
    };
    for (const Row row :
         {Row{9600, kParityNone, kStopBits1}, Row{128000, kParityOdd, kStopBits2},
          Row{256000, kParityEven, kStopBits15}, Row{115200, kParityMark, kStopBits1},
          Row{57600, kParitySpace, kStopBits1}}) {
        PortState s;
        ASSERT_TRUE(port->getState(s));
        s.baudRate = row.baud;
        s.parity = row.parity;
        s.parityCheck = row.parity != kParityNone;
        s.stopBits = row.stopBits;
        ASSERT_TRUE(port->setState(s)) << row.baud << ": " << port->lastError();
        PortState back;
        ASSERT_TRUE(port->getState(back));
        EXPECT_EQ(back.byteSize, 8);
        // The pty driver drops the parity bits; a real port keeps them.
        EXPECT_TRUE(back.parity == row.parity || back.parity == kParityNone) << row.baud;
        // One and a half stop bits become two.
        EXPECT_EQ(back.stopBits, row.stopBits == kStopBits1 ? kStopBits1 : kStopBits2);
        EXPECT_EQ(back.baudRate, row.baud);
    }
}

TEST(PosixPort, ReadReturnsWhenAllBytesCame) {
    Pty pty;
    auto port = openPort(pty.path, {20, 10, 1000, 0, 0});
    pty.send({1, 2, 3, 4});
    std::uint8_t buf[4] = {};
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(port->read(buf, 4), 4);
    EXPECT_LT(elapsedMs(t0), 500);
    EXPECT_EQ(buf[3], 4);
}

TEST(PosixPort, SilentLineEndsAfterTheTotalTimeOut) {
    Pty pty;
    auto port = openPort(pty.path, {10, 20, 100, 0, 0});
    std::uint8_t buf[5] = {};
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(port->read(buf, 5), 0);
    const long long ms = elapsedMs(t0);
    EXPECT_GE(ms, 195);  // 100 + 20 * 5
    EXPECT_LT(ms, 1000);
}

TEST(PosixPort, PauseAfterAByteEndsTheReadWithWhatCame) {
    Pty pty;
    auto port = openPort(pty.path, {30, 0, 5000, 0, 0});
    std::thread writer([&] {
        std::this_thread::sleep_for(Ms(50));
        pty.send({7, 8});
    });
    std::uint8_t buf[10] = {};
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(port->read(buf, 10), 2);
    writer.join();
    const long long ms = elapsedMs(t0);
    EXPECT_GE(ms, 75);    // the first byte came at 50, then 30 of silence
    EXPECT_LT(ms, 2000);  // long before the total
}

TEST(PosixPort, TotalTimeOutCutsADribblingLine) {
    Pty pty;
    auto port = openPort(pty.path, {200, 0, 150, 0, 0});
    std::thread writer([&] {
        for (int i = 0; i < 10; ++i) {
            pty.send({static_cast<std::uint8_t>(i)});
            std::this_thread::sleep_for(Ms(40));
        }
    });
    std::uint8_t buf[20] = {};
    const auto t0 = std::chrono::steady_clock::now();
    const int got = port->read(buf, 20);
    const long long ms = elapsedMs(t0);
    writer.join();
    EXPECT_GE(got, 1);
    EXPECT_LT(got, 10);
    EXPECT_GE(ms, 145);
    EXPECT_LT(ms, 1000);
}

TEST(PosixPort, WriteAndBytesWaiting) {
    Pty pty;
    auto port = openPort(pty.path, {10, 0, 100, 0, 0});
    const std::uint8_t out[3] = {0xA1, 0xB2, 0xC3};
    EXPECT_EQ(port->write(out, 3), 3);
    std::uint8_t in[3] = {};
    std::this_thread::sleep_for(Ms(20));
    EXPECT_EQ(::read(pty.master, in, 3), 3);
    EXPECT_EQ(in[2], 0xC3);
    pty.send({1, 2});
    std::this_thread::sleep_for(Ms(20));
    EXPECT_EQ(port->bytesWaiting(), 2);
    port->purge();
    EXPECT_EQ(port->bytesWaiting(), 0);
}

}  // namespace
}  // namespace tavrin
