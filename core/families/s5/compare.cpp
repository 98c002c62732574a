// DBS5: "Сличение баз", the database beside the console's. The console
// gives one checksum per kind of each LCP (the sum of the record checksums,
// negated). For devices and keys a change of a record changes its checksum
// and so the sum. An object's second checksum, though, also sums the two
// bytes of its first one, which moves the opposite way: a change inside
// bytes 0..59 (name, flags, links, times) mostly leaves both the record's
// second checksum and the sum as they were. So where the object sums agree
// the console's objects are read back and compared record by record.
#include <algorithm>

#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

namespace {

constexpr const char* kCompareTitle = "Сличение баз";
// The steps of a comparison: the console's keys and three questions an LCP.
constexpr int kCompareSteps = 1 + 3 * kMaxLcps;

CompareEntry entry(int lcpNumber, CompareKind kind) {
    CompareEntry e;
    e.lcp = lcpNumber;
    e.kind = kind;
    return e;
}

void judge(CompareEntry& e) {
    e.state = e.console == e.computer ? CompareState::Equal : CompareState::Different;
}

}  // namespace

int DBS5::CompareWithDevice(Progress& progress) {
    comparison_.clear();
    beginOperation(kCompareTitle);
    int result = ensureVersion();
    if (result == kResultOk && !ensureLink()) result = kResultPortNotOpen;
    if (result != kResultOk) {
        FinishOperation();
        return result;
    }
    Pack();
    status(kCompareTitle);
    progress.setRange(0, kCompareSteps);
    progress.setPosition(0);
    progress.setVisible(true);
    int steps = 0;

    // The console's keys.
    CompareEntry keys = entry(0, CompareKind::Keys);
    keys.computerKnown = true;
    keys.computer = CommonKeysChecksum();
    result = AskChecksum(0, 3, keys.console);
    if (result == kResultOk) {
        keys.consoleKnown = true;
        judge(keys);
    }
    comparison_.push_back(keys);
    progress.setPosition(++steps);

    const int n = lcpCount();
    for (int l = 1; l <= n && result == kResultOk; ++l) {
        CompareEntry rows[3] = {entry(l, CompareKind::Devices), entry(l, CompareKind::Objects),
                                entry(l, CompareKind::Keys)};
        for (int k = 0; k < 3; ++k) {
            rows[k].computerKnown = true;
            rows[k].computer = LcpChecksum(l, k + 1);
        }
        const LcpDatabase& d = *lcp(l);
        const int counts[3] = {d.deviceCount, d.objectCount, d.keyCount};
        for (int k = 0; k < 3 && result == kResultOk; ++k) {
            result = AskChecksum(l, k + 1, rows[k].console);
            progress.setPosition(++steps);
            if (result == kResultNoTargetLink) {
                // The console cannot reach this LCP: say so and go on.
                for (CompareEntry& r : rows)
                    r.state = CompareState::NoLink;
                result = kResultOk;
                break;
            }
            if (result != kResultOk) break;
            rows[k].consoleKnown = true;
            if (k == 0 && rows[0].console == 0) {
                // No devices there: the console has no such LCP.
                for (int j = 0; j < 3; ++j) {
                    rows[j].state = counts[j] == 0 && j == 0 ? CompareState::Equal
                                    : counts[j] == 0         ? CompareState::NotAsked
                                                             : CompareState::OnlyComputer;
                }
                break;
            }
            judge(rows[k]);
        }
        // Objects the sums cannot tell apart: record by record.
        if (result == kResultOk && rows[1].consoleKnown && rows[1].state == CompareState::Equal &&
            d.objectCount > 0) {
            std::vector<Bytes> theirs;
            result = runSeries({readSeriesRequest(l, kObjectSeries)}, nullptr, nullptr,
                               [&theirs](const ExchRec&, RecordKind, ByteSpan wire) {
                                   if (wire[0] != 0) theirs.emplace_back(wire.begin(), wire.end());
                                   return static_cast<int>(kResultOk);
                               });
            if (result == kResultOk) {
                for (int j = 0; j < std::max(d.objectCount, static_cast<int>(theirs.size())); ++j) {
                    bool same = j < d.objectCount && j < static_cast<int>(theirs.size());
                    if (same) {
                        std::uint8_t ours[obj::kDiskSize];
                        objectToDisk(d.objects[static_cast<std::size_t>(j)], ours);
                        same = std::equal(std::begin(ours), std::end(ours),
                                          theirs[static_cast<std::size_t>(j)].begin());
                    }
                    if (!same) {
                        rows[1].state = CompareState::Different;
                        rows[1].record = j;
                        break;
                    }
                }
            }
        }
        comparison_.insert(comparison_.end(), std::begin(rows), std::end(rows));
    }

    // An LCP of the console after the last one of the database.
    if (result == kResultOk && n < kMaxLcps) {
        CompareEntry extra = entry(n + 1, CompareKind::Devices);
        const int asked = AskChecksum(n + 1, 1, extra.console);
        if (asked == kResultOk && extra.console != 0) {
            extra.consoleKnown = true;
            extra.state = CompareState::OnlyConsole;
            comparison_.push_back(extra);
        } else if (asked != kResultOk && asked != kResultNoTargetLink) {
            result = asked;
        }
    }
    progress.setPosition(kCompareSteps);
    FinishOperation();
    status("");
    return result;
}

int DBS5::lcpOfItem(std::int32_t item) const {
    const ItemRef ref = decodeItem(item);
    switch (ref.kind) {
        case ItemKind::Lcp:
        case ItemKind::Object:
        case ItemKind::Device:
        case ItemKind::Key:
            return lcp(ref.lcp) ? ref.lcp : 0;
        default:
            return 0;
    }
}

std::int32_t DBS5::itemOfCompareEntry(const CompareEntry& e) const {
    if (e.lcp == 0) return kItemCommonKeys;
    if (!lcp(e.lcp)) return kItemRoot;
    if (e.kind == CompareKind::Objects && e.record >= 0 && lcp(e.lcp)->objectUsed(e.record))
        return objectItem(e.lcp, e.record);
    return lcpItem(e.lcp);
}

}  // namespace tavrin
