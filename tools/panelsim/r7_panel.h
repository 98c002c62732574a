// A simulated "Ордис Р7" panel: enough of its protocol to exercise the
// exchange — clock, version, record read and write, end of database,
// firmware frames (answered by an acknowledgement and a second frame of type
// 0x0A) and end of firmware.
//
// Frame: address, 0, L (body bytes), body, CRC-8. A request body is 1, the
// command and its data; a reply body is 0, the command and its data. An
// acknowledgement has a 3-byte body whose last byte is 0; any other value
// there is a refusal (1 checksum, 2 command, 3 rights).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "panel.h"
#include "sim_clock.h"

namespace panelsim::r7 {

constexpr std::size_t kRecords = 2048;
constexpr std::size_t kRecordSize = 38;

struct Options {
    int major = 1, minor = 4;
    std::uint8_t address = 1;
};

class R7Panel : public Panel {
  public:
    explicit R7Panel(const Options& options);

    std::size_t frameSize(const Bytes& head) const override;
    std::vector<Bytes> handle(const Bytes& request) override;
    Bytes refusal(const Bytes& request, int status) const override;
    void sealFrame(Bytes& frame) const override;
    void spoilIndex(Bytes& frame) const override;
    int typeOffset() const override { return 4; }

    int firmwareFrames() const { return firmwareFrames_; }

  private:
    Bytes reply(std::uint8_t command, const Bytes& data) const;

    Options options_;
    std::vector<std::uint8_t> records_;
    int firmwareFrames_ = 0;
    SimClock clock_;
};

}  // namespace panelsim::r7
