// A small DBase for tests of the port, the log and the exchange without a
// real family: the reply framing and the checks of "Талвир К2"
// (familyCode 2: L, body, checksum; refusal 02 FE) or the second
// (familyCode 1: address, 0, L, body, checksum; a 3-byte body whose byte 5
// is not 0 is a refusal), a scriptable simulation and a version request.
#pragma once

#include <functional>

#include "link/dbase.h"

namespace tavrin::test {

class TestDBase : public DBase {
  public:
    TestDBase(int familyCode, const AppContext& context);

    // The framing of the family given.
    int ReadReplyFrame(ReplyFrame& frame, ByteSpan request) override;

    // Simulation mode: the reply to a request (default: none).
    std::function<int(ByteSpan, std::span<std::uint8_t, kReplyBufferSize>)> simulate;

    // Sends the family's version request; 0 and the text in
    // firmwareVersionText, or the exchange's code (9 for a short reply).
    int ReadVersion() override;
    bool CheckChecksum(ByteSpan reply) override;
    bool IsPositiveReply(ByteSpan reply) override;
    int SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) override;

    void ResetDatabase() override {}
    bool LoadFromDisk(const std::string&) override { return false; }
    bool SaveToDisk(const std::string&) override { return false; }
    int CreateElement(int, int) override { return -1; }
    void RemoveElement(int) override {}
    int CreateKey() override { return -1; }
    void RemoveKey(int) override {}
    int GetItemImage(ItemCode) override { return -1; }
    RuleAnswer CutItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer CopyItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer PasteItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer DeleteItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer InsertItem(const EditRuleArgs&) override { return {}; }
    int FindKey(ByteSpan) override { return -1; }
};

// A database factory for the port search that makes TestDBase objects.
std::unique_ptr<DBase> makeTestDatabase(Family family, const AppContext& context);

}  // namespace tavrin::test
