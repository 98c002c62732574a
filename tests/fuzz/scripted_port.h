// A port for the fuzz targets of the device operations: it plays the
// fuzzer's bytes as the panel's replies. Each request written takes the next
// step of the script:
//   0x00..0x3F H L   a reply of (H & 0x3F) * 256 + L bytes that follow
//   0x40..0x7F       no reply
//   0x80..0xBF I X   the panel's own reply (the built-in simulation of
//                    `panel`) with byte I xor X (X = 0: as it is)
//   0xC0..0xFF       the panel's own replies to this and the next
//                    (S - 0xC0) * 8 requests
// Once the script ends, nothing is answered. Reads take what waits, so a
// read that finds nothing is a time-out at once; a purge drops what waits.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/app_context.h"
#include "link/dbase.h"
#include "link/serial_port.h"

namespace fuzz {

class ScriptedPort : public tavrin::SerialPort {
  public:
    ScriptedPort(const std::uint8_t* data, std::size_t size, tavrin::DBase& panel)
        : data_(data), size_(size), panel_(panel) {}

    bool getState(tavrin::PortState&) override { return true; }
    bool setState(const tavrin::PortState&) override { return true; }
    bool getTimeouts(tavrin::PortTimeouts&) override { return true; }
    bool setTimeouts(const tavrin::PortTimeouts&) override { return true; }
    int read(std::uint8_t* buffer, int n) override {
        const int k = std::min<int>(n, static_cast<int>(waiting_.size()));
        std::copy_n(waiting_.begin(), k, buffer);
        waiting_.erase(waiting_.begin(), waiting_.begin() + k);
        return k;
    }
    int write(const std::uint8_t* request, int n) override {
        answer(tavrin::ByteSpan(request, static_cast<std::size_t>(n)));
        return n;
    }
    void purge() override { waiting_.clear(); }
    int bytesWaiting() override { return static_cast<int>(waiting_.size()); }
    int lastError() const override { return 0; }

  private:
    int next() { return at_ < size_ ? data_[at_++] : -1; }

    void simulate(tavrin::ByteSpan request, int index, int mask) {
        std::array<std::uint8_t, tavrin::DBase::kReplyBufferSize> reply{};
        const int n =
            panel_.SimulateDevice(request.first(std::min<std::size_t>(request.size(), 255)), reply);
        if (n <= 0 || n > static_cast<int>(reply.size())) std::abort();
        if (mask != 0)
            reply[static_cast<std::size_t>(index % n)] ^= static_cast<std::uint8_t>(mask);
        waiting_.insert(waiting_.end(), reply.begin(), reply.begin() + n);
    }

    void answer(tavrin::ByteSpan request) {
        if (run_ > 0) {
            --run_;
            simulate(request, 0, 0);
            return;
        }
        const int step = next();
        if (step < 0 || (step >= 0x40 && step < 0x80)) return;
        if (step < 0x40) {
            const int low = std::max(next(), 0);
            std::size_t length = static_cast<std::size_t>((step << 8) | low);
            length = std::min(length, size_ - at_);
            waiting_.insert(waiting_.end(), data_ + at_, data_ + at_ + length);
            at_ += length;
        } else if (step < 0xC0) {
            const int index = std::max(next(), 0);
            const int mask = std::max(next(), 0);
            simulate(request, index, mask);
        } else {
            run_ = (step - 0xC0) * 8;
            simulate(request, 0, 0);
        }
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    int run_ = 0;
    tavrin::DBase& panel_;
    std::deque<std::uint8_t> waiting_;
};

class ScriptedPortFactory : public tavrin::SerialPortFactory {
  public:
    ScriptedPortFactory(const std::uint8_t* data, std::size_t size, tavrin::DBase& panel)
        : data_(data), size_(size), panel_(panel) {}
    std::unique_ptr<tavrin::SerialPort> open(const std::string&, int&) override {
        return std::make_unique<ScriptedPort>(data_, size_, panel_);
    }
    std::vector<std::string> candidates() override { return {}; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    tavrin::DBase& panel_;
};

// The clock of the operations: no waiting.
class NoWaitClock : public tavrin::Clock {
  public:
    tavrin::LocalTime now() const override { return {2026, 3, 5, 14, 7, 9, 0, 4}; }
    std::uint64_t ticksMs() const override { return ticks_; }
    void sleepMs(unsigned ms) override { ticks_ += ms; }

  private:
    std::uint64_t ticks_ = 0;
};

}  // namespace fuzz
