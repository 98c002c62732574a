// The "Версан С5" console on the pseudo-terminal. Unlike a panel it speaks
// first: it opens its link with a 0x60 frame, then sends one frame at a time
// at its own pace, each with the next 3-bit sequence number, and waits for
// the computer's answer; an unanswered frame is sent again with the same
// number, and after a few unanswered repeats the console opens its link
// anew with 0x60. The computer's answer is its request (answered by the
// console's next frame) or the acknowledgement 80 04 F5 12 (after which the
// console reports "done", 0x64, at its idle pace).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "panel.h"

namespace panelsim::s5 {

struct ConsoleOptions {
    std::string db;  // a database folder to answer from and keep (else generated)
    int firmware = 12;
    int journal = 0;          // events in EVENTS.dat
    int archives = 0;         // archive files named in ARCH.dat
    std::vector<int> noLink;  // LCPs the console has no link with (0x75)
    std::string sdDir;        // files written to the SD card are stored here
    std::string opsLog;       // one line per clock set, event clearing, program replacement
                              // and table written
    int lcps = 2;             // LCPs 1..lcps exist
    int records = 3;          // devices, objects and keys of each LCP
    int commonKeys = 2;       // keys of LCP 0, the console's own
    int fileChunks = 3;       // chunks of any file read with 'v'
    long baud = 0;            // 0: unpaced
    long idleMs = 100;        // after an acknowledgement, the next 0x64 comes this late
    long repeatMs = 600;      // an unanswered frame is repeated this late
    int repeatsBeforeRestart = 3;
    std::vector<std::string> faults;  // KIND[=ARG]@N or KIND[=ARG]%N, N = console frame
    bool verbose = false;
};

// False with `error` set when a fault is not understood.
bool checkConsoleFaults(const std::vector<std::string>& faults, std::string& error);

int runConsole(const ConsoleOptions& options);

}  // namespace panelsim::s5
