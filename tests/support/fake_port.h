// A fake clock and a scripted fake serial line for unit tests of the port
// users. Time is the fake clock's: reads advance it exactly as far as the
// Windows read time-outs say, so no test waits for real time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/seams.h"
#include "link/serial_port.h"

namespace tavrin::test {

// Local time = `base` plus the ticks (within the day); sleeps advance the
// ticks and are recorded.
class FakeClock : public Clock {
  public:
    LocalTime now() const override;
    std::uint64_t ticksMs() const override { return ticks; }
    void sleepMs(unsigned ms) override {
        sleeps.push_back(ms);
        ticks += ms;
    }

    LocalTime base{2026, 12, 8, 10, 0, 0, 0, 2};
    std::uint64_t ticks = 0;
    std::vector<unsigned> sleeps;
};

// The far end of one fake port: bytes scheduled to arrive at given ticks,
// the frames written, and switches that make single port calls fail.
class FakeLine {
  public:
    explicit FakeLine(FakeClock& clock) : clock_(clock) {}

    // Schedules bytes to arrive `delayMs` from now, `gapMs` apart.
    void arrive(std::uint64_t delayMs, ByteSpan bytes, std::uint64_t gapMs = 0);
    // Called with every frame written (after it is recorded).
    std::function<void(ByteSpan request)> onWrite;

    std::vector<Bytes> writes;
    int shortWrite = -1;  // >= 0: write() reports this many bytes written
    bool failGetState = false, failSetState = false;
    bool failGetTimeouts = false, failSetTimeouts = false;
    int failedOpens = 0;  // the next n opens fail with openError
    int openError = 2;    // ENOENT
    int opens = 0;
    int purges = 0;
    PortState state;        // what getState reports and setState stores
    PortTimeouts timeouts;  // what setTimeouts stored

    FakeClock& clock() { return clock_; }
    std::deque<std::pair<std::uint64_t, std::uint8_t>>& incoming() { return incoming_; }

  private:
    FakeClock& clock_;
    std::deque<std::pair<std::uint64_t, std::uint8_t>> incoming_;
};

class FakePort : public SerialPort {
  public:
    explicit FakePort(FakeLine& line) : line_(line) {}
    bool getState(PortState& state) override;
    bool setState(const PortState& state) override;
    bool getTimeouts(PortTimeouts& timeouts) override;
    bool setTimeouts(const PortTimeouts& timeouts) override;
    int read(std::uint8_t* buffer, int n) override;
    int write(const std::uint8_t* data, int n) override;
    void purge() override;
    int bytesWaiting() override;
    int lastError() const override { return 5; }  // EIO

  private:
    FakeLine& line_;
};

// Opens the fake lines registered under their names; other names fail.
class FakePortFactory : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> open(const std::string& name, int& error) override;
    std::vector<std::string> candidates() override { return names; }

    std::map<std::string, FakeLine*> lines;
    std::vector<std::string> names;
};

// Frames of the two families, checksum appended.
Bytes k2Frame(std::initializer_list<std::uint8_t> body);
Bytes r7Frame(std::uint8_t address, std::initializer_list<std::uint8_t> body);

}  // namespace tavrin::test
