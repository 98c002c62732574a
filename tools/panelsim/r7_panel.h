// A simulated "Ордис Р7" panel: its memory of 2048 element records (a write
// changes what a later read returns; a database file may preload it), its
// clock and version, a journal ring of 2048 records with the position the
// panel writes next, and the firmware update with its pages captured.
//
// Frame: address, 0, L (body bytes), body, CRC-8. A request body is 1, the
// command and its data; a reply body is 0, the command and its data. An
// acknowledgement has a 3-byte body whose last byte is 0; any other value
// there is a refusal (1 checksum, 2 command, 3 rights). Frames for another
// address are not answered.
//
// Firmware: data frames (command 9) carry a segment, an address and 64
// bytes; they must come four to a 256-byte page, in address order within the
// page, or the frame is refused (status 2). The end command (7) is refused
// while a page is incomplete. Accepted pages are kept per segment and page.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "panel.h"
#include "sim_clock.h"

namespace panelsim::r7 {

constexpr std::size_t kRecords = 2048;
constexpr std::size_t kRecordSize = 38;
constexpr std::size_t kJournalSlots = 2048;
constexpr std::size_t kJournalRecordSize = 12;

struct Options {
    int major = 1, minor = 4;
    int address = -1;  // -1: byte 7 of record 0 of the memory (0 → 1)
    long journalEvents = 0;
};

// The memory of a fresh panel: the panel itself in record 0, the rest free.
Bytes freshMemory(std::uint8_t address);
// Loads records 0..2046 of a database file (versions 0, 1, 2) into `memory`.
bool loadDatabaseFile(const std::string& path, Bytes& memory, std::string& error);

class R7Panel : public Panel {
  public:
    R7Panel(const Options& options, Bytes memory);

    std::size_t frameSize(const Bytes& head) const override;
    std::vector<Bytes> handle(const Bytes& request) override;
    void remember() override { remembered_ = memory_; }
    bool changedSinceRemembered() const override;
    void forget() override { memory_ = remembered_; }
    Bytes refusal(const Bytes& request, int status) const override;
    void sealFrame(Bytes& frame) const override;
    void spoilIndex(Bytes& frame) const override;
    void staleIndex(Bytes& frame) const override;
    void shortenBody(Bytes& frame) const override;
    Bytes oversize(const Bytes& frame) const override;
    int typeOffset() const override { return 4; }

    std::uint8_t address() const { return address_; }
    const Bytes& memory() const { return memory_; }
    int journalPosition() const { return static_cast<int>(position_); }
    // Captured firmware as text lines "SSSS AAAA <512 hex digits>", one per
    // page, by segment and address; then "end" when the end command came.
    std::string firmwareText() const;

  private:
    Bytes reply(std::uint8_t command, const Bytes& data) const;
    void fillJournal(long events);
    Bytes firmwareData(const Bytes& request);

    Options options_;
    Bytes memory_;
    Bytes remembered_;
    std::uint8_t address_;
    std::vector<std::array<std::uint8_t, kJournalRecordSize>> journal_;
    std::size_t position_ = 0;
    SimClock clock_;
    int lastIndex_ = 0;      // the record index of the previous record request
    int previousIndex_ = 0;  // the one before it (for the stale-index fault)

    struct Page {
        std::array<std::uint8_t, 256> data{};
        int frames = 0;
    };
    std::map<std::pair<int, int>, Page> pages_;  // (segment, page address)
    bool pageOpen_ = false;
    std::pair<int, int> openPage_{};
    bool firmwareEnded_ = false;
};

}  // namespace panelsim::r7
