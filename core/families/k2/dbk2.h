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
#include <functional>
#include <string>
#include <vector>

#include "families/k2/protocol.h"
#include "families/k2/records.h"
#include "link/dbase.h"

namespace tavrin {

// The facts of this family (names, files, columns, commands).
const FamilyTraits& k2Traits();

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
    std::vector<SummaryLine> Summary() const override;
    void PrintDatabase(PrintSurface& surface) override;
    int GetItemImage(ItemCode item) override;
    RuleAnswer CutItem(const EditRuleArgs& args) override;
    RuleAnswer CopyItem(const EditRuleArgs& args) override;
    RuleAnswer PasteItem(const EditRuleArgs& args) override;
    RuleAnswer DeleteItem(const EditRuleArgs& args) override;
    RuleAnswer InsertItem(const EditRuleArgs& args) override;
    int FindKey(ByteSpan code) override;

    // Writes the journal list as a journal file (kind 0, four texts a
    // record); false when the file cannot be created.
    virtual bool SaveJournal(const std::string& path);

    // ---- Panel data read by the journal operations (journal.cpp) ----------------
    // The journal as read, at most 2339 records of 10 bytes.
    std::vector<k2::JournalEntry> journal;
    // The active events as read: category, code, loop, device number, type.
    std::vector<k2::ActiveEvent> activeEvents;
    // The dustiness of every smoke detector: device number, loop, level.
    std::vector<k2::DustinessEntry> dustiness;
    std::size_t JournalRecordCount() const override { return journal.size(); }
    std::size_t ActiveEventCount() const override { return activeEvents.size(); }
    std::size_t DustinessRecordCount() const override { return dustiness.size(); }
    // The texts of one journal record, as the journal file holds them: time,
    // event, loop label, device label.
    std::array<std::string, 4> JournalTexts(const k2::JournalEntry& record) const;
    // The texts of one active event: category, event, loop label, device.
    std::array<std::string, 4> ActiveEventTexts(const k2::ActiveEvent& event) const;
    // Writes the active events file (kind 3); false when it cannot be created.
    bool SaveActiveEvents(const std::string& path);
    // Writes the dustiness file (kind 2); false when it cannot be created.
    bool SaveDustiness(const std::string& path);
    // Number of smoke detectors (devices in use of type 0).
    int DetectorCount() const;

    // ---- Transfer (transfer.cpp) ---------------------------------------------------------
    // Fills the panel block's counters as they go to the panel: devices in
    // use, duty and employee keys in use, and the u16 two's complement of the
    // sum of the 128 device checksums.
    void FillPanelCounters();

    // ---- The built-in simulation (simulation.cpp) -------------------------------------
    // Frames of the last simulated write, replayed in order by simulated reads.
    static constexpr std::size_t kMaxSimulatedFrames = 147;
    std::vector<Bytes> simulatedFrames;

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
    // The start shared by a database read and write: port, version, progress,
    // cancel window. Returns 0 or the code that ends the operation.
    int StartTransfer(Progress& progress, const char* title, bool forWrite);
    // Reads one table of records; `store` puts `count` records at `index`.
    int ReadTable(Progress& progress, std::uint8_t command, std::size_t recordSize, int tableSize,
                  int& recordsRead,
                  const std::function<void(int index, ByteSpan records, int count)>& store);
    int ReadBlock(Progress& progress, std::uint8_t command, MutableByteSpan block);
    int WriteTable(Progress& progress, std::uint8_t command, std::size_t recordSize, int count,
                   int perFrame, const std::function<void(int index, Bytes& out)>& append);
    int WriteBlock(Progress& progress, std::uint8_t command, ByteSpan block);
    // Open the port if needed and read the version when it is unknown.
    int PrepareJournalOperation();
    std::size_t simulationReadPosition_ = 0;
    std::size_t simulationDustPosition_ = 0;
    // The device a tree item stands for (a device, or a three-loop device's
    // entry for loop A/B/C), or -1.
    static int DeviceOfItem(ItemCode item);
};

}  // namespace tavrin
