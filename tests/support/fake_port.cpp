#include "support/fake_port.h"

#include <algorithm>
#include <limits>

#include "base/crc8.h"

namespace tavrin::test {

LocalTime FakeClock::now() const {
    LocalTime t = base;
    std::uint64_t ms =
        (static_cast<std::uint64_t>(base.hour) * 3600 + base.minute * 60 + base.second) * 1000 +
        base.millisecond + ticks;
    ms %= 24ull * 3600 * 1000;
    t.millisecond = static_cast<int>(ms % 1000);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.hour = static_cast<int>(ms / 3600000);
    return t;
}

void FakeLine::arrive(std::uint64_t delayMs, ByteSpan bytes, std::uint64_t gapMs) {
    std::uint64_t at = clock_.ticks + delayMs;
    for (const std::uint8_t b : bytes) {
        incoming_.emplace_back(at, b);
        at += gapMs;
    }
    std::stable_sort(incoming_.begin(), incoming_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool FakePort::getState(PortState& state) {
    if (line_.failGetState) return false;
    state = line_.state;
    return true;
}

bool FakePort::setState(const PortState& state) {
    if (line_.failSetState) return false;
    line_.state = state;
    return true;
}

bool FakePort::getTimeouts(PortTimeouts& timeouts) {
    if (line_.failGetTimeouts) return false;
    timeouts = line_.timeouts;
    return true;
}

bool FakePort::setTimeouts(const PortTimeouts& timeouts) {
    if (line_.failSetTimeouts) return false;
    line_.timeouts = timeouts;
    return true;
}

// The Windows read: n bytes, or no byte for the interval after a byte, or
// the total time-out, whichever comes first.
int FakePort::read(std::uint8_t* buffer, int n) {
    if (n <= 0) return 0;
    FakeClock& clock = line_.clock();
    auto& in = line_.incoming();
    const PortTimeouts& to = line_.timeouts;
    constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
    const bool immediate =
        to.readInterval == UINT32_MAX && to.readTotalMultiplier == 0 && to.readTotalConstant == 0;
    const bool totalOn = to.readTotalMultiplier != 0 || to.readTotalConstant != 0;
    const bool intervalOn = to.readInterval != 0 && to.readInterval != UINT32_MAX;
    const std::uint64_t deadline =
        clock.ticks + to.readTotalConstant + static_cast<std::uint64_t>(to.readTotalMultiplier) * n;
    int got = 0;
    std::uint64_t last = clock.ticks;
    while (got < n) {
        std::uint64_t limit = kNever;
        if (totalOn) limit = deadline;
        if (got > 0 && intervalOn) limit = std::min(limit, last + to.readInterval);
        if (immediate) limit = clock.ticks;
        if (in.empty() || in.front().first > limit) {
            if (limit != kNever) clock.ticks = std::max(clock.ticks, limit);
            return got;
        }
        clock.ticks = std::max(clock.ticks, in.front().first);
        buffer[got++] = in.front().second;
        in.pop_front();
        last = clock.ticks;
    }
    return got;
}

int FakePort::write(const std::uint8_t* data, int n) {
    line_.writes.emplace_back(data, data + n);
    const int written = line_.shortWrite >= 0 ? std::min(line_.shortWrite, n) : n;
    if (line_.onWrite) line_.onWrite(ByteSpan(data, static_cast<std::size_t>(n)));
    return written;
}

void FakePort::purge() {
    ++line_.purges;
    auto& in = line_.incoming();
    while (!in.empty() && in.front().first <= line_.clock().ticks)
        in.pop_front();
}

int FakePort::bytesWaiting() {
    int n = 0;
    for (const auto& [t, b] : line_.incoming()) {
        if (t <= line_.clock().ticks) ++n;
    }
    return n;
}

std::unique_ptr<SerialPort> FakePortFactory::open(const std::string& name, int& error) {
    const auto it = lines.find(name);
    if (it == lines.end()) {
        error = 2;
        return nullptr;
    }
    FakeLine& line = *it->second;
    if (line.failedOpens > 0) {
        --line.failedOpens;
        error = line.openError;
        return nullptr;
    }
    ++line.opens;
    error = 0;
    return std::make_unique<FakePort>(line);
}

Bytes k2Frame(std::initializer_list<std::uint8_t> body) {
    Bytes f;
    f.push_back(static_cast<std::uint8_t>(body.size() + 1));
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(Crc8(f));
    return f;
}

Bytes r7Frame(std::uint8_t address, std::initializer_list<std::uint8_t> body) {
    Bytes f{address, 0, static_cast<std::uint8_t>(body.size())};
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(Crc8(f));
    return f;
}

}  // namespace tavrin::test
