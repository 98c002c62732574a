// What the simulated "Версан С5" console keeps: per LCP (0 = the console's
// common keys) its devices, objects and keys as the bytes they travel in.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "panel.h"

namespace panelsim::s5 {

struct ConsoleDb {
    // records[lcp][kind]: kind 0 devices (63 bytes), 1 objects (96), 2 keys (32).
    std::vector<std::array<std::vector<Bytes>, 3>> records =
        std::vector<std::array<std::vector<Bytes>, 3>>(65);
    int lcps = 0;  // LCPs 1..lcps exist
};

// A generated database: `lcps` LCPs with `records` of each kind, and
// `commonKeys` console keys.
ConsoleDb generatedDb(int lcps, int records, int commonKeys);
// The database of a "Версан С5" database folder; false with `error` set.
bool loadDb(const std::string& folder, ConsoleDb& db, std::string& error);

}  // namespace panelsim::s5
