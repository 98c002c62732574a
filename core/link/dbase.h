// DBase: the abstract base of the three panel families. One object holds one
// configuration database in memory together with everything needed to talk
// to a panel of its family: the port, its settings, the exchange log and the
// state of a running device operation.
//
// The shell, the tree and the grid work only through the virtual operations
// below (in their slot order) and ask traits() for the facts of the family.
//
// Threading: a device operation runs on one thread (the gui's worker, the
// cli's main thread); only `exchangeActive` is touched from another thread
// (the cancel window). The object owns its port and its log.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/seams.h"
#include "link/app_context.h"
#include "link/family_traits.h"
#include "link/link_session.h"
#include "link/serial_port.h"

namespace tavrin {

struct ReportList;
struct JournalFile;
struct DustRecord;

// The tree's item code: a signed 32-bit value naming an element of the
// family's data model (encoding per family).
using ItemCode = std::int32_t;

// Arguments of the tree edit rules (slots 24..28). Each family reads the
// members its rules take; the rest stay at their defaults.
struct EditRuleArgs {
    ItemCode item = 0;         // the item acted on (the target for Insert and Paste)
    ItemCode parent = 0;       // the item's parent in the tree
    ItemCode grandparent = 0;  // the parent's parent
    ItemCode bufferItem = 0;   // Paste: the buffer's item
    int flag = 0;              // Paste: the family's extra flag
    const class DBase* bufferDatabase = nullptr;  // Paste: where the buffer's records live
};

// An edit rule's answer: allowed or refused, and the text to show (the menu
// or prompt label when allowed, the refusal message otherwise; may be empty).
struct RuleAnswer {
    bool allowed = false;
    std::string text;
};

class DBase {
  public:
    // Reply buffer of the exchange.
    static constexpr int kReplyBufferSize = 256;

    // Copies the family's facts into the shared fields below.
    DBase(const FamilyTraits& traits, int role, const AppContext& context);
    virtual ~DBase();
    DBase(const DBase&) = delete;
    DBase& operator=(const DBase&) = delete;

    // ---- Virtual operations, in slot order -----------------------------
    // Every family has the file slots and the edit rules. The panel slots are
    // optional: a family overrides what its panel has, and the defaults answer
    // kResultNotImplemented (false, nothing written, no reply), never a success.
    /* 0 */ virtual void ResetDatabase() = 0;
    /* 1 */ virtual bool LoadFromDisk(const std::string& path) = 0;
    /* 2 */ virtual bool SaveToDisk(const std::string& path) = 0;
    /* 3 */ virtual bool ExportCsv(const std::string& path);
    /* 4 */ virtual int ReadFromDevice(Progress& progress);
    /* 5 */ virtual int WriteToDevice(Progress& progress);
    /* 6 */ virtual int WriteFirmware(Progress& progress, ByteSpan image);
    /* 7 */ virtual int ReadJournal(Progress& progress);
    /* 8 */ virtual int ReadActiveEvents(Progress& progress);
    /* 9 */ virtual int SetDeviceTime();
    /* 10 */ virtual int ReadVersion();
    // `reply` holds the bytes received (at most kReplyBufferSize).
    /* 11 */ virtual bool CheckChecksum(ByteSpan reply);
    /* 12 */ virtual bool IsPositiveReply(ByteSpan reply);
    // Builds the reply a panel would give into `reply`; returns its length.
    /* 13 */ virtual int SimulateDevice(ByteSpan request,
                                        std::span<std::uint8_t, kReplyBufferSize> reply);
    /* 14 */ virtual int ReadDustiness(Progress& progress, int flag);
    /* 15 */ virtual bool OpenPort();
    /* 16 */ virtual void ClosePort();
    /* 17 */ virtual int CreateElement(int type, int parent) = 0;
    /* 18 */ virtual void RemoveElement(int index) = 0;
    /* 19 */ virtual int CreateKey() = 0;
    /* 20 */ virtual void RemoveKey(int index) = 0;
    // Fills the three lists of the analysis window (any may be null);
    // returns 0, or 2 when a critical error was found; sets `writable`.
    // Without a check nothing counts as writable.
    /* 21 */ virtual int CheckDatabase(ReportList* remarks, ReportList* devices,
                                       ReportList* functions);
    /* 22 */ virtual void PrintDatabase(PrintSurface& surface);
    /* 23 */ virtual int GetItemImage(ItemCode item) = 0;
    /* 24 */ virtual RuleAnswer CutItem(const EditRuleArgs& args) = 0;
    /* 25 */ virtual RuleAnswer CopyItem(const EditRuleArgs& args) = 0;
    /* 26 */ virtual RuleAnswer PasteItem(const EditRuleArgs& args) = 0;
    /* 27 */ virtual RuleAnswer DeleteItem(const EditRuleArgs& args) = 0;
    /* 28 */ virtual RuleAnswer InsertItem(const EditRuleArgs& args) = 0;
    /* 29 */ virtual int FindKey(ByteSpan code) = 0;

    // "Прочитать время": the panel's clock shown in its own message box.
    // A family whose panel has no clock query answers kResultNotImplemented.
    virtual int QueryDeviceTime();
    // The seconds a whole database read takes on the line at `baudRate`,
    // said before a read that is slow enough to need it; 0 otherwise.
    virtual double EstimatedReadSeconds() const { return 0; }

    // ---- Port, log and exchange --------------------------------------------
    // One request/response transaction with retries; `reply` receives the
    // bytes received (also on failure). Returns the result code.
    int Exchange(Bytes& reply, ByteSpan request);
    // The message of a result code (code 14 also shows its message box).
    std::string DescribeResult(int code);
    bool SetUpPort();
    void LoadPortSettings();
    void SavePortSettings();
    void LogLine(const std::string& text);
    void LogBytes(ByteSpan bytes);
    void LogSystemError(int error);
    // mode "w" rewrites the day's log, "a+" appends; empty: by logRewrite.
    void OpenLog(const std::string& mode);
    void CloseLog();
    bool IsPortOpen() const { return link_.portOpen(); }
    bool IsLogOpen() const { return link_.logOpen(); }
    // The day's log file name: program folder + "Tavrin_MM_DD_YY.log".
    std::filesystem::path LogFilePath() const;
    bool StartCancelWindow(const std::string& title);
    void FinishOperation();

    // The window title: the title text, then " - " and the file path when
    // both and 5 more characters fit in `capacity`; the title alone when it
    // has no path and fits; otherwise empty.
    std::string WindowTitle(std::size_t capacity) const;

    // ---- Reply framing ----------------------------------------------------------
    // One reply as the exchange receives it.
    struct ReplyFrame {
        std::array<std::uint8_t, kReplyBufferSize> buffer{};
        int received = 0;  // bytes in buffer
        bool secondReplyWrong =
            false;  // a two-frame reply whose second frame is not the expected one
    };
    // The family's reply framing, called by Exchange with the port open:
    // reads one reply into `frame` and returns 0, or the code of the failed
    // pass (logging why). The default is the length-prefixed frame (byte 0 =
    // the count of the bytes that follow).
    virtual int ReadReplyFrame(ReplyFrame& frame, ByteSpan request);
    // Helpers of a framing: one read of up to n bytes at `at`; the same, once
    // more after yielding when short; both return the bytes read. LogReceived
    // writes the bytes received so far to the log.
    int ReadPortBytes(ReplyFrame& frame, int at, int n);
    int ReadFrameBytes(ReplyFrame& frame, int at, int n);
    void LogReceived(const ReplyFrame& frame);

    // ---- Files for the viewers (dbase_files.cpp) --------------------------
    // Reads a journal file, refusing one that claims more records than
    // journalCapacity (a third-family journal is not checked); messages go
    // to the context's prompter. False, silently, when it cannot be opened.
    bool ReadJournalFile(const std::string& path, JournalFile& out) const;
    // Reads a dustiness file into 61-byte records (messages as above).
    bool ReadDustinessFile(const std::string& path, std::vector<DustRecord>& out) const;

    // ---- What the journal, active-events and dustiness reads bring -------------
    // Where ReadJournal, ReadActiveEvents and ReadDustiness save what they
    // read; empty: the family's own file name (journalFileName,
    // journalFileName2, dustinessFileName) in the current folder. A family
    // that keeps these files in its program folder by itself ignores them.
    std::string journalOutputPath;
    std::string activeEventsOutputPath;
    std::string dustinessOutputPath;
    // The file the last such read saved; empty when it saved none (it failed
    // before, the file could not be written, or the family leaves the file
    // of the last good read in place after a failed one).
    std::string savedJournalFile;
    std::string savedActiveEventsFile;
    std::string savedDustinessFile;
    // The records the last such read brought; 0 for a read the family lacks.
    virtual std::size_t JournalRecordCount() const { return 0; }
    virtual std::size_t ActiveEventCount() const { return 0; }
    virtual std::size_t DustinessRecordCount() const { return 0; }
    // The panel's clock as the last QueryDeviceTime read it; empty when none
    // was read (or the family's panel has no clock query).
    virtual std::optional<LocalTime> LastDeviceTime() const { return std::nullopt; }

    // The database summed up in "name: value" lines (file version, firmware,
    // counts), in the family's order.
    struct SummaryLine {
        std::string name;
        std::string value;
    };
    virtual std::vector<SummaryLine> Summary() const { return {}; }

    // The panel address shown by DescribeResult ("Ордис Р7" only).
    virtual int PanelAddress() const { return 0; }
    // The panel address this database's exchanges go to from now on, for a
    // database that only reads the panel another one was written to (the
    // backup and the read-back); a family with one panel per line ignores it.
    virtual void ReadPanelAt(int /*address*/) {}
    // A question to put to the user before the database is saved to `path`
    // (a Yes/No warning; No leaves the file as it is), or empty when saving
    // there needs none.
    virtual std::string SaveWarning(const std::string& /*path*/) const { return {}; }
    // The user answered Yes to SaveWarning(path): the next SaveToDisk(path)
    // may do what the question named. A save that needs this question
    // refuses without it.
    virtual void ConfirmSave(const std::string& /*path*/) {}
    // Saves a copy of the database to `path`, a place of the program's own
    // (a recovery copy, a temporary backup) whose earlier content it
    // replaces without asking. The database does not take it as its file:
    // its file name, modified state and whatever it knows of its own file
    // stay as they were.
    virtual bool SaveCopyToDisk(const std::string& path);

    const AppContext& context() const { return ctx_; }
    const FamilyTraits& traits() const { return traits_; }
    Family family() const { return traits_.family; }
    SerialPort* port() { return link_.port(); }

  protected:
    // The port, the exchange log and the cancel state of a device operation.
    LinkSession link_;

  public:
    // ---- Shared fields (texts are UTF-8) ---------------------------------
    int familyCode = 0;
    int modified = 0;
    std::string extension1;           // "bta", "bor"
    std::string extension2;           // "tlv", "ord"
    std::string fileTypeText;         // "БД Талвира К2"
    std::string openFilter;           // "*.bta;*.tlv"
    std::string firmwareFilter;       // "*.hex", "Soft*.conf", empty
    std::string filePath;             // empty = none
    std::string title;                // "Конфигуратор Талвир К2"
    std::string firmwareVersionText;  // at most 8 characters
    int firmwareVersion = -1;         // -1 = unknown
    bool databaseValid = false;
    bool writable = false;  // set by CheckDatabase
    // Set by a LoadFromDisk that took the file although part of it was
    // missing: the text that tells the user what took defaults. Empty after
    // a complete load. The shell's open path shows it.
    std::string incompleteFileText;
    // Before a write to the panel: true when the database is complete, or
    // when the user confirms writing it although incompleteFileText names
    // what is missing (the question's default is No).
    bool ConfirmIncompleteWrite(const std::string& caption);
    std::string sectionName;  // "Талвир_К2"
    std::string journalFileName;
    std::string journalFileName2;
    int journalCapacity = 0;
    std::string dustinessFileName;
    std::string portName;  // "COM3", or a device path on POSIX
    int parity = kParityNone;
    int stopBits = kStopBits1;
    bool logRewrite = true;
    int baudRate = 0;
    bool logEnabled = false;
    bool simulation = true;
    CancelToken& exchangeActive = link_.token();  // the running operation may go on
    std::string operationTitle;
    bool deviceAnswered = false;
    int role = 0;
    std::uint32_t readTotalTimeoutConstant = 1000;
    std::uint32_t readIntervalTimeout = 10;
    std::uint32_t readTotalTimeoutMultiplier = 10;

  protected:
    const FamilyTraits& traits_;
    const AppContext& ctx_;
    // Discards what waits on the line; with `untilQuiet` also what arrives
    // until a read times out.
    void DrainLine(bool untilQuiet);
};

}  // namespace tavrin
