// A simulated "Талвир К2" panel: the whole command set of its database
// transfer, clock, version, journal, active events and dustiness, over its
// memory (a write changes what a later read returns).
//
// Frame: L (bytes after it, checksum included), command, data, CRC-8.
// Replies: 02 FF accepted, 02 FE refused; table replies carry the command
// (bit 7 on the last reply of the table), the first index and whole records;
// block replies carry the command and the block.
#pragma once

#include <string>

#include "k2_memory.h"
#include "panel.h"
#include "sim_clock.h"

namespace panelsim::k2 {

struct Options {
    std::string firmware = "1.04";
    int journalRecords = 0;
    int activeEvents = 0;
};

class K2Panel : public Panel {
  public:
    K2Panel(const Options& options, Memory memory);

    std::size_t frameSize(const Bytes& head) const override;
    std::vector<Bytes> handle(const Bytes& request) override;
    void remember() override { remembered_ = memory_; }
    bool changedSinceRemembered() const override;
    void forget() override { memory_ = remembered_; }
    Bytes refusal(const Bytes& request, int status) const override;
    void sealFrame(Bytes& frame) const override;
    void spoilIndex(Bytes& frame) const override;

    const Memory& memory() const { return memory_; }

  private:
    struct Table {
        std::uint8_t readCommand, writeCommand;
        std::size_t recordSize;
        std::size_t count;
        std::uint8_t* data;
    };
    struct Block {
        std::uint8_t readCommand, writeCommand;
        std::size_t size;
        std::uint8_t* data;
    };

    Bytes readTable(const Table& t, const Bytes& request) const;
    Bytes writeTable(const Table& t, const Bytes& request);
    Bytes journal(const Bytes& request) const;
    Bytes activeEvents(std::uint8_t command);
    Bytes dustiness();
    Bytes setClock(const Bytes& request);
    std::size_t recordsPerFrame(std::uint8_t readCommand) const;

    Options options_;
    Memory memory_;
    Memory remembered_;
    bool newFirmware_;  // "1.04" or later: short frames
    // The command of the request handled last: only the replies that echo an
    // index (tables, journal) have one to spoil.
    std::uint8_t lastCommand_ = 0;
    std::size_t names_;
    std::vector<Table> tables_;
    std::vector<Block> blocks_;
    std::size_t eventPosition_[4] = {0, 0, 0, 0};
    std::size_t dustPosition_ = 0;
    SimClock clock_;
};

}  // namespace panelsim::k2
