// What the simulated "Версан С5" console keeps: per LCP (0 = the console's
// common keys) its devices, objects and keys as the bytes they travel in,
// and the files it offers (its event journal and its archive).
//
// Records on the wire, with their checksums (two's complement of the byte
// sum, little-endian, names blank-padded):
//   device 63 bytes: checksum over 0..60 at 61..62
//   object 96 bytes: first checksum over 0..58 at 59..60, second over 0..93
//                    at 94..95
//   key    32 bytes: checksum over 0..29 at 30..31
#pragma once

#include <array>
#include <string>
#include <vector>

#include "panel.h"

namespace panelsim::s5 {

constexpr std::size_t kWireSize[3] = {63, 96, 32};

struct ConsoleDb {
    // records[lcp][kind]: kind 0 devices (63 bytes), 1 objects (96), 2 keys (32).
    std::vector<std::array<std::vector<Bytes>, 3>> records =
        std::vector<std::array<std::vector<Bytes>, 3>>(65);
    int lcps = 0;  // LCPs 1..lcps exist
};

// A generated database: `lcps` LCPs with `records` of each kind, and
// `commonKeys` console keys, every record with its checksums.
ConsoleDb generatedDb(int lcps, int records, int commonKeys);
// The database of a "Версан С5" database folder; false with `error` set.
bool loadDb(const std::string& folder, ConsoleDb& db, std::string& error);
// Writes the database into a folder: the files of LCPs 1..lcps, "Keys.conf",
// and no files of the LCPs after the last one. False when a file failed.
bool saveDb(const std::string& folder, const ConsoleDb& db);

// Recomputes the checksums of a record of a kind (0 devices, 1 objects, 2 keys).
void sealRecord(int kind, Bytes& record);
// True when the checksum the console verifies is right.
bool recordChecksumOk(int kind, const Bytes& record);
// The console's checksum of a table: its records' checksums summed, negated.
std::uint16_t tableChecksum(int kind, const std::vector<Bytes>& records);

// An event file: a 48-byte header and `events` 16-byte events naming the
// LCPs, objects, devices and keys of the database.
Bytes eventFile(const ConsoleDb& db, int events, int seed);
// An archive list of `archives` names of 12 bytes.
Bytes archiveList(int archives);
std::string archiveName(int n);

}  // namespace panelsim::s5
