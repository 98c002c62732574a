// The database transfer of the "Талвир К2" panel: the version, the whole
// database read and written table by table and block by block, the clock.
//
// Every operation runs on the caller's thread and owns the port while it
// runs: it opens it on demand and closes it at its end, also on failure.
// The cancel window's thread only clears `exchangeActive`, which makes the
// running exchange return 21.
#include <algorithm>

#include "base/bit_set.h"
#include "families/k2/dbk2.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace k2;

namespace {

constexpr const char* kReadTitle = "Чтение базы прибора";
constexpr const char* kWriteTitle = "Запись базы прибора";
constexpr const char* kUopRefusal = "Для поддержки УОП нужно обновить версию ПО";
constexpr const char* kUopRefusalTitle = "Запись БД";
// A panel that keeps echoing the wrong first index would be asked forever:
// after this many wrong echoes in a row for one request the read gives up.
constexpr int kMaxWrongEchoes = 3;

void afterRequest(Progress& progress) {
    progress.step();
    // Repaint after every request so that the progress stays visible.
    progress.keepAlive();
}

}  // namespace

// ---- Checks used by the exchange ------------------------------------------------------

bool DBK2::CheckChecksum(ByteSpan reply) {
    return checksumOk(reply);
}

bool DBK2::IsPositiveReply(ByteSpan reply) {
    return !isRefusal(reply);
}

// ---- Version and clock ------------------------------------------------------------------

int DBK2::ReadVersion() {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    Bytes reply;
    const int code = Exchange(reply, blockReadRequest(kCmdReadVersion));
    if (code != kResultOk) return code;
    const auto text = parseVersionReply(reply);
    if (!text) return kResultBadDataLength;
    firmwareVersionText = *text;
    firmwareVersion = minorVersion(*text);
    return kResultOk;
}

int DBK2::SetDeviceTime() {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    SystemClock system;
    const Clock& clock = ctx_.clock ? *ctx_.clock : system;
    Bytes reply;
    const int code = Exchange(reply, clockRequest(clock.now()));
    ClosePort();
    return code;
}

// ---- Database transfer ----------------------------------------------------------------------

void DBK2::FillPanelCounters() {
    int duty = 0, employee = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        if (!IsKeyInUse(k)) continue;
        (isEmployeeKey(keys[k]) ? employee : duty)++;
    }
    unsigned sum = 0;
    for (const auto& d : devices)
        sum += d[kDevChecksum];
    panelBlock[kPanelDeviceCount] = static_cast<std::uint8_t>(DeviceCount());
    panelBlock[kPanelDutyKeys] = static_cast<std::uint8_t>(duty);
    panelBlock[kPanelEmployeeKeys] = static_cast<std::uint8_t>(employee);
    putU16(panelBlock, kPanelDeviceSum, static_cast<std::uint16_t>(0x10000 - (sum & 0xFFFF)));
}

int DBK2::StartTransfer(Progress& progress, const char* operation, bool forWrite) {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    if (!forWrite) {
        firmwareVersion = -1;
        firmwareVersionText.clear();
    }
    if (const int code = ReadVersion(); code != kResultOk) {
        ClosePort();
        return code;
    }
    if (forWrite && compareVersion(firmwareVersionText, kAllNamesVersion) < 0) {
        const bool hasUopv = std::any_of(devices.begin(), devices.end(), [](const DeviceRecord& d) {
            return deviceType(d) == kTypeUopv;
        });
        if (hasUopv) {
            if (ctx_.prompter)
                ctx_.prompter->message(kUopRefusal, kUopRefusalTitle, PromptIcon::None);
            ClosePort();
            return kResultCancelled;
        }
    }
    const bool shortFrames = compareVersion(firmwareVersionText, kShortFramesVersion) >= 0;
    progress.setRange(0, shortFrames ? kTransferStepsShortFrames : kTransferStepsLongFrames);
    progress.setPosition(0);
    progress.setVisible(true);
    StartCancelWindow(operation);
    return kResultOk;
}

int DBK2::ReadTable(Progress& progress, std::uint8_t command, std::size_t recordSize, int tableSize,
                    int& recordsRead, const std::function<void(int, ByteSpan, int)>& store) {
    int index = 0;
    int wrongEchoes = 0;
    recordsRead = 0;
    while (index < tableSize) {
        Bytes reply;
        const int code = Exchange(reply, tableReadRequest(command, index));
        afterRequest(progress);
        if (code != kResultOk) return code;
        const TableReply r = parseTableReply(reply, recordSize);
        if (r.index != index) {
            // Not the records asked for: ask again.
            if (++wrongEchoes >= kMaxWrongEchoes) return kResultWrongRecord;
            continue;
        }
        wrongEchoes = 0;
        if (index + r.count > tableSize) return kResultDatabaseOverflow;
        if (r.count == 0 && !r.last) return kResultBadDataLength;
        store(index, r.records, r.count);
        index += r.count;
        recordsRead = index;
        if (r.last) break;
    }
    return kResultOk;
}

int DBK2::ReadBlock(Progress& progress, std::uint8_t command, MutableByteSpan block) {
    Bytes reply;
    const int code = Exchange(reply, blockReadRequest(command));
    afterRequest(progress);
    if (code != kResultOk) return code;
    const ByteSpan data = blockOf(reply);
    if (data.size() != block.size()) return kResultBadDataLength;
    std::copy(data.begin(), data.end(), block.begin());
    return kResultOk;
}

int DBK2::ReadFromDevice(Progress& progress) {
    if (const int code = StartTransfer(progress, kReadTitle, false); code != kResultOk) return code;
    const int nameCount = namesCount(firmwareVersionText);

    struct TableRead {
        std::uint8_t command;
        std::size_t recordSize;
        int size;
        int section;
        std::function<void(int, ByteSpan, int)> store;
    };
    const auto copyRecords = [](auto& table, std::size_t offset, std::size_t size) {
        return [&table, offset, size](int index, ByteSpan records, int count) {
            for (int i = 0; i < count; ++i) {
                const auto from = records.begin() + static_cast<std::ptrdiff_t>(i * size);
                std::copy_n(from, size,
                            table[static_cast<std::size_t>(index + i)].begin() + offset);
            }
        };
    };
    const TableRead tables[] = {
        {kCmdReadDevices, kDeviceRecordSize, kDeviceCount, kSecDevices,
         copyRecords(devices, 0, kDeviceRecordSize)},
        {kCmdReadLoops, kLoopStoredSize, kLoopCount, kSecLoops,
         copyRecords(loops, 0, kLoopStoredSize)},
        {kCmdReadKeysFirst, kKeyHalfSize, kKeyCount, kSecKeys, copyRecords(keys, 0, kKeyHalfSize)},
        {kCmdReadKeysSecond, kKeyHalfSize, kKeyCount, kSecKeys,
         copyRecords(keys, kKeyHalfSize, kKeyHalfSize)},
        {kCmdReadNames, kNameSize, nameCount, kSecNames, copyRecords(names, 0, kNameSize)},
    };

    int code = kResultOk;
    for (const TableRead& t : tables) {
        int read = 0;
        code = ReadTable(progress, t.command, t.recordSize, t.size, read, t.store);
        if (read > 0) sectionValid[static_cast<std::size_t>(t.section)] = true;
        if (t.command == kCmdReadNames) {
            for (int i = read; i < kNameCount; ++i)
                names[static_cast<std::size_t>(i)].fill(' ');
        }
        if (code != kResultOk) break;
        // A table that ended early leaves the panel's database unread: that is
        // not a whole database.
        if (read < t.size) {
            code = kResultNotAllSent;
            break;
        }
    }

    if (code == kResultOk) {
        struct BlockRead {
            std::uint8_t command;
            MutableByteSpan block;
            int section;
        };
        const BlockRead blocks[] = {
            {kCmdReadDeviceMap, deviceMap, kSecDeviceMap},
            {kCmdReadKeyMap, keyMap, kSecKeyMap},
            {kCmdReadPanelBlock, panelBlock, kSecPanel},
            {kCmdReadBlockedDevices, blockedDevices, -1},
            {kCmdReadBlockedLoops, blockedLoops, -1},
        };
        for (const BlockRead& b : blocks) {
            code = ReadBlock(progress, b.command, b.block);
            if (code != kResultOk) break;
            if (b.section >= 0) sectionValid[static_cast<std::size_t>(b.section)] = true;
        }
    }

    FinishOperation();
    if (code == kResultOk) databaseValid = true;
    return code;
}

int DBK2::WriteTable(Progress& progress, std::uint8_t command, std::size_t recordSize, int count,
                     int perFrame, const std::function<void(int, Bytes&)>& append) {
    for (int index = 0; index < count; index += perFrame) {
        const int n = std::min(perFrame, count - index);
        Bytes records;
        records.reserve(static_cast<std::size_t>(n) * recordSize);
        for (int i = 0; i < n; ++i)
            append(index + i, records);
        Bytes reply;
        const int code = Exchange(reply, tableWriteRequest(command, index, records));
        afterRequest(progress);
        if (code != kResultOk) return code;
    }
    return kResultOk;
}

int DBK2::WriteBlock(Progress& progress, std::uint8_t command, ByteSpan block) {
    Bytes reply;
    const int code = Exchange(reply, blockWriteRequest(command, block));
    afterRequest(progress);
    return code;
}

int DBK2::WriteToDevice(Progress& progress) {
    if (const int code = StartTransfer(progress, kWriteTitle, true); code != kResultOk) return code;
    if (simulation) {
        simulatedFrames.clear();
        simulationReadPosition_ = 0;
    }
    const RecordsPerFrame per = recordsPerWriteFrame(firmwareVersionText);
    const int nameCount = namesCount(firmwareVersionText);
    UpdateChecksums();

    const auto add = [](Bytes& out, auto first, std::size_t n) {
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(n));
    };
    int code =
        WriteTable(progress, kCmdWriteDevices, kDeviceRecordSize, kDeviceCount, per.devices,
                   [&](int i, Bytes& out) {
                       add(out, devices[static_cast<std::size_t>(i)].begin(), kDeviceRecordSize);
                   });
    if (code == kResultOk)
        code = WriteTable(progress, kCmdWriteLoops, kLoopStoredSize, kLoopCount, per.loops,
                          [&](int i, Bytes& out) {
                              add(out, loops[static_cast<std::size_t>(i)].begin(), kLoopStoredSize);
                          });
    if (code == kResultOk)
        code = WriteTable(progress, kCmdWriteKeysFirst, kKeyHalfSize, kKeyCount, per.keyHalves,
                          [&](int i, Bytes& out) {
                              add(out, keys[static_cast<std::size_t>(i)].begin(), kKeyHalfSize);
                          });
    if (code == kResultOk)
        code = WriteTable(progress, kCmdWriteKeysSecond, kKeyHalfSize, kKeyCount, per.keyHalves,
                          [&](int i, Bytes& out) {
                              add(out, keys[static_cast<std::size_t>(i)].begin() + kKeyHalfSize,
                                  kKeyHalfSize);
                          });
    if (code == kResultOk)
        code = WriteTable(progress, kCmdWriteNames, kNameSize, nameCount, per.names,
                          [&](int i, Bytes& out) {
                              add(out, names[static_cast<std::size_t>(i)].begin(), kNameSize);
                          });
    if (code == kResultOk) code = WriteBlock(progress, kCmdWriteDeviceMap, deviceMap);
    if (code == kResultOk) code = WriteBlock(progress, kCmdWriteKeyMap, keyMap);
    if (code == kResultOk) {
        FillPanelCounters();
        code = WriteBlock(progress, kCmdWritePanelBlock, panelBlock);
    }
    if (code == kResultOk) code = WriteBlock(progress, kCmdWriteBlockedDevices, blockedDevices);
    if (code == kResultOk) code = WriteBlock(progress, kCmdWriteBlockedLoops, blockedLoops);

    FinishOperation();
    return code;
}

}  // namespace tavrin
