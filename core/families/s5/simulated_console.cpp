#include "families/s5/simulated_console.h"

#include <algorithm>

#include "families/s5/console_frames.h"
#include "families/s5/db_folder.h"
#include "families/s5/dbs5.h"
#include "families/s5/link/frames.h"

namespace tavrin::s5 {

namespace {

constexpr const char* kArchiveName = "ARC00001.DAT";

// A console frame: start byte (sequence 0), length, code, data, checksum.
Bytes consoleFrame(std::uint8_t code, const Bytes& data = {}) {
    Bytes f{kConsoleStart, static_cast<std::uint8_t>(data.size() + kFrameMin), code};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(0);
    sealFrame(f);
    return f;
}

template <std::size_t N, std::size_t D>
Bytes wire(std::array<std::uint8_t, N> r,
           void (*toDisk)(const std::array<std::uint8_t, N>&, std::uint8_t (&)[D])) {
    std::uint8_t out[D];
    toDisk(r, out);
    return Bytes(out, out + D);
}

const RecordKindInfo& infoOf(int kind) {
    return kindInfo(static_cast<RecordKind>(kind + 1));
}

// The console's checksum of a kind: the record checksums summed and negated.
std::uint16_t tableChecksum(const std::vector<Bytes>& records, int kind) {
    const std::size_t at = infoOf(kind).wireSize - 2;
    std::uint32_t sum = 0;
    for (const Bytes& r : records)
        sum += getU16(r, at);
    return static_cast<std::uint16_t>(0x10000u - (sum & 0xFFFFu));
}

}  // namespace

SimulatedConsole::SimulatedConsole(const DBS5& db)
    : records_(kLcpTableSize), sensors_(kLcpTableSize) {
    lcps_ = db.lcpCount();
    for (int l = 1; l <= lcps_; ++l) {
        const LcpDatabase& d = *db.lcp(l);
        auto& out = records_[static_cast<std::size_t>(l)];
        for (int j = 0; j < d.deviceCount; ++j) {
            if (!d.deviceUsed(j)) continue;
            DeviceRecord r = d.devices[static_cast<std::size_t>(j)];
            storeDeviceChecksum(r);
            out[0].push_back(wire(r, deviceToDisk));
            const DeviceType* t = deviceType(r[dev::kType]);
            if (t && t->deviceClass == 8)
                sensors_[static_cast<std::size_t>(l)].push_back(static_cast<std::uint8_t>(j));
        }
        for (int j = 0; j < d.objectCount; ++j) {
            if (!d.objectUsed(j)) continue;
            ObjectRecord r = d.objects[static_cast<std::size_t>(j)];
            storeObjectChecksums(r);
            out[1].push_back(wire(r, objectToDisk));
        }
        for (int j = 0; j < d.keyCount; ++j) {
            if (!d.keyUsed(j)) continue;
            KeyRecord r = d.keys[static_cast<std::size_t>(j)];
            storeKeyChecksum(r);
            out[2].push_back(wire(r, keyToDisk));
        }
    }
    for (int j = 0; j < db.commonKeyCount; ++j) {
        if (!db.commonKeyUsed[static_cast<std::size_t>(j)]) continue;
        KeyRecord r = db.commonKeys[static_cast<std::size_t>(j)];
        storeKeyChecksum(r);
        records_[0][2].push_back(wire(r, keyToDisk));
    }
}

Bytes SimulatedConsole::recordReply(int lcp, int kind, int index, bool direct) const {
    const RecordKindInfo& k = infoOf(kind);
    const std::vector<Bytes> empty;
    const std::vector<Bytes>& list =
        lcp >= 0 && lcp <= lcps_
            ? records_[static_cast<std::size_t>(lcp)][static_cast<std::size_t>(kind)]
            : empty;
    const int n = static_cast<int>(list.size());
    Bytes data;
    if (direct) {
        // The end of a direct read: a record of another index.
        const bool past = index >= n;
        data = {kLcpRecordType, static_cast<std::uint8_t>(lcp),
                static_cast<std::uint8_t>(past ? kDirectSeriesEnd : index)};
        const Bytes r = past ? Bytes(k.wireSize, 0) : list[static_cast<std::size_t>(index)];
        data.insert(data.end(), r.begin(), r.end());
        return consoleFrame(kCodeRecord, data);
    }
    // Past the end (and for an empty table): the last type with a record of zeros.
    data = {index + 1 < n ? k.readType : k.lastType, static_cast<std::uint8_t>(lcp),
            static_cast<std::uint8_t>(index)};
    const Bytes r = index < n ? list[static_cast<std::size_t>(index)] : Bytes(k.wireSize, 0);
    data.insert(data.end(), r.begin(), r.end());
    return consoleFrame(kCodeRecord, data);
}

Bytes SimulatedConsole::eventFile() const {
    Bytes file(48, 0);
    for (int n = 0; n < kEvents; ++n) {
        const int l = lcps_ > 0 ? 1 + n % lcps_ : 0;
        const auto& devices = l > 0 ? records_[static_cast<std::size_t>(l)][0] : records_[0][0];
        Bytes e(16, 0);
        e[0] = static_cast<std::uint8_t>(n % 2 == 0 ? 2 : 65);  // fire, fault
        e[1] = static_cast<std::uint8_t>(l);
        e[2] = 1;
        e[3] = static_cast<std::uint8_t>(devices.empty() ? 0 : n % devices.size());
        e[4] = 12;
        e[5] = 26;
        e[6] = static_cast<std::uint8_t>(n % 24);
        e[7] = static_cast<std::uint8_t>(n % 60);
        e[8] = static_cast<std::uint8_t>((n * 7) % 60);
        e[9] = 8;
        e[14] = 1;
        file.insert(file.end(), e.begin(), e.end());
    }
    return file;
}

Bytes SimulatedConsole::fileChunk(const Bytes& file, int chunk) const {
    const std::size_t at = static_cast<std::size_t>(chunk) * kFileChunk;
    const std::size_t end = std::min(file.size(), at + kFileChunk);
    const bool last = end >= file.size();
    Bytes data{last ? kFileChunkLast : kFileChunkMore, static_cast<std::uint8_t>(chunk & 0xFF),
               static_cast<std::uint8_t>(chunk >> 8)};
    if (at < file.size())
        data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                    file.begin() + static_cast<std::ptrdiff_t>(end));
    return consoleFrame(kCodeRecord, data);
}

Bytes SimulatedConsole::answer(ByteSpan request) const {
    if (request.size() < kFrameMin) return consoleFrame(kCodeDone);
    const auto at = [&request](std::size_t i) -> std::uint8_t {
        return i + 1 < request.size() ? request[i] : 0;
    };
    const int lcp = at(3);
    switch (request[kOffCode]) {
        case kKindVersion:
            return consoleFrame(kCodeVersion,
                                {static_cast<std::uint8_t>(lcp == 0 ? kFirmware : 10 + lcp), 0, 0});
        case kKindReadRecords: {
            const RecordKindInfo* k = kindOfReadType(at(4));
            if (!k) return consoleFrame(kCodeRefused);
            return recordReply(lcp, static_cast<int>(k->kind) - 1, at(5), false);
        }
        case kKindWriteRecord: {
            const std::uint8_t type = at(4);
            if (type == 'V' || type == 'W' || type == 'X') return consoleFrame(kCodeDone);
            return consoleFrame(kCodeWritten, {at(5)});
        }
        case kKindLcp:
            if (lcp < 1 || lcp > lcps_) return consoleFrame(kCodeRefused);
            if (at(4) == kLcpSeries) return recordReply(lcp, 0, at(5), true);
            if (at(4) == kLcpCommand) {
                const std::uint8_t command = at(6), device = at(7);
                if (command == 1)
                    return consoleFrame(kCodeCommandReply,
                                        {static_cast<std::uint8_t>(lcp), device, 17, 0x34, 0x12});
                if (command == 2)
                    return consoleFrame(kCodeCommandReply,
                                        {static_cast<std::uint8_t>(lcp), device, 17, 1, 2, 3});
                return consoleFrame(kCodeDone);
            }
            return consoleFrame(kCodeRefused);
        case kKindChecksum: {
            std::uint16_t sum = 0;
            const int kind = at(4);
            if (lcp >= 0 && lcp <= lcps_ && kind >= 1 && kind <= 3) {
                const auto& list =
                    records_[static_cast<std::size_t>(lcp)][static_cast<std::size_t>(kind - 1)];
                // A table without records sums to nothing.
                sum = list.empty() ? 0 : tableChecksum(list, kind - 1);
            }
            return consoleFrame(kCodeChecksum, {static_cast<std::uint8_t>(sum),
                                                static_cast<std::uint8_t>(sum >> 8)});
        }
        case kKindDust: {
            if (lcp < 1 || lcp > lcps_) return consoleFrame(kCodeRefused);
            constexpr std::size_t kPairsPerChunk = 8;
            const auto& slots = sensors_[static_cast<std::size_t>(lcp)];
            const std::size_t first = static_cast<std::size_t>(at(4)) * kPairsPerChunk;
            Bytes data{static_cast<std::uint8_t>(lcp)};
            for (std::size_t i = first; i < std::min(slots.size(), first + kPairsPerChunk); ++i) {
                data.push_back(slots[i]);
                data.push_back(static_cast<std::uint8_t>(slots[i] % 11));
            }
            const bool more = first + kPairsPerChunk < slots.size();
            return consoleFrame(more ? kCodeDustChunk : kCodeDustLast, data);
        }
        case kKindReadFile: {
            const int chunk = at(3) | (at(4) << 8);
            const std::string name(request.begin() + 5, request.end() - 1);
            if (name == kArchiveFile) {
                Bytes list(kArchiveName, kArchiveName + 12);
                return fileChunk(list, chunk);
            }
            return fileChunk(eventFile(), chunk);
        }
        case kKindSdWrite:
            return consoleFrame(kCodeWritten, {at(3)});
        case kKindReplaceProgram:
        case kKindClearEvents:
        case kKindClock:
            return consoleFrame(kCodeDone);
        default:
            return consoleFrame(kCodeRefused);
    }
}

}  // namespace tavrin::s5
