// DBK2: the "Талвир К2" database. It holds the panel's whole set-up in the
// fixed-size tables of records.h: 128 devices, 128 loops, 256 keys, 128 name
// texts, four bit sets and the panel block. An item exists when its bit is
// set (devices, keys) or always (loops, names); nothing is allocated per item.
//
// The tables are public: the tree and the grid edit them in place and raise
// `modified`. After construction and after a failed load they hold a
// complete, empty database. Texts at the API are UTF-8; name texts are kept
// as the panel's 8-bit Windows-1251 bytes.
#pragma once

#include <array>
#include <string>

#include "families/k2/records.h"
#include "link/dbase.h"

namespace tavrin {

class DBK2 : public DBase {
  public:
    DBK2(int role, const AppContext& context);
    ~DBK2() override;

    void ResetDatabase() override;
    bool LoadFromDisk(const std::string& path) override;
    bool SaveToDisk(const std::string& path) override;
    bool ExportCsv(const std::string& path) override;
    int ReadFromDevice(Progress& progress) override;
    int WriteToDevice(Progress& progress) override;
    int WriteFirmware(Progress& progress, ByteSpan image) override;
    int ReadJournal(Progress& progress) override;
    int ReadActiveEvents(Progress& progress) override;
    int SetDeviceTime() override;
    int ReadVersion() override;
    bool CheckChecksum(ByteSpan reply) override;
    bool IsPositiveReply(ByteSpan reply) override;
    int SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) override;
    int ReadDustiness(Progress& progress, int flag) override;
    int CreateElement(int type, int parent) override;
    void RemoveElement(int index) override;
    int CreateKey() override;
    void RemoveKey(int itemId) override;
    int CheckDatabase(ReportList* remarks, ReportList* devices, ReportList* functions) override;
    void PrintDatabase(PrintSurface& surface) override;
    int GetItemImage(ItemCode item) override;
    RuleAnswer CutItem(const EditRuleArgs& args) override;
    RuleAnswer CopyItem(const EditRuleArgs& args) override;
    RuleAnswer PasteItem(const EditRuleArgs& args) override;
    RuleAnswer DeleteItem(const EditRuleArgs& args) override;
    RuleAnswer InsertItem(const EditRuleArgs& args) override;
    int FindKey(ByteSpan code) override;

    // ---- Labels (UTF-8) ------------------------------------------------------
    // The type name ("Т12-ДИП"; empty for codes without a type).
    static std::string DeviceTypeName(int type);
    // The device label: type name (for a three-loop device with "(A)", "(B)"
    // or "(C)" for `slot` 0..2), padded with blanks to 9 characters, then
    // "%03d" of index + 1 (three-loop device) or of the number byte.
    std::string DeviceLabel(int index, int slot = -1) const;
    // "А1".."Г8", "П01".., "К01".., "оУ01"/"пУ01"/"кУ01"/"У01"; empty out of range.
    std::string LoopShortLabel(int loop) const;
    // Short label, two blanks, the name without trailing blanks, and " %d"
    // of the loop number when it is not 0; empty out of range.
    std::string LoopFullLabel(int loop) const;
    // The name text of a loop's name table entry, trailing blanks removed.
    std::string NameText(int index) const;

    // ---- Queries of the tree and the grid --------------------------------------
    bool IsDeviceInUse(int index) const;  // false outside 0..127
    bool IsKeyInUse(int index) const;     // false outside 0..255
    bool IsDeviceBlocked(int index) const;
    bool IsLoopBlocked(int loop) const;
    // Whether a device of type 11 in use lies on `loop`.
    bool HasUptOnLoop(int loop) const;
    // The first of the loops 0..31 whose byte 7 and working byte are both
    // non-zero, or -1.
    int FirstArmedSecurityLoop() const;
    // Whether the loop has content: devices on it or, for a "У" loop, member
    // loops. Computed from the tables.
    bool LoopHasContent(int loop) const;
    // Sets every loop's working byte from LoopHasContent.
    void UpdateLoopContent();
    int DeviceCount() const;
    int KeyCount() const;
    int BlockedDeviceCount() const;
    int BlockedLoopCount() const;

    // Recomputes the checksum byte of every device and loop record.
    void UpdateChecksums();
    // The file layout of the current tables (version 3); recomputes the
    // record checksums first.
    Bytes SerializeFile();
    // Loads the database from the bytes of a file: the database is reset
    // first and stays reset when the file is refused (the refusal is shown
    // through the prompter). Does not touch the path.
    bool LoadFromBytes(ByteSpan data);

    // The version of the file last loaded (-1: none).
    int loadedFileVersion = -1;

    // ---- The tables -------------------------------------------------------------
    std::array<k2::DeviceRecord, k2::kDeviceCount> devices{};
    std::array<k2::LoopRecord, k2::kLoopCount> loops{};
    std::array<k2::KeyRecord, k2::kKeyCount> keys{};
    std::array<k2::NameText, k2::kNameCount> names{};
    std::array<std::uint8_t, k2::kDeviceMapSize> deviceMap{};
    std::array<std::uint8_t, k2::kKeyMapSize> keyMap{};
    std::array<std::uint8_t, k2::kBlockedDevicesSize> blockedDevices{};
    std::array<std::uint8_t, k2::kBlockedLoopsSize> blockedLoops{};
    std::array<std::uint8_t, k2::kPanelBlockSize> panelBlock{};
    std::array<bool, k2::kSectionCount> sectionValid{};
    // Expanded state of the tree's seven groups: devices, security, fire,
    // monitoring and control loops, duty keys, employee keys.
    std::array<bool, 7> groupExpanded{};

    static void ResetDevice(k2::DeviceRecord& d);
    static void ResetKey(k2::KeyRecord& k);

  private:
    bool ParseFile(ByteSpan data);
    // The device a tree item stands for (a device, or a three-loop device's
    // entry for loop A/B/C), or -1.
    static int DeviceOfItem(ItemCode item);
};

}  // namespace tavrin
