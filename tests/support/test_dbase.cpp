#include "support/test_dbase.h"

#include "base/crc8.h"
#include "base/text.h"
#include "families/r7/framing.h"
#include "link/result_codes.h"
#include "registry/family_registry.h"
#include "support/fake_port.h"

namespace tavrin::test {

TestDBase::TestDBase(int code, const AppContext& context)
    : DBase(familyTraits(*familyFromCode(code)), 0, context) {}

int TestDBase::ReadReplyFrame(ReplyFrame& frame, ByteSpan request) {
    if (family() == Family::R7) return r7::readReplyFrame(*this, frame, request);
    return DBase::ReadReplyFrame(frame, request);
}

int TestDBase::ReadVersion() {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    Bytes reply;
    if (familyCode == 1) {
        const int code = Exchange(reply, r7Frame(1, {1, 6}));
        if (code != 0) return code;
        if (reply.size() < 7 || reply[2] != 4) return kResultUnknownMessage;
        firmwareVersionText = std::to_string(reply[5]) + "." + std::to_string(reply[6]);
        firmwareVersion = reply[5] * 256 + reply[6];
        return 0;
    }
    const int code = Exchange(reply, k2Frame({20}));
    if (code != 0) return code;
    if (reply.empty() || reply[0] < 5) return kResultBadDataLength;
    firmwareVersionText = cp1251ToUtf8(std::string(reply.begin() + 2, reply.begin() + reply[0]));
    return 0;
}

bool TestDBase::CheckChecksum(ByteSpan r) {
    if (familyCode == 1) {
        if (r.size() < 4) return false;
        const std::size_t l = r[2];
        return r.size() >= l + 4 && r[l + 3] == Crc8(r.first(l + 3));
    }
    if (r.empty()) return false;
    const std::size_t l = r[0];
    return r.size() >= l + 1 && r[l] == Crc8(r.first(l));
}

bool TestDBase::IsPositiveReply(ByteSpan r) {
    if (familyCode == 1) return !(r.size() > 5 && r[2] == 3 && r[5] != 0);
    return !(r.size() > 1 && r[0] == 2 && r[1] == 0xFE);
}

int TestDBase::SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) {
    return simulate ? simulate(request, reply) : 0;
}

std::unique_ptr<DBase> makeTestDatabase(Family family, const AppContext& context) {
    return std::make_unique<TestDBase>(familyCode(family), context);
}

}  // namespace tavrin::test
