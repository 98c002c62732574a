// DBS5: the dustiness of the smoke sensors, read LCP by LCP ('u': the
// console sends (device slot, value) pairs in chunks) into the family's
// dustiness file (kind 0: LCP number, the device's 20-byte name, value).
#include <cstdio>

#include "base/file_io.h"
#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

namespace {

constexpr const char* kDustTitle = "Чтение запыленности";
constexpr const char* kNoSensors = "В базе данных нет датчиков!";

// The detectors of the device table: the types that report their dustiness.
bool isSensor(const DeviceRecord& r) {
    const DeviceType* t = deviceType(r[dev::kType]);
    return t && t->deviceClass == 8;
}

}  // namespace

int DBS5::SensorCount(int lcpNumber) const {
    int n = 0;
    for (int l = 1; l <= kMaxLcps; ++l) {
        if (lcpNumber != 0 && l != lcpNumber) continue;
        const LcpDatabase* d = lcp(l);
        if (!d) continue;
        for (int j = 0; j < d->deviceCount; ++j)
            if (d->deviceUsed(j) && isSensor(d->devices[static_cast<std::size_t>(j)])) ++n;
    }
    return n;
}

int DBS5::ReadLcpDustiness(int lcpNumber) {
    if (!lcp(lcpNumber)) return kResultBadCommand;
    if (!ensureLink()) return kResultPortNotOpen;
    link_->requests().push(dustRequest(lcpNumber));
    bool answered = false;
    int result =
        link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&](const ExchRec& rec) -> int {
            answered = true;
            if (rec.reply.empty()) return kResultUnknownDeviceError;
            const std::uint8_t code = rec.reply[kOffCode];
            if (code != kCodeDustChunk && code != kCodeDustLast) return kResultBadReply;
            const DustReply reply = parseDustReply(rec.reply);
            // The pairs belong to the LCP asked, or the reply is not ours.
            if (reply.lcp != lcpNumber) return kResultBadReply;
            for (const DustPair& p : reply.pairs) {
                if (dustiness.size() >= dustinessCapacity) return kResultDatabaseOverflow;
                dustiness.push_back({static_cast<std::uint8_t>(lcpNumber), p.slot, p.value});
            }
            return kResultOk;
        });
    if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    return result;
}

int DBS5::ReadDustiness(Progress& progress, int lcpNumber) {
    if (lcpNumber != 0 && !lcp(lcpNumber)) return kResultBadCommand;
    dustiness.clear();
    const int sensors = SensorCount(lcpNumber);
    if (sensors == 0) {
        // Said here, once: the caller shows nothing more for this code.
        ctx_.prompter->message(kNoSensors, kDustTitle, PromptIcon::Error);
        return kResultCancelled;
    }
    beginOperation(kDustTitle);
    if (!ensureLink()) {
        FinishOperation();
        return kResultPortNotOpen;
    }
    progress.setRange(0, sensors);
    progress.setPosition(0);
    progress.setVisible(true);
    dustinessCapacity = static_cast<std::size_t>(sensors);
    int result = kResultOk;
    if (lcpNumber != 0) {
        result = ReadLcpDustiness(lcpNumber);
    } else {
        for (int l = 1; l <= kMaxLcps && result == kResultOk; ++l) {
            if (!lcp(l)) continue;
            result = ReadLcpDustiness(l);
            progress.setPosition(static_cast<int>(dustiness.size()));
            if (result == kResultNoTargetLink) {
                char text[64];
                std::snprintf(text, sizeof text, "Нет связи с LCP%d\nПродолжить?", l);
                if (ctx_.prompter->ask(text, kDustTitle, PromptIcon::Question,
                                       PromptButtons::OkCancel) == PromptAnswer::Ok) {
                    result = kResultOk;
                }
            }
        }
    }
    FinishOperation();
    if (result == kResultOk && !SaveDustinessFile()) result = kResultSourceFileError;
    if (result != kResultOk) dustiness.clear();
    return result;
}

bool DBS5::SaveDustinessFile() {
    ByteWriter w;
    w.u32(0);
    w.u32(1);
    w.u32(static_cast<std::uint32_t>(dustiness.size()));
    for (const DustEntry& e : dustiness) {
        w.u8(e.lcp);
        // The name of a device the LCP has; none for a slot the console
        // names that the database does not hold.
        std::array<std::uint8_t, kNameSize> name{};
        if (const LcpDatabase* d = lcp(e.lcp);
            d && d->deviceUsed(e.slot) && e.slot < d->deviceCount) {
            const ByteSpan field = deviceName(d->devices[e.slot]);
            std::copy(field.begin(), field.end(), name.begin());
        }
        w.bytes(name);
        w.u8(e.value);
    }
    return writeFileAtomic(ctx_.programFolder / dustinessFileName, w.take());
}

}  // namespace tavrin
