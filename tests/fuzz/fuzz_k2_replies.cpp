// Fuzz target: the "Талвир К2" reply frames as the panel sends them, taken
// apart by every reply parser, and requests answered by the built-in
// simulation. Nothing may read outside the frame; what a parser returns
// must lie inside it.
//
// (The simulation stores write frames as they come and replays them.)
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "families/k2/dbk2.h"
#include "families/k2/protocol.h"

namespace {

// The simulation waits on the clock; the fuzzer does not.
class NoWaitClock : public tavrin::Clock {
  public:
    tavrin::LocalTime now() const override { return {2026, 3, 5, 14, 7, 9, 0, 4}; }
    std::uint64_t ticksMs() const override { return 0; }
    void sleepMs(unsigned) override {}
};

tavrin::DBK2& database() {
    static tavrin::SilentPrompter prompter;
    static NoWaitClock clock;
    static tavrin::AppContext ctx = [] {
        tavrin::AppContext c = tavrin::makeAppContext(std::filesystem::temp_directory_path());
        c.prompter = &prompter;
        c.clock = &clock;
        return c;
    }();
    static tavrin::DBK2 db(0, ctx);
    return db;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin::k2;
    const tavrin::ByteSpan frame(data, size);
    const bool crc = checksumOk(frame);
    check(!crc || size >= 2u);
    (void)isRefusal(frame);
    check(replyBody(frame).size() <= size);

    for (const std::size_t recordSize :
         {kDeviceRecordSize, kLoopStoredSize, kKeyHalfSize, kNameSize}) {
        const TableReply t = parseTableReply(frame, recordSize);
        check(t.records.size() == static_cast<std::size_t>(t.count) * recordSize);
        check(t.records.empty() ||
              (t.records.data() >= data && t.records.data() + t.records.size() <= data + size));
    }
    if (const auto version = parseVersionReply(frame)) check(version->size() <= 8 * 4);
    check(parseJournalReply(frame).records.size() * kJournalRecordSize <= size);
    check(parseEventsReply(frame).events.size() * kEventWireSize <= size);
    check(parseDustinessReply(frame).records.size() * kDustinessRecordSize <= size);

    std::array<std::uint8_t, tavrin::DBase::kReplyBufferSize> reply{};
    tavrin::DBK2& db = database();
    const int n = db.SimulateDevice(frame.first(std::min<std::size_t>(size, 255)), reply);
    // A read replays a stored write frame as it came, so only the size is checked.
    check(n > 0 && n <= static_cast<int>(reply.size()));
    return 0;
}
