// Fuzz target: "Ордис Р7" frames as a panel sends them, taken apart by every
// reply parser and the checks of the exchange, and requests answered by the
// built-in simulation. Nothing may read outside the frame; what a parser
// returns must lie inside it.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "families/r7/dbr7.h"
#include "families/r7/protocol.h"

namespace {

class NoWaitClock : public tavrin::Clock {
  public:
    tavrin::LocalTime now() const override { return {2026, 1, 1, 0, 0, 3, 0, 4}; }
    std::uint64_t ticksMs() const override { return 0; }
    void sleepMs(unsigned) override {}
};

tavrin::DBR7& database() {
    static tavrin::SilentPrompter prompter;
    static NoWaitClock clock;
    static tavrin::AppContext ctx = [] {
        tavrin::AppContext c = tavrin::makeAppContext(std::filesystem::temp_directory_path());
        c.prompter = &prompter;
        c.clock = &clock;
        return c;
    }();
    static tavrin::DBR7 db(0, ctx);
    return db;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin::r7;
    const tavrin::ByteSpan frame(data, size);
    const auto inside = [&](tavrin::ByteSpan part) {
        return part.empty() || (part.data() >= data && part.data() + part.size() <= data + size);
    };
    tavrin::DBR7& db = database();
    (void)db.CheckChecksum(frame);
    (void)db.IsPositiveReply(frame);
    (void)mapRefusal(7, frame);
    if (const auto r = parseRecordReply(frame)) check(inside(r->bytes) && r->bytes.size() == 38);
    (void)parseVersionReply(frame);
    (void)parseClockReply(frame);
    (void)parsePositionReply(frame);
    if (const auto j = parseJournalReply(frame)) (void)db.JournalTexts(j->record);

    // The same bytes as a request to the built-in panel.
    std::array<std::uint8_t, tavrin::DBase::kReplyBufferSize> out{};
    const int n = db.SimulateDevice(frame, out);
    check(n >= 0 && n <= tavrin::DBase::kReplyBufferSize);
    return 0;
}
