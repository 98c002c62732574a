// The memory of a simulated "Талвир К2" panel: the tables it keeps and the
// database file that can preload them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "panel.h"

namespace panelsim::k2 {

constexpr std::size_t kDevices = 128, kDeviceSize = 8;
constexpr std::size_t kLoops = 128, kLoopSize = 9;
constexpr std::size_t kKeys = 256, kKeyHalfSize = 6;
constexpr std::size_t kNames = 128, kNameSize = 16;
constexpr std::size_t kDeviceMapSize = 16, kKeyMapSize = 32, kPanelBlockSize = 29;
constexpr std::size_t kBlockedDevicesSize = 16, kBlockedLoopsSize = 16;
// Names held by firmware older than "1.02".
constexpr std::size_t kOldNames = 96;

struct Memory {
    std::array<std::uint8_t, kDevices * kDeviceSize> devices{};
    std::array<std::uint8_t, kLoops * kLoopSize> loops{};
    std::array<std::uint8_t, kKeys * kKeyHalfSize> keysFirst{};   // bytes 0-5 of each key
    std::array<std::uint8_t, kKeys * kKeyHalfSize> keysSecond{};  // bytes 6-11 of each key
    std::array<std::uint8_t, kNames * kNameSize> names{};
    std::array<std::uint8_t, kDeviceMapSize> deviceMap{};
    std::array<std::uint8_t, kKeyMapSize> keyMap{};
    std::array<std::uint8_t, kPanelBlockSize> panelBlock{};
    std::array<std::uint8_t, kBlockedDevicesSize> blockedDevices{};
    std::array<std::uint8_t, kBlockedLoopsSize> blockedLoops{};

    // The empty panel: free records, blank names.
    Memory();

    bool deviceInUse(std::size_t i) const { return (deviceMap[i / 8] >> (i % 8)) & 1; }
    std::uint8_t deviceType(std::size_t i) const { return devices[i * kDeviceSize + 2] & 0x0F; }
};

// Loads a database file (versions 0 to 3) into the memory; false with a
// reason when the file cannot be read or is not a database. A file shorter
// than its version needs leaves the rest as it was.
bool loadDatabaseFile(const std::string& path, Memory& memory, std::string& error);

// The same from the bytes of a database file.
bool loadDatabaseBytes(const Bytes& data, Memory& memory, std::string& error);

// The file of the demo database: a few dozen devices in named loops, duty
// and employee keys.
Bytes demoDatabaseFile();

// Puts `count` smoke detectors (type 0) into a memory with no devices, so
// that dustiness has something to report.
void addDemoDevices(Memory& memory, std::size_t count);

}  // namespace panelsim::k2
