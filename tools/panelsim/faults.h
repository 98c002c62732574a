// Fault injection: each fault spoils the reply to the Nth request
// ("KIND@N") or to every Nth request ("KIND%N"); requests count from 1.
//
//   silence        no reply from request N on (with %N: every Nth)
//   noreply        no reply to the request
//   drop[=I]       the reply loses byte I (default: its last byte)
//   badcrc         the reply's checksum is wrong
//   refuse[=S]     a refusal instead of the reply (S: the second family's code)
//   badindex       the reply echoes a wrong record index
//   stale          the reply echoes the index of the request before (r7)
//   length         the reply's body is one byte short, length and checksum consistent
//   oversize       a reply whose body (253 bytes) does not fit the reply buffer (r7)
//   garbage[=K]    K stray bytes (default 3) before the reply
//   cut[=K]        only the first K bytes of the reply (default: half)
//   delay=D        the reply starts D ms late
//   second[=T]     the second reply of a firmware frame has type T (default 0x0B)
//   lose           the Nth request that changes the panel's memory (with %N:
//                  every Nth) is answered as a success but not kept; N counts
//                  only those requests
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "panel.h"

namespace panelsim {

struct Fault {
    enum class Kind {
        Silence,
        NoReply,
        Drop,
        BadCrc,
        Refuse,
        BadIndex,
        Stale,
        Length,
        Oversize,
        Garbage,
        Cut,
        Delay,
        Second,
        Lose
    };
    Kind kind;
    long arg = -1;  // -1: the kind's default
    long n = 1;
    bool every = false;

    bool hits(long request) const;
};

// Parses "KIND[=ARG]@N" or "KIND[=ARG]%N"; nullopt with `error` set.
std::optional<Fault> parseFault(const std::string& spec, std::string& error);

// What goes on the line for one request.
struct Outgoing {
    Bytes bytes;  // the frames, one after the other
    long delayMs = 0;
    bool silent = false;
};

Outgoing applyFaults(const std::vector<Fault>& faults, long request, const Bytes& requestFrame,
                     std::vector<Bytes> replies, const Panel& panel);

}  // namespace panelsim
