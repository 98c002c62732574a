// Drives the Windows serial port against an echoing peer: opens the port by
// its COM name, sets the state and the read time-outs as a device operation
// does, and checks binary transparency, the total and interval time-outs,
// the input count and the purge. The peer (scripts/pty_echo.py) sits on the
// other side of a pseudo-terminal that the Wine prefix maps to the COM name.
//
// Usage: win_port_probe COMn [baud]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "link/serial_port.h"

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

std::string errorText(const tavrin::SerialPort& port) {
    return std::to_string(port.lastError()) + " " + tavrin::systemErrorText(port.lastError());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: win_port_probe COMn [baud]\n");
        return 2;
    }
    const std::string name = argv[1];
    const std::uint32_t baud =
        argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 9600;

    auto& factory = tavrin::systemPortFactory();
    bool listed = false;
    for (const auto& c : factory.candidates())
        listed = listed || c == name;
    check(listed, "port search lists " + name);

    int error = 0;
    auto port = factory.open(name, error);
    check(port != nullptr, "open " + name + (port ? "" : ": " + tavrin::systemErrorText(error)));
    if (!port) return 1;
    // A second open is refused on Windows (no sharing); Wine does not
    // enforce that for devices, so it is not checked here.

    tavrin::PortState state;
    check(port->getState(state), "get state");
    state.baudRate = baud;
    state.byteSize = 8;
    state.parityCheck = false;
    state.parity = tavrin::kParityNone;
    state.stopBits = tavrin::kStopBits1;
    const bool set = port->setState(state);
    check(set, "set state " + std::to_string(baud) + " 8N1" + (set ? "" : ": " + errorText(*port)));
    tavrin::PortState back;
    const bool readBack = port->getState(back);
    check(readBack && back.baudRate == baud && back.byteSize == 8 &&
              back.parity == tavrin::kParityNone && back.stopBits == tavrin::kStopBits1,
          "state reads back (" + std::to_string(back.baudRate) + " baud)");
    // Flow control and every other member of the block stay as the driver
    // reported them: bytes 8..11 hold the flags (bit 1 is the parity check),
    // 12..17 the limits, 21..27 the special characters.
    bool kept = (back.raw[8] & ~0x02) == (state.raw[8] & ~0x02);
    for (int i = 9; i < 28; ++i) {
        if (i < 18 || i > 20) kept = kept && back.raw[i] == state.raw[i];
    }
    check(kept, "other members of the control block kept");

    tavrin::PortTimeouts t;
    check(port->getTimeouts(t), "get time-outs");
    t = {10, 10, 1000, 0, 0};
    check(port->setTimeouts(t), "set time-outs 10/10/1000");
    tavrin::PortTimeouts tb;
    const bool timeoutsBack = port->getTimeouts(tb);
    check(timeoutsBack && tb.readInterval == 10 && tb.readTotalMultiplier == 10 &&
              tb.readTotalConstant == 1000,
          "time-outs read back");
    port->purge();

    // Every byte value travels unchanged both ways.
    std::vector<std::uint8_t> frame(256);
    for (int i = 0; i < 256; ++i)
        frame[i] = static_cast<std::uint8_t>(i);
    check(port->write(frame.data(), 256) == 256, "write 256 bytes");
    std::vector<std::uint8_t> echo(256);
    int got = 0;
    for (int pass = 0; pass < 5 && got < 256; ++pass) {
        const int n = port->read(echo.data() + got, 256 - got);
        if (n < 0) break;
        got += n;
    }
    check(got == 256 && echo == frame, "256 byte values echoed (" + std::to_string(got) + ")");

    // Silence: a read of 10 bytes ends after the total time-out with nothing.
    ULONGLONG start = GetTickCount64();
    std::uint8_t buf[100];
    int n = port->read(buf, 10);
    ULONGLONG ms = GetTickCount64() - start;
    check(n == 0 && ms >= 900 && ms < 3000, "silent read ends after " + std::to_string(ms) + " ms");

    // A short reply ends the read at the interval time-out, well before the
    // total of 1000 + 10 * 100 ms.
    const std::uint8_t three[3] = {0x0D, 0x11, 0x13};
    port->write(three, 3);
    start = GetTickCount64();
    n = port->read(buf, 100);
    ms = GetTickCount64() - start;
    check(n == 3 && buf[0] == 0x0D && buf[1] == 0x11 && buf[2] == 0x13,
          "short reply read (" + std::to_string(n) + " bytes)");
    check(ms < 1500, "short read ends early, after " + std::to_string(ms) + " ms");

    // A reply in pieces: the read goes on over a short pause and ends at the
    // first pause longer than the interval time-out.
    const std::uint8_t pieces[2] = {0xF0, 0x0F};
    port->write(pieces, 2);
    n = 0;
    for (int pass = 0; pass < 20 && n == 0; ++pass)
        n = port->read(buf, 100);
    bool inOrder = n == 20;
    for (int i = 0; inOrder && i < 20; ++i)
        inOrder = buf[i] == i;
    check(inOrder, "read ends at the first long pause (" + std::to_string(n) + " of 20 bytes)");
    Sleep(400);
    n = port->read(buf, 100);
    check(n == 10 && buf[0] == 20, "the rest follows (" + std::to_string(n) + " bytes)");

    // Bytes waiting, then purge drops them.
    const std::uint8_t five[5] = {1, 2, 3, 4, 5};
    port->write(five, 5);
    Sleep(300);
    const int waiting = port->bytesWaiting();
    check(waiting == 5, "5 bytes waiting (" + std::to_string(waiting) + ")");
    port->purge();
    check(port->bytesWaiting() == 0, "purge empties the input");

    port.reset();
    auto again = factory.open(name, error);
    check(again != nullptr, "opens again after close");
    std::printf("%s\n", failures ? "FAILED" : "PASSED");
    return failures ? 1 : 0;
}
