// The operations of a panel that is a console of several LCPs, beyond those
// every family has: reading and writing the database by part (all, the
// console's own keys, one LCP), the comparison with the console, the
// console's files (its archive), clearing its current events, and loading
// a program onto its SD card and from there into the console or an LCP.
//
// The shell, the gui and the cli reach them through consoleOperations(db)
// when the family's traits have consoleCommands set; the database object
// implements them beside DBase. Every operation returns a result code (0 =
// success) and runs on the operation's thread like the DBase operations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "report/comparison_rows.h"

namespace tavrin {

class DBase;
class Progress;

// Which part of the database a read or a write moves.
enum class ConsolePart { All, ConsoleKeys, Lcp };

// The kinds of record the comparison looks at.
enum class CompareKind { Devices = 1, Objects = 2, Keys = 3 };

enum class CompareState {
    Equal,         // the checksums agree (objects: and every record read back agrees)
    Different,     // the checksums or the records differ
    OnlyComputer,  // the database has this LCP, the console has no devices there
    OnlyConsole,   // the console has an LCP the database lacks
    NoLink,        // the console has no link with the LCP (it answered 0x75)
    NotAsked,      // not compared: an earlier answer made it moot
};

// One row of the comparison: one kind of one LCP (LCP 0: the console's keys).
struct CompareEntry {
    int lcp = 0;
    CompareKind kind = CompareKind::Devices;
    bool consoleKnown = false;  // the console gave its checksum
    std::uint16_t console = 0;
    bool computerKnown = false;  // the database has this LCP
    std::uint16_t computer = 0;
    CompareState state = CompareState::NotAsked;
    // Objects whose checksums agree are read back and compared one by one:
    // the first slot found different, else -1.
    int record = -1;
};

// The texts of the comparison view.
const char* compareKindText(int lcp, CompareKind kind);
const char* compareStateText(CompareState state);

// Where a program on the SD card goes: 0 = the console itself, L = LCP L.
struct ProgramTarget {
    int code = 0;
    std::string name;  // "Пульт", "LCP 3"
};

class ConsoleOperations {
  public:
    virtual ~ConsoleOperations() = default;

    // Where the operation's status texts go ("Загрузка ключей" ...); called
    // on the operation's thread. Empty: nowhere.
    virtual void setStatusSink(std::function<void(const std::string&)> sink) = 0;

    // Reads or writes a part of the database; `lcp` names the LCP of
    // ConsolePart::Lcp (it must exist in the database).
    virtual int ReadPart(Progress& progress, ConsolePart part, int lcp) = 0;
    virtual int WritePart(Progress& progress, ConsolePart part, int lcp) = 0;

    // Compares the database with the console; the rows are kept until the
    // next comparison.
    virtual int CompareWithDevice(Progress& progress) = 0;
    virtual std::vector<CompareEntry> comparison() const = 0;

    // The console's list of archive files (read into the program folder and
    // kept in the database), and one archive turned into a journal file.
    virtual int ReadArchiveList(Progress& progress) = 0;
    virtual std::vector<std::string> archiveNames() const = 0;
    virtual int ReadArchive(Progress& progress, const std::string& name) = 0;
    // The journal file ReadArchive makes of an archive (program folder).
    virtual std::string archiveJournalPath(const std::string& name) const = 0;

    // Clears the console's current events of the kinds in the mask: 1 fires,
    // 2 alarms, 4 messages, 8 faults (0x0F all).
    virtual int ClearActiveEvents(int kinds) = 0;

    // Writes a local file onto the console's SD card under `sdName`, and
    // tells the console to load a program from its SD card into a target.
    virtual int WriteFileToDevice(Progress& progress, const std::string& sdName,
                                  const std::string& path) = 0;
    virtual int ReplaceProgram(const std::string& sdName, int target) = 0;
    virtual std::vector<ProgramTarget> programTargets() const = 0;

    // The LCP a tree item belongs to (0 for none), and the tree item that
    // shows a comparison row (the LCP, or the object found different).
    virtual int lcpOfItem(std::int32_t item) const = 0;
    virtual std::int32_t itemOfCompareEntry(const CompareEntry& entry) const = 0;
};

// The comparison as plain rows: the path "LCP 2 / Объекты" ("Пульт / Ключи
// пульта" for the console's keys), the record found different (objects read
// back one by one), our checksum and the console's in hex (empty where not
// known), the verdict, and the tree item to show.
ComparisonRows comparisonRows(const ConsoleOperations& console);

// The console operations of a database, or nullptr for a family without them.
ConsoleOperations* consoleOperations(DBase& db);
const ConsoleOperations* consoleOperations(const DBase& db);

}  // namespace tavrin
