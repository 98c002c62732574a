#include "s5_console.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "base/crc8.h"
#include "pty_line.h"
#include "s5_console_db.h"

namespace panelsim::s5 {
namespace {

constexpr std::uint8_t kFromComputer = 0x80;
constexpr std::uint8_t kAckKind = 0xF5;
// A computer frame whose bytes stop coming for this long is dropped.
constexpr std::uint64_t kFrameGapNs = 50ull * 1000000ull;
constexpr std::uint64_t kMs = 1000000ull;

// Record sizes on the wire and the reply types: more follow / last.
struct RecordKind {
    std::uint8_t type, last;
    std::size_t size;
};
constexpr RecordKind kDevices{'U', 'V', 63};
constexpr RecordKind kObjects{'Q', 'X', 96};
constexpr RecordKind kKeys{'S', 'W', 32};

enum class FaultKind {
    Silence,       // =MS: say nothing for MS ms (default 6000) before the frame
    Foreign,       // a frame starting with 0x47 before the frame
    BadLength,     // the frame's length byte one too large (once)
    BadCrc,        // the frame's checksum wrong (once)
    ChangedCode,   // after the frame is answered, a repeat of it with another code
    Resync,        // a 0x60 (answered) before the frame
    Refuse,        // 0x75 instead of the frame
    WrongType,     // a record frame with another record type
    WrongAddress,  // a record frame with another LCP
    Split,         // the frame in two pieces 30 ms apart
    Garbage,       // =K stray bytes right behind the frame (default 3)
    Long,          // the frame padded to =K bytes (default 120)
    Repeat,        // the answer to the frame is lost: the frame goes again
    BadRecord,     // a record in the frame fails its own checksum
    Lose,          // the Nth record written (counted from 1) is answered but not kept
};

struct ConsoleFault {
    FaultKind kind;
    long arg = -1;
    long n = 1;
    bool every = false;
    bool hits(long frame) const { return every ? frame % n == 0 : frame == n; }
};

struct KindName {
    const char* name;
    FaultKind kind;
};
constexpr KindName kKinds[] = {
    {"silence", FaultKind::Silence},
    {"foreign", FaultKind::Foreign},
    {"badlength", FaultKind::BadLength},
    {"badcrc", FaultKind::BadCrc},
    {"changedcode", FaultKind::ChangedCode},
    {"resync", FaultKind::Resync},
    {"refuse", FaultKind::Refuse},
    {"wrongtype", FaultKind::WrongType},
    {"wrongaddress", FaultKind::WrongAddress},
    {"split", FaultKind::Split},
    {"garbage", FaultKind::Garbage},
    {"long", FaultKind::Long},
    {"repeat", FaultKind::Repeat},
    {"badrecord", FaultKind::BadRecord},
    {"lose", FaultKind::Lose},
};

std::optional<ConsoleFault> parse(const std::string& spec, std::string& error) {
    const auto at = spec.find_first_of("@%");
    if (at == std::string::npos) {
        error = "fault '" + spec + "' needs @N or %N";
        return std::nullopt;
    }
    std::string head = spec.substr(0, at), arg;
    if (const auto eq = head.find('='); eq != std::string::npos) {
        arg = head.substr(eq + 1);
        head.resize(eq);
    }
    ConsoleFault f{FaultKind::Silence};
    bool known = false;
    for (const auto& k : kKinds) {
        if (head == k.name) {
            f.kind = k.kind;
            known = true;
        }
    }
    char* end = nullptr;
    if (!known) {
        error = "unknown s5 fault '" + head + "'";
        return std::nullopt;
    }
    if (!arg.empty()) {
        f.arg = std::strtol(arg.c_str(), &end, 0);
        if (!end || *end || f.arg < 0) {
            error = "bad value in fault '" + spec + "'";
            return std::nullopt;
        }
    }
    f.every = spec[at] == '%';
    const std::string n = spec.substr(at + 1);
    f.n = std::strtol(n.c_str(), &end, 10);
    if (n.empty() || !end || *end || f.n <= 0) {
        error = "bad frame number in fault '" + spec + "'";
        return std::nullopt;
    }
    return f;
}

void seal(Bytes& f) {
    f[1] = static_cast<std::uint8_t>(f.size());
    f.back() = tavrin::Crc8(std::span<const std::uint8_t>(f.data(), f.size() - 1));
}

// A console frame without its start byte's sequence number yet.
Bytes frame(std::uint8_t code, const Bytes& data = {}) {
    Bytes f{0x50, 0, code};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(0);
    seal(f);
    return f;
}

std::string hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (const std::uint8_t x : b) {
        std::snprintf(buf, sizeof buf, "%02X ", x);
        s += buf;
    }
    return s;
}

class Console {
  public:
    Console(const ConsoleOptions& o, ConsoleDb db) : o_(o), db_(std::move(db)) {
        std::string error;
        for (const auto& spec : o.faults)
            faults_.push_back(*parse(spec, error));
    }

    // The console's answer to one computer frame (a request).
    Bytes answer(const Bytes& req) {
        const std::uint8_t kind = req[2];
        const auto at = [&req](std::size_t i) -> std::uint8_t {
            return i + 1 < req.size() ? req[i] : 0;
        };
        const int lcp = at(3);
        switch (kind) {
            case 's': {
                if (lcp != 0 && (!lcpExists(lcp) || noLink(lcp))) return frame(0x75);
                return frame(0x73,
                             {static_cast<std::uint8_t>(lcp == 0 ? o_.firmware : 10 + lcp), 0, 0});
            }
            case 'o': {
                const RecordKind* k = recordKind(at(4));
                if (!k || req.size() != 7 || lcp > 64) return frame(0x75);
                if (noLink(lcp)) return frame(0x75);
                return recordFrame(lcp, *k, at(5));
            }
            case 'n':
                return written(req);
            case 'm': {
                if (!lcpExists(lcp) || noLink(lcp)) return frame(0x75);
                if (at(4) == '1') {
                    const int index = at(5);
                    Bytes data{0x8D, static_cast<std::uint8_t>(lcp)};
                    // Past the last device: a record of zeros under another index.
                    const bool past = index >= count(lcp, kDevices);
                    data.push_back(static_cast<std::uint8_t>(past ? 0xFF : index));
                    const Bytes r = past ? Bytes(kDevices.size, 0) : record(lcp, kDevices, index);
                    data.insert(data.end(), r.begin(), r.end());
                    return frame(0x70, data);
                }
                if (at(4) == 'c') {
                    const std::uint8_t command = at(6), device = at(7);
                    if (command == 1)
                        return frame(0x72,
                                     {static_cast<std::uint8_t>(lcp), device, 17, 0x34, 0x12});
                    if (command == 2)
                        return frame(0x72, {static_cast<std::uint8_t>(lcp), device, 17, 1, 2, 3});
                    return frame(0x64);
                }
                return frame(0x75);
            }
            case 't': {
                if (req.size() != 6 || lcp > 64 || noLink(lcp)) return frame(0x75);
                const int k = at(4);
                std::uint16_t sum = 0;
                if (k >= 1 && k <= 3) sum = tableChecksum(k - 1, list(lcp, *kindByIndex(k - 1)));
                return frame(0x74,
                             {static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)});
            }
            case 'u':
                return dust(lcp, at(4));
            case 'v':
                return fileChunk(req);
            case 0xF0:
                return sdWrite(req);
            case 0xF1: {
                const std::string name(req.begin() + 4, req.end() - 1);
                if (req.size() < 6 || !sdFiles_.count(name)) return frame(0x75);
                logOp("replace " + name + " " + std::to_string(at(3)));
                return frame(0x64);
            }
            case 0xF2:
                if (req.size() != 5) return frame(0x75);
                logOp("clear " + std::to_string(at(3)));
                return frame(0x64);
            case 0xF3: {
                if (req.size() != 12) return frame(0x75);
                char text[80];
                std::snprintf(text, sizeof text, "clock %04d-%02d-%02d %02d:%02d:%02d weekday %d",
                              (req[3] << 8) | req[4], req[5], req[6], req[8], req[9], req[10],
                              req[7]);
                logOp(text);
                return frame(0x64);
            }
            default:
                return frame(0x75);
        }
    }

    int run() {
        PtyLine line;
        std::string error;
        if (!line.open(error)) {
            std::cerr << "tavrin-panelsim: " << error << "\n";
            return 1;
        }
        line.setBaud(o_.baud);
        line_ = &line;
        std::cout << line.slavePath() << std::endl;

        next_ = frame(0x60);
        nextAt_ = monotonicNs();
        Bytes partial;
        std::uint64_t lastRx = 0, rxWireEnd = 0;
        for (;;) {
            const std::uint64_t now = monotonicNs();
            // The next frame is handed to the line at once; the line starts it on time.
            if (!waiting_) sendNext(std::max(now, nextAt_));
            if (waiting_ && now >= repeatAt_) repeat(now);
            const std::uint64_t wake = waiting_ ? repeatAt_ : nextAt_;
            int timeout = wake > now ? static_cast<int>((wake - now) / kMs) + 1 : 0;
            if (!partial.empty()) timeout = std::min(timeout, 20);
            pollfd fds[2] = {{line.masterFd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
            const int pr = ::poll(fds, 2, timeout);
            if (pr < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
                char buf[256];
                if (::read(STDIN_FILENO, buf, sizeof buf) <= 0) break;
            }
            const std::uint64_t t = monotonicNs();
            if (!partial.empty() && t - lastRx > kFrameGapNs) partial.clear();
            if (!(fds[0].revents & POLLIN)) continue;
            std::uint8_t buf[512];
            const ssize_t n = ::read(line.masterFd(), buf, sizeof buf);
            if (n <= 0) continue;
            rxWireEnd = std::max(rxWireEnd, t) + static_cast<std::uint64_t>(n) * line.byteNs();
            lastRx = t;
            for (ssize_t i = 0; i < n; ++i) {
                if (partial.empty() && buf[i] != kFromComputer) continue;  // not a start byte
                partial.push_back(buf[i]);
                if (partial.size() < 2 || partial.size() < partial[1]) continue;
                const Bytes got = partial;
                partial.clear();
                received(got, std::max(rxWireEnd, monotonicNs()));
            }
        }
        line.stop();
        return 0;
    }

  private:
    bool lcpExists(int lcp) const { return lcp >= 1 && lcp <= db_.lcps; }
    bool noLink(int lcp) const {
        return std::find(o_.noLink.begin(), o_.noLink.end(), lcp) != o_.noLink.end();
    }
    static const RecordKind* recordKind(std::uint8_t type) {
        for (const RecordKind* k : {&kDevices, &kObjects, &kKeys})
            if (k->type == type) return k;
        return nullptr;
    }
    static const RecordKind* kindByIndex(int i) {
        return i == 0 ? &kDevices : i == 1 ? &kObjects : &kKeys;
    }
    static std::size_t kindIndex(const RecordKind& k) {
        return &k == &kDevices ? 0 : &k == &kObjects ? 1 : 2;
    }
    const std::vector<Bytes>& list(int lcp, const RecordKind& k) const {
        static const std::vector<Bytes> none;
        if (lcp < 0 || lcp > 64 || (lcp != 0 && !lcpExists(lcp))) return none;
        return db_.records[static_cast<std::size_t>(lcp)][kindIndex(k)];
    }
    int count(int lcp, const RecordKind& k) const { return static_cast<int>(list(lcp, k).size()); }
    Bytes record(int lcp, const RecordKind& k, int index) const {
        return list(lcp, k)[static_cast<std::size_t>(index)];
    }
    // A record of a series; past the end (and for an LCP the console does not
    // have) the last type with a record of zeros: the table is empty.
    Bytes recordFrame(int lcp, const RecordKind& k, int index) {
        const int n = count(lcp, k);
        Bytes data{index + 1 < n ? k.type : k.last, static_cast<std::uint8_t>(lcp),
                   static_cast<std::uint8_t>(index)};
        Bytes r = index < n ? record(lcp, k, index) : Bytes(k.size, 0);
        for (const ConsoleFault& fault : faults_) {
            // A record that fails its own checksum (the frame's stays right).
            if (fault.kind == FaultKind::BadRecord && fault.hits(frames_ + 1) && index < n)
                r[10] ^= 0x01;
        }
        data.insert(data.end(), r.begin(), r.end());
        return frame(0x70, data);
    }

    // 'n': one record of a table the computer writes. The first record (index
    // 0) starts the table anew, the last-type record ends it; a last-type
    // record of zeros at index 0 empties the table, and an empty device table
    // tells the console that its LCPs end before that LCP.
    Bytes written(const Bytes& req) {
        if (req.size() < 7) return frame(0x75);
        const int lcp = req[3];
        const std::uint8_t type = req[4];
        const int index = req[5];
        int kind = -1;
        bool last = false;
        const std::pair<std::uint8_t, std::uint8_t> types[3] = {{'T', 'V'}, {'P', 'X'}, {'R', 'W'}};
        for (int k = 0; k < 3; ++k) {
            if (type == types[k].first) kind = k;
            if (type == types[k].second) {
                kind = k;
                last = true;
            }
        }
        if (kind < 0 || lcp > 64 || (lcp == 0 && kind != 2) ||
            req.size() != 7 + kWireSize[static_cast<std::size_t>(kind)]) {
            return frame(0x75);
        }
        if (noLink(lcp)) return frame(0x75);
        Bytes r(req.begin() + 6, req.end() - 1);
        const bool zero = std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
        auto& pending = pending_[static_cast<std::size_t>(lcp)][static_cast<std::size_t>(kind)];
        if (index == 0) pending.clear();
        // Records come in order, each with a right checksum; only the table's
        // single last record may be all zero (the empty table).
        if (index != static_cast<int>(pending.size()) || (!zero && !recordChecksumOk(kind, r)) ||
            (zero && !(last && index == 0))) {
            logOp("write refused " + std::to_string(lcp) + " " + std::to_string(kind) + " " +
                  std::to_string(index));
            return frame(0x75);
        }
        if (index == 0) lost_.clear();
        if (!zero) {
            pending.push_back(r);
            ++recordsWritten_;
            for (const ConsoleFault& fault : faults_) {
                if (fault.kind == FaultKind::Lose && fault.hits(recordsWritten_))
                    lost_.push_back(pending.size() - 1);
            }
        }
        if (!last) return frame(0x71, {static_cast<std::uint8_t>(index)});
        // A record the fault loses was answered like the others but is not kept.
        std::vector<Bytes> kept;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (std::find(lost_.begin(), lost_.end(), i) == lost_.end()) kept.push_back(pending[i]);
        }
        commit(lcp, kind, kept);
        pending.clear();
        lost_.clear();
        return frame(0x64);
    }

    void commit(int lcp, int kind, const std::vector<Bytes>& table) {
        if (lcp == 0) {
            db_.records[0][2] = table;
        } else if (kind == 0 && table.empty()) {
            // No LCP from here on.
            for (int l = lcp; l <= 64; ++l)
                db_.records[static_cast<std::size_t>(l)] = {};
            db_.lcps = std::min(db_.lcps, lcp - 1);
        } else {
            if (kind == 0) db_.lcps = std::max(db_.lcps, lcp);
            db_.records[static_cast<std::size_t>(lcp)][static_cast<std::size_t>(kind)] = table;
        }
        logOp("table " + std::to_string(lcp) + " " + std::to_string(kind) + " " +
              std::to_string(table.size()));
        if (!o_.db.empty() && !saveDb(o_.db, db_))
            std::cerr << "tavrin-panelsim: cannot save " << o_.db << "\n";
    }

    // 'u': (slot, value) pairs of the LCP's detectors, eight a chunk.
    Bytes dust(int lcp, int chunk) {
        if (!lcpExists(lcp) || noLink(lcp)) return frame(0x75);
        static constexpr std::uint8_t kDetectors[] = {12, 36, 17, 25, 32, 33, 42, 37};
        std::vector<std::uint8_t> slots;
        const auto& devices = list(lcp, kDevices);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (std::find(std::begin(kDetectors), std::end(kDetectors), devices[i][1]) !=
                std::end(kDetectors))
                slots.push_back(static_cast<std::uint8_t>(i));
        }
        constexpr std::size_t kPairs = 8;
        const std::size_t first = static_cast<std::size_t>(chunk) * kPairs;
        Bytes data{static_cast<std::uint8_t>(lcp)};
        for (std::size_t i = first; i < std::min(slots.size(), first + kPairs); ++i) {
            data.push_back(slots[i]);
            data.push_back(static_cast<std::uint8_t>((slots[i] * 3 + lcp) % 11));
        }
        return frame(first + kPairs < slots.size() ? 0x76 : 0x77, data);
    }

    // 'v': a file of the console in 64-byte chunks ('R' more follow, 'T' last).
    Bytes fileChunk(const Bytes& req) {
        if (req.size() < 7) return frame(0x75);
        const int chunk = req[3] | (req[4] << 8);
        const std::string name(req.begin() + 5, req.end() - 1);
        Bytes file;
        if (name == "EVENTS.dat") {
            file = eventFile(db_, o_.journal, 0);
        } else if (name == "ARCH.dat") {
            file = archiveList(o_.archives);
        } else {
            int n = 0;
            for (int a = 1; a <= o_.archives; ++a)
                if (name == archiveName(a)) n = a;
            if (n == 0) return frame(0x75);
            file = eventFile(db_, 5 + n, n);
        }
        constexpr std::size_t kChunk = 64;
        const std::size_t from = static_cast<std::size_t>(chunk) * kChunk;
        const std::size_t to = std::min(file.size(), from + kChunk);
        Bytes data{static_cast<std::uint8_t>(to >= file.size() ? 'T' : 'R'), req[3], req[4]};
        if (from < file.size())
            data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(from),
                        file.begin() + static_cast<std::ptrdiff_t>(to));
        return frame(0x70, data);
    }

    // 0xF0: a file onto the SD card: the header names it (chunk 0), then the
    // chunks from 1 in order, 80 bytes each (the frame: data + 7 bytes, a
    // zero before the checksum), the last one shorter with bit 7 of the
    // number's high byte set.
    Bytes sdWrite(const Bytes& req) {
        if (req.size() < 7) return frame(0x75);
        const int number = req[3] | ((req[4] & 0x7F) << 8);
        const bool last = (req[4] & 0x80) != 0;
        const auto refuse = [this](const std::string& why) {
            logOp("sd refused: " + why);
            sdOpen_ = false;
            return frame(0x75);
        };
        if (number == 0 && !last) {
            sdName_.assign(req.begin() + 5, req.end() - 1);
            sdData_.clear();
            sdNext_ = 1;
            sdOpen_ = !sdName_.empty();
            return sdOpen_ ? frame(0x71, {0}) : refuse("no name");
        }
        if (!sdOpen_) return refuse("no header");
        if (number != sdNext_) return refuse("chunk " + std::to_string(number));
        const std::size_t n = req.size() - 7;
        if (req[req.size() - 2] != 0) return refuse("no zero before the checksum");
        if (n > 80 || (!last && n != 80) || (last && n == 80))
            return refuse("size " + std::to_string(n));
        sdData_.insert(sdData_.end(), req.begin() + 5,
                       req.begin() + 5 + static_cast<std::ptrdiff_t>(n));
        ++sdNext_;
        if (last) {
            sdOpen_ = false;
            sdFiles_[sdName_] = sdData_;
            logOp("sd " + sdName_ + " " + std::to_string(sdData_.size()));
            if (!o_.sdDir.empty()) {
                std::ofstream out(o_.sdDir + "/" + sdName_, std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(sdData_.data()),
                          static_cast<std::streamsize>(sdData_.size()));
            }
        }
        return frame(0x71, {req[3]});
    }

    void logOp(const std::string& line) {
        if (o_.verbose) std::cerr << "= " << line << "\n";
        if (o_.opsLog.empty()) return;
        std::ofstream out(o_.opsLog, std::ios::app);
        out << line << "\n";
    }

    // The computer's frame: an answer to the frame that waits for one.
    void received(const Bytes& f, std::uint64_t at) {
        const bool valid =
            f.size() >= 4 && f[1] == f.size() &&
            tavrin::Crc8(std::span<const std::uint8_t>(f.data(), f.size() - 1)) == f.back();
        if (o_.verbose) std::cerr << "< " << hex(f) << (valid ? "" : "(bad)") << "\n";
        if (!valid || !waiting_) return;
        everAnswered_ = true;
        if (ignoreAnswer_) {
            // The answer is lost on its way: the frame goes again soon.
            ignoreAnswer_ = false;
            repeatAt_ = at + 20 * kMs;
            return;
        }
        waiting_ = false;
        unanswered_ = 0;
        seq_ = (seq_ + 1) & 7;
        if (pendingChangedCode_) {
            // The same number again with another code: the answer was not heard.
            pendingChangedCode_ = false;
            Bytes odd = current_;
            odd[2] = odd[2] == 0x64 ? 0x71 : 0x64;
            seal(odd);
            seq_ = (seq_ - 1) & 7;
            next_ = odd;
            nextAt_ = at;
            sameNumber_ = true;
            return;
        }
        if (deferred_) {
            next_ = *deferred_;
            deferred_.reset();
            nextAt_ = at;
            return;
        }
        if (f[2] == kAckKind) {
            next_ = frame(0x64);
            nextAt_ = at + static_cast<std::uint64_t>(o_.idleMs) * kMs;
        } else {
            next_ = answer(f);
            nextAt_ = at;
        }
    }

    void put(Bytes bytes, std::uint64_t at) {
        if (o_.verbose) std::cerr << "> " << hex(bytes) << "\n";
        line_->send(std::move(bytes), at);
    }

    void sendNext(std::uint64_t now) {
        ++frames_;
        for (const ConsoleFault& fault : faults_) {
            if (fault.kind == FaultKind::Resync && fault.hits(frames_) && !deferred_) {
                // The link opened anew in the middle: the frame waits behind the 0x60.
                deferred_ = next_;
                next_ = frame(0x60);
            }
        }
        Bytes f = next_;
        f[0] = static_cast<std::uint8_t>(0x50 | seq_);
        if (!sameNumber_) seal(f);
        sameNumber_ = false;
        current_ = f;
        Bytes wire = f;
        Bytes after;
        std::uint64_t at = now;
        for (const ConsoleFault& fault : faults_) {
            if (!fault.hits(frames_)) continue;
            switch (fault.kind) {
                case FaultKind::Silence:
                    at += static_cast<std::uint64_t>(fault.arg >= 0 ? fault.arg : 6000) * kMs;
                    break;
                case FaultKind::Foreign:
                    put(Bytes{0x47, 4, 0x64, 0x00}, at);
                    break;
                case FaultKind::Resync:
                    break;  // handled before the frame is built
                case FaultKind::BadLength:
                    wire[1] = static_cast<std::uint8_t>(fault.arg >= 0 ? fault.arg : 2);
                    break;
                case FaultKind::BadCrc:
                    wire.back() ^= 0x5A;
                    break;
                case FaultKind::ChangedCode:
                    pendingChangedCode_ = true;
                    break;
                case FaultKind::Refuse:
                    current_ = frame(0x75);
                    current_[0] = static_cast<std::uint8_t>(0x50 | seq_);
                    seal(current_);
                    wire = current_;
                    break;
                case FaultKind::WrongType:
                case FaultKind::WrongAddress:
                    if (current_[2] == 0x70 && current_.size() > 6) {
                        current_[fault.kind == FaultKind::WrongType ? 3 : 4] ^= 0x01;
                        seal(current_);
                        wire = current_;
                    }
                    break;
                case FaultKind::Split:
                    break;
                case FaultKind::Garbage:
                    for (long i = 0; i < (fault.arg >= 0 ? fault.arg : 3); ++i)
                        after.push_back(static_cast<std::uint8_t>(0xAA + i));
                    break;
                case FaultKind::Long: {
                    const std::size_t size = static_cast<std::size_t>(
                        std::clamp<long>(fault.arg >= 0 ? fault.arg : 120, 100, 255));
                    if (current_.size() < size) {
                        current_.insert(current_.end() - 1, size - current_.size(), 0);
                        seal(current_);
                        wire = current_;
                    }
                    break;
                }
                case FaultKind::Repeat:
                    ignoreAnswer_ = true;
                    break;
                case FaultKind::BadRecord:
                case FaultKind::Lose:
                    break;  // made with the record
            }
        }
        bool split = false;
        for (const ConsoleFault& fault : faults_)
            split = split || (fault.kind == FaultKind::Split && fault.hits(frames_));
        if (split && wire.size() > 2) {
            const auto half = wire.begin() + static_cast<std::ptrdiff_t>(wire.size() / 2);
            put(Bytes(wire.begin(), half), at);
            Bytes rest(half, wire.end());
            rest.insert(rest.end(), after.begin(), after.end());
            put(rest, at + 30 * kMs);
        } else {
            wire.insert(wire.end(), after.begin(), after.end());
            put(wire, at);
        }
        waiting_ = true;
        sentAt_ = at;
        repeatAt_ = at + wireNs(current_.size()) + static_cast<std::uint64_t>(o_.repeatMs) * kMs;
    }

    void repeat(std::uint64_t now) {
        if (everAnswered_ && ++unanswered_ > o_.repeatsBeforeRestart) {
            // Nobody hears this link: open it anew.
            unanswered_ = 0;
            seq_ = (seq_ + 1) & 7;
            Bytes s = frame(0x60);
            s[0] = static_cast<std::uint8_t>(0x50 | seq_);
            seal(s);
            current_ = s;
        }
        put(current_, now);
        repeatAt_ = now + wireNs(current_.size()) + static_cast<std::uint64_t>(o_.repeatMs) * kMs;
    }

    std::uint64_t wireNs(std::size_t n) const { return line_->byteNs() * n; }

    ConsoleOptions o_;
    ConsoleDb db_;
    std::vector<ConsoleFault> faults_;
    PtyLine* line_ = nullptr;
    Bytes next_, current_;
    std::uint64_t nextAt_ = 0, sentAt_ = 0, repeatAt_ = 0;
    bool waiting_ = false;
    bool sameNumber_ = false;
    bool pendingChangedCode_ = false;
    bool ignoreAnswer_ = false;
    bool everAnswered_ = false;
    std::optional<Bytes> deferred_;
    std::vector<std::array<std::vector<Bytes>, 3>> pending_ =
        std::vector<std::array<std::vector<Bytes>, 3>>(65);
    std::vector<std::size_t> lost_;  // indexes of the table being written that are lost
    long recordsWritten_ = 0;
    std::map<std::string, Bytes> sdFiles_;
    std::string sdName_;
    Bytes sdData_;
    int sdNext_ = 1;
    bool sdOpen_ = false;
    int seq_ = 0;
    int unanswered_ = 0;
    long frames_ = 0;
};

}  // namespace

bool checkConsoleFaults(const std::vector<std::string>& faults, std::string& error) {
    for (const auto& spec : faults)
        if (!parse(spec, error)) return false;
    return true;
}

int runConsole(const ConsoleOptions& options) {
    ConsoleDb db;
    if (options.db.empty()) {
        db = generatedDb(options.lcps, options.records, options.commonKeys);
    } else if (std::string error; !loadDb(options.db, db, error)) {
        std::cerr << "tavrin-panelsim: " << error << "\n";
        return 1;
    }
    Console console(options, std::move(db));
    return console.run();
}

}  // namespace panelsim::s5
