// The console of the built-in simulation ("Имитация"): the database as it
// was when an operation began, answered from as a console would. Taking it
// before the operation changes the database keeps a read from answering
// with the records it has just emptied.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "base/bytes.h"

namespace tavrin {
class DBS5;
}

namespace tavrin::s5 {

class SimulatedConsole {
  public:
    // The used records of every LCP and the console's keys as they travel.
    explicit SimulatedConsole(const DBS5& db);

    // The console frame (sequence number 0) that answers a request frame;
    // an empty request gives the console's "done" (0x64).
    Bytes answer(ByteSpan request) const;

    static constexpr int kFirmware = 12;
    static constexpr int kEvents = 10;
    static constexpr int kFileChunk = 64;

  private:
    Bytes recordReply(int lcp, int kind, int index, bool direct) const;
    Bytes fileChunk(const Bytes& file, int chunk) const;
    Bytes eventFile() const;

    // records_[lcp][kind]: kind 0 devices, 1 objects, 2 keys (LCP 0: keys only).
    std::vector<std::array<std::vector<Bytes>, 3>> records_;
    int lcps_ = 0;
    // Per LCP the slots of its detectors.
    std::vector<std::vector<std::uint8_t>> sensors_;
};

}  // namespace tavrin::s5
