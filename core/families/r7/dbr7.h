// DBR7: the "Ордис Р7" database. One table of 2048 element records (the panel
// in record 0, objects, keys and addressable devices) that forms a tree by
// parent ids; kept in a ".bor" file and exchanged with the panel record by
// record. The object owns its table.
//
// The tree's item codes for this family are record indexes (0 = the panel);
// -1..-4 are the line groups А..Г and -5 the devices without a line.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "families/r7/protocol.h"
#include "families/r7/records.h"
#include "link/dbase.h"

namespace tavrin {

// The facts of this family (names, files, columns, commands).
const FamilyTraits& r7Traits();

class DBR7 : public DBase {
  public:
    DBR7(int role, const AppContext& context);
    ~DBR7() override;

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
    bool IsPositiveReply(ByteSpan reply) override;
    int SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) override;
    // Takes the first free record among those the file keeps (0..2046), so
    // that every element created can be saved; -1 when none is free.
    int CreateElement(int type, int parent) override;
    void RemoveElement(int index) override;
    int CreateKey() override;
    void RemoveKey(int index) override;
    int CheckDatabase(ReportList* remarks, ReportList* devices, ReportList* functions) override;
    std::vector<SummaryLine> Summary() const override;
    void PrintDatabase(PrintSurface& surface) override;
    int GetItemImage(ItemCode item) override;
    // Edit rules: `args.item` is the record index (the target for Insert and
    // Paste); Paste also reads `args.bufferItem` in `args.bufferDatabase`
    // (this database when null or of another family).
    RuleAnswer CutItem(const EditRuleArgs& args) override;
    RuleAnswer CopyItem(const EditRuleArgs& args) override;
    RuleAnswer PasteItem(const EditRuleArgs& args) override;
    RuleAnswer DeleteItem(const EditRuleArgs& args) override;
    RuleAnswer InsertItem(const EditRuleArgs& args) override;
    int FindKey(ByteSpan code) override;

    // Byte 7 of record 0 as it is stored (0 is sent and shown as 1).
    int PanelAddress() const override;
    void ReadPanelAt(int address) override { readAddress_ = address; }

  protected:
    // The reply of this family: a 3-byte header (byte 2 = L), L body bytes
    // and the checksum; a firmware data frame is answered by two frames.
    int ReadReplyFrame(ReplyFrame& frame, ByteSpan request) override;

  public:
    // ---- The element table ---------------------------------------------------
    const r7::ElementTable& table() const { return *table_; }
    r7::ElementTable& table() { return *table_; }
    // The record of an item code, or nullptr for codes outside 0..2047.
    const r7::ElementRecord* element(ItemCode index) const;
    r7::ElementRecord* element(ItemCode index);
    // A record that is not free (id, parent and type not all 0).
    bool isUsed(ItemCode index) const;
    // Index of the first used record with this id, or -1.
    int findElementById(std::uint16_t id) const;
    // Used records whose parent is the element at `index` (0 for a free one).
    int childCount(ItemCode index) const;

    struct Counts {
        int elements = 0;  // used records, the panel included
        int objects = 0;
        int devices = 0;
        int keys = 0;
    };
    Counts counts() const;

    // The highest id given so far; a new element gets the next one.
    std::uint16_t maxElementId() const { return maxElementId_; }
    void setMaxElementId(std::uint16_t id) { maxElementId_ = id; }

    // Makes the used records contiguous and renumbers them (see compaction.h);
    // `newIndexOf` as there.
    void CompactTable(std::vector<int>* newIndexOf = nullptr);

    // Pastes the element `sourceIndex` of `source` (this database or another
    // "Ордис Р7" database) into the element `targetIndex`, where PasteItem
    // allows it: objects into the panel, keys and devices into an object. A
    // copy gets new ids (an object together with the elements under it; its
    // object references are kept only within one database); a move within
    // this database changes only the parent. The table is then compacted, so
    // that the used records again have id = index + 1. Returns the pasted
    // element's index afterwards, or -1 when the rules refuse the paste or
    // the table has no room (then nothing changes). When `newIndexOf` is
    // given it receives, for every index of the table before the paste, the
    // index that element has after it (-1 for a record that was free): the
    // tree's item codes follow the renumbering through it.
    int PasteElement(const DBR7& source, int sourceIndex, int targetIndex, bool move,
                     std::vector<int>* newIndexOf = nullptr);

    // Version of the file last loaded, or 2 once saved; -1 for a database
    // that came from neither.
    int fileVersion() const { return fileVersion_; }

    // ---- Clock query and journal (transfer.cpp, journal.cpp) -----------------------
    // Reads the panel clock (command 1) and shows it in the message box
    // "Время прибора ..." titled "Запрос времени". Opens the port when needed
    // and closes it on every exit. The time read is kept in `deviceTime`.
    int QueryDeviceTime() override;
    double EstimatedReadSeconds() const override;
    std::optional<LocalTime> deviceTime;
    std::optional<LocalTime> LastDeviceTime() const override { return deviceTime; }

    // Writes the journal list as a journal file of kind 1, newest first;
    // false when the file cannot be created.
    bool SaveJournal(const std::string& path);
    // The five texts of a journal record: time, event, the first element
    // (object), the second element (device) and the second element's line.
    std::array<std::string, 5> JournalTexts(const r7::JournalEntry& record) const;
    // The journal read last, oldest first.
    std::vector<r7::JournalEntry> journal;
    std::size_t JournalRecordCount() const override { return journal.size(); }

    // The firmware resume point: the first segment number sent and the page
    // of it to start at.
    std::uint16_t firmwareResumeSegment = 1;
    int firmwareResumePage = 1;

  private:
    // The address byte of this database's frames (record 0 byte 7; 0 → 1).
    std::uint8_t FrameAddress() const;
    // One exchange with the refusal mapped to the code of its status.
    int Request(Bytes& reply, const Bytes& frame);
    // Opens the port and reads the version when it is unknown; closes the
    // port again on failure.
    int StartDeviceOperation(bool needVersion);
    // The built-in simulation's panel memory (2048 × 38 bytes), made on first use.
    Bytes& SimulatedMemory();

    Bytes simulatedMemory_;
    // Set by ReadPanelAt: the address the frames go to, whatever record 0
    // holds (a read starts from an empty table, whose address is 1).
    std::optional<int> readAddress_;
    std::unique_ptr<r7::ElementTable> table_;
    std::uint16_t maxElementId_ = 0;
    int fileVersion_ = -1;
};

}  // namespace tavrin
