// DBS5: the "Версан С5" database: a console with up to 64 LCPs. It holds the
// LCP table (each LCP with its devices, objects and keys), the console's
// 1000 common keys, its 16 message texts and the archive list, and keeps them
// in a database folder (one group of files per LCP, see db_folder.h).
//
// Ownership: the object owns every LCP database (entry L of `lcps` holds LCP
// number L; entry 0 stays empty; the LCPs in use are consecutive from 1).
// Messages are kept as the 8-bit bytes of the folder, an empty text meaning
// an absent message. Archive names are UTF-8.
//
// Edit rules (slots 24..28) read from EditRuleArgs: `item` (the item acted
// on, the target for Insert and Paste), `bufferItem` (Paste: the buffer's
// first item), `flag` (Paste: 1 when the buffer was filled by a cut) and
// `bufferDatabase` (Paste: the database the buffer's items live in).
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "families/s5/console_frames.h"
#include "families/s5/lcp_database.h"
#include "families/s5/link/console_link.h"
#include "families/s5/records.h"
#include "link/console_operations.h"
#include "link/dbase.h"

namespace tavrin {

namespace s5 {
class SimulatedConsole;
}

// The facts of this family (names, files, columns, commands).
const FamilyTraits& s5Traits();

class DBS5 : public DBase, public ConsoleOperations {
  public:
    // The folder path may hold at most this many UTF-16 characters.
    static constexpr std::size_t kMaxFolderPath = 200;

    DBS5(int role, const AppContext& context);
    ~DBS5() override;

    void ResetDatabase() override;
    bool LoadFromDisk(const std::string& path) override;
    bool SaveToDisk(const std::string& path) override;
    int ReadFromDevice(Progress& progress) override;
    int WriteToDevice(Progress& progress) override;
    int WriteFirmware(Progress& progress, ByteSpan image) override;
    int ReadJournal(Progress& progress) override;
    int SetDeviceTime() override;
    int ReadVersion() override;
    bool CheckChecksum(ByteSpan reply) override;
    int SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) override;
    int ReadDustiness(Progress& progress, int flag) override;
    // The console link replaces the port of the other families: OpenPort
    // starts the link thread and is false when the port name is empty or
    // the port did not open; ClosePort stops the link and joins its thread.
    bool OpenPort() override;
    void ClosePort() override;
    // A new device of the type in LCP `parent` (1..64): slot or -1.
    int CreateElement(int type, int parent) override;
    // Removes the object, device or key named by the item code (a console
    // key code goes to RemoveKey) and clears every reference to it.
    void RemoveElement(int index) override;
    // A new console key: slot or -1.
    int CreateKey() override;
    void RemoveKey(int index) override;
    // Critical: more console keys than a series carries, an object parent
    // or link that names no record or closes a loop, a device object byte
    // that names no object; remarks: keys without or sharing a full number,
    // objects without devices. Lists the devices by type and the records
    // per LCP. It never packs: packing happens on saving and before every
    // transfer.
    int CheckDatabase(ReportList* remarks, ReportList* devices, ReportList* functions) override;
    std::vector<SummaryLine> Summary() const override;
    // The console, its keys and every LCP's objects, devices and keys.
    void PrintDatabase(PrintSurface& surface) override;
    int GetItemImage(ItemCode item) override;
    RuleAnswer CutItem(const EditRuleArgs& args) override;
    RuleAnswer CopyItem(const EditRuleArgs& args) override;
    RuleAnswer PasteItem(const EditRuleArgs& args) override;
    RuleAnswer DeleteItem(const EditRuleArgs& args) override;
    RuleAnswer InsertItem(const EditRuleArgs& args) override;
    int FindKey(ByteSpan code) override;

    // ---- LCP table -----------------------------------------------------------------
    // The LCP with address L, or nullptr.
    s5::LcpDatabase* lcp(int number);
    const s5::LcpDatabase* lcp(int number) const;
    // Number of LCPs in use: consecutive entries from 1.
    int lcpCount() const;
    // Adds an empty LCP after the last one: its address, or -1 when all 64
    // are used.
    int AddLcp();
    // Removes LCP L; when it was not the last, the last LCP moves into its
    // place and takes its address. Links of other objects follow: a link to
    // the removed LCP is cleared, a link to the moved one gets the new address.
    void RemoveLcp(int number);

    // ---- Records through the item codes ---------------------------------------------
    // Allocation inside an LCP: slot or -1 (no LCP, or every slot used).
    int NewObject(int lcpNumber);
    int NewLcpKey(int lcpNumber);

    // ---- Derived computations ----------------------------------------------------------
    // Recomputes the type bits (0..2) of every object from its devices, its
    // children and the objects linked to it from other LCPs.
    void MarkObjects();
    // True when the walk from object A (through parents and cross-LCP links)
    // meets object B; the walk starts at A itself.
    bool IsDescendant(int lcpA, int objectA, int lcpB, int objectB) const;
    // The paste rule's refusal when the link test finds the target under the
    // pasted object (or the object itself).
    static const char* const kObjectLoop;
    // Packs the common keys (when needed) and every LCP that needs it,
    // keeping every reference on the same record. True when anything moved.
    bool Pack();
    // Database checksum of one kind of LCP L (1 devices, 2 objects, 3 keys):
    // the record checksums below the count are computed and stored, summed
    // modulo 65536 and negated. 0 for an absent LCP.
    std::uint16_t LcpChecksum(int number, int kind);
    // The three kinds together: their sums added, then negated.
    std::uint16_t LcpDatabaseChecksum(int number);
    // The same over the common keys below their count.
    std::uint16_t CommonKeysChecksum();

    // ---- Fields ----------------------------------------------------------------------
    std::array<std::unique_ptr<s5::LcpDatabase>, s5::kLcpTableSize> lcps;
    std::array<s5::KeyRecord, s5::kCommonKeys> commonKeys{};
    std::array<std::string, s5::kMessages> messages;  // 8-bit, empty = absent
    std::array<std::uint8_t, s5::kCommonKeys> commonKeyUsed{};
    std::vector<std::string> archiveList;  // UTF-8, at most 12 characters each
    int commonKeyCount = 0;
    int savedCommonKeyCount = 0;
    bool commonKeysNeedPacking = false;
    bool commonKeysChanged = false;
    // The alternative device codes of the "Добавить устройство" menu.
    bool alternativeCodes = false;
    // The folder last loaded from or saved to (files read from the console
    // go there); empty when none.
    std::string databaseFolder;
    // The LCPs that folder holds from the last load or save: saving into it
    // deletes the files of LCPs past the current count up to this number
    // (LCPs the user removed) unasked; other database files there that the
    // saved database does not have go only after ConfirmSave.
    int folderLcpCount = 0;
    // The last load stopped at an LCP that could not be read: the folder
    // holds files this database does not have. Saving into it then deletes
    // nothing and asks first.
    bool folderReadIncomplete = false;
    // The number of the LCP whose files could not be read (0 when none).
    int unreadLcp = 0;
    // The folder whose foreign files the user agreed to delete (ConfirmSave),
    // good for the next save only.
    std::string confirmedSaveFolder;

    std::string SaveWarning(const std::string& path) const override;
    void ConfirmSave(const std::string& path) override;
    bool SaveCopyToDisk(const std::string& path) override;
    // The database files in folder `path` that saving this database there
    // would delete although they are not its own: files of another database
    // (its LCPs past this one's last, or kinds of records this one lacks),
    // which the next load of the folder would otherwise mix into this
    // database. Files of LCPs this database loaded from the folder (or saved
    // there) and then removed are its own and not listed. Empty when none.
    std::vector<std::string> foreignFolderFiles(const std::string& path) const;

    // A command to LCP `lcp` or one of its devices (slot `device`): commands
    // 1 (type and serial number), 2 (state; `value` is the action: 0 status,
    // 3 on, 7 arm, 8 disarm, 0xFE reset), 3 and 4 (stop / resume answering),
    // 15, 0xF0, 0xF2, 0xF3. Result 10 for another command or an LCP that does
    // not exist; the link is closed afterwards whatever the outcome.
    int LcpCommand(int lcp, int command, int device, int value);

    // ---- Console operations (transfer.cpp, compare.cpp, journal.cpp, dust.cpp,
    //      sd_card.cpp) -----------------------------------------------------------
    void setStatusSink(std::function<void(const std::string&)> sink) override;
    int ReadPart(Progress& progress, ConsolePart part, int lcp) override;
    int WritePart(Progress& progress, ConsolePart part, int lcp) override;
    int CompareWithDevice(Progress& progress) override;
    std::vector<CompareEntry> comparison() const override { return comparison_; }
    int ReadArchiveList(Progress& progress) override;
    std::vector<std::string> archiveNames() const override { return archiveList; }
    int ReadArchive(Progress& progress, const std::string& name) override;
    std::string archiveJournalPath(const std::string& name) const override;
    int ClearActiveEvents(int kinds) override;
    int WriteFileToDevice(Progress& progress, const std::string& sdName,
                          const std::string& path) override;
    int ReplaceProgram(const std::string& sdName, int target) override;
    std::vector<ProgramTarget> programTargets() const override;
    int lcpOfItem(std::int32_t item) const override;
    std::int32_t itemOfCompareEntry(const CompareEntry& entry) const override;

    // "Запросить версию ПО" of LCP L: stored as the LCP's firmware version.
    int ReadLcpVersion(int lcpNumber);
    // "Считать БД АУ из LCP": the devices of LCP L read from the LCP itself
    // (its objects and keys are emptied).
    int ReadLcpDirect(Progress& progress, int lcpNumber);
    // One read each, within an operation that has begun (the LCP must
    // exist; the link is opened when it is not running): the console's
    // keys, and the devices, objects and keys of LCP L. `direct` reads the
    // devices from the LCP itself and empties its objects and keys.
    int ReadCommonKeys();
    int ReadLcpDevices(int lcpNumber, bool direct = false);
    int ReadLcpObjects(int lcpNumber);
    int ReadLcpKeys(int lcpNumber);
    // Writes one kind of LCP L as an empty table (1 devices, 2 objects,
    // 3 keys; 10 for another kind).
    int WriteEmpty(int lcpNumber, int kind);
    // The console's checksum of one kind of LCP L (LCP 0, kind 3: its keys).
    int AskChecksum(int lcpNumber, int kind, std::uint16_t& value);
    // Reads one file of the console into `target`.
    int ReadFileFromDevice(const std::string& name, const std::filesystem::path& target);
    // The journal records of an event file (false when it is shorter than
    // its header); names come from this database.
    bool JournalOfEvents(ByteSpan data, JournalFile& out) const;
    // Turns an event file of the console into a journal file; the source is
    // deleted once the journal is written. Returns a result code.
    int FormJournal(const std::filesystem::path& source, const std::filesystem::path& target);
    // The dustiness of the sensors of one LCP, appended to `dustiness`.
    int ReadLcpDustiness(int lcpNumber);
    // Writes the dustiness file (program folder, kind 0); false when it
    // cannot be written.
    bool SaveDustinessFile();
    // Sensors whose dustiness the console reports (the smoke detectors of
    // the device table) in LCP L, or in every LCP for 0.
    int SensorCount(int lcpNumber) const;

    // The dustiness list of the last read: LCP, device slot, value.
    struct DustEntry {
        std::uint8_t lcp = 0x41;
        std::uint8_t slot = 0xFF;
        std::uint8_t value = 0;
    };
    std::vector<DustEntry> dustiness;
    std::size_t dustinessCapacity = 0;

    // The console link (its queues are where operations put requests).
    s5::ConsoleLink& link() { return *link_; }

  private:
    std::unique_ptr<s5::ConsoleLink> link_;
    int simulatedFrames_ = 0;  // simulation: console frames produced since the link opened
    // Simulation: the console the built-in simulation answers from, taken
    // from the database before an operation changes it. Guarded by simMutex_
    // (the link thread reads it).
    std::unique_ptr<s5::SimulatedConsole> sim_;
    std::mutex simMutex_;
    std::vector<CompareEntry> comparison_;
    std::function<void(const std::string&)> statusSink_;

    void status(const std::string& text);
    // Everything a read replaces, kept while it runs: a failed read puts the
    // database back as it was (the firmware version read stays).
    struct DatabaseState;
    std::unique_ptr<DatabaseState> saveState() const;
    void restoreState(DatabaseState& state);
    // The start of an operation: the cancel window, and in simulation the
    // console's snapshot of the database.
    void beginOperation(const std::string& title);
    void takeSimulationSnapshot();
    // Opens the link when it is not running; false when it did not open.
    bool ensureLink();
    // Reads the console's firmware version unless it is known.
    int ensureVersion();

    // Series reads (transfer.cpp). runSeries queues the requests and hands
    // every record of their replies to `onRecord` (the reply that ends a
    // series and the console's empty record are not handed on);
    // readIntoTables empties the tables the requests fill and stores the
    // records in them.
    int runSeries(const std::vector<s5::ExchRecPtr>& requests, Progress* progress,
                  const std::function<std::string(int, s5::RecordKind)>& statusOf,
                  const std::function<int(const s5::ExchRec&, s5::RecordKind, ByteSpan)>& onRecord);
    int readIntoTables(const std::vector<s5::ExchRecPtr>& requests);
    int readWholeDatabase(Progress& progress);
    void markLcpRead(int lcpNumber);
    // Every console key slot free, with its number (slot + 1).
    void emptyCommonKeys();
    void markCommonKeysRead();
    void discardLcpsFrom(int lcpNumber);
    s5::LcpDatabase& emptyLcp(int lcpNumber);
    // Writes: the frames of one table, the console's keys, one LCP.
    std::vector<s5::ExchRecPtr> tableWrites(int lcpNumber, s5::RecordKind kind);
    std::vector<s5::ExchRecPtr> commonKeyWrites();
    std::vector<s5::ExchRecPtr> lcpWrites(int lcpNumber);
    int sendWrites(const std::vector<s5::ExchRecPtr>& frames, Progress& progress);

    bool pathFits(const std::string& path, const char* caption);
    bool isDatabaseFolder(const std::string& path) const;
    // A database file that saving into a folder deletes; `own` when it is
    // one of this database's own (an LCP it loaded from there or saved
    // there, then removed). `packed`: the counts are final (after Pack).
    struct FolderRemoval {
        std::string name;
        bool own;
    };
    std::vector<FolderRemoval> folderRemovals(const std::string& path, bool packed) const;
    void clearLinksTo(int lcpNumber, int objectSlot);
};

}  // namespace tavrin
