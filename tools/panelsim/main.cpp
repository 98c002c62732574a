// tavrin-panelsim: a simulated panel on a pseudo-terminal. It prints the
// path of the terminal as the first line of stdout and answers requests
// until it is killed or its stdin closes.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "faults.h"
#include "k2_memory.h"
#include "k2_panel.h"
#include "pty_line.h"
#include "r7_panel.h"
#include "s5_console.h"

namespace panelsim {
namespace {

// A request whose bytes stop coming for this long is dropped unfinished.
constexpr std::uint64_t kFrameGapNs = 50ull * 1000000ull;

const char* const kHelp =
    "Usage: tavrin-panelsim --family k2|r7|s5 [options]\n"
    "\n"
    "Opens a pseudo-terminal, prints its path as the first line of stdout and\n"
    "answers as a panel of the family until killed or until stdin closes.\n"
    "\n"
    "Options:\n"
    "  --family k2|r7|s5  the panel family (\"Талвир К2\", \"Ордис Р7\" or the\n"
    "                     \"Версан С5\" console, which speaks first: see below)\n"
    "  --db PATH          preload the panel memory from a database file (s5: a\n"
    "                     database folder)\n"
    "  --detectors N      k2: put N smoke detectors into an empty memory\n"
    "  --demo             k2: a demo database (a few dozen devices in named\n"
    "                     loops, duty and employee keys) instead of an empty one\n"
    "  --journal N        the journal holds N generated records (default 0);\n"
    "                     r7: N events written into the ring of 2048, so the\n"
    "                     position is N mod 2048 and N >= 2048 has wrapped\n"
    "  --events N         k2: N active events over the four categories (default 0)\n"
    "  --firmware TEXT    the firmware version (default 1.04; r7: MAJOR.MINOR)\n"
    "  --address N        r7: the panel address (default: byte 7 of record 0\n"
    "                     of the memory, 1 for an empty panel)\n"
    "  --dump FILE        r7: write the memory (2048 records of 38 bytes) on exit\n"
    "  --firmware-out FILE  r7: write the firmware pages received, one line a\n"
    "                     page \"SEGMENT ADDRESS HEX\" and \"end\" after the end\n"
    "                     command, whenever they change\n"
    "  --baud N           pace replies at N baud (10 bits a byte) and count the\n"
    "                     wire time of requests; default: no pacing\n"
    "  --fault SPEC       spoil replies; may be repeated. SPEC is KIND[=ARG]@N\n"
    "                     (the Nth request) or KIND[=ARG]%N (every Nth):\n"
    "                       silence      no reply from request N on\n"
    "                       noreply      no reply to the request\n"
    "                       drop[=I]     drop byte I of the reply (default: last)\n"
    "                       badcrc       wrong checksum\n"
    "                       refuse[=S]   a refusal (r7: status S, default 2)\n"
    "                       badindex     a wrong record index echo\n"
    "                       stale        r7: the index of the request before\n"
    "                       lose         the Nth write is answered but not kept\n"
    "                       length       the body one byte short (length and\n"
    "                                    checksum consistent)\n"
    "                       oversize     r7: a body of 253 bytes\n"
    "                       garbage[=K]  K stray bytes before the reply (default 3)\n"
    "                       cut[=K]      only the first K bytes (default: half)\n"
    "                       delay=D      the reply starts D ms late\n"
    "                       second[=T]   r7: the second reply of a firmware frame\n"
    "                                    has type T (default 0x0B)\n"
    "  --verbose          print every request and reply to stderr\n"
    "\n"
    "The s5 console opens its link with 0x60, then sends one frame at a time\n"
    "with 3-bit sequence numbers, repeats an unanswered frame with the same\n"
    "number and answers every request kind from a database folder (--db DIR)\n"
    "or a generated database:\n"
    "  --lcps N           LCPs 1..N exist (default 2)\n"
    "  --records N        devices, objects and keys per LCP (default 3, max 255)\n"
    "  --idle MS          pace of its 0x64 frames while nothing is asked (100)\n"
    "  --repeat MS        an unanswered frame goes again this late (600)\n"
    "  --firmware N       the console's firmware version byte (default 12)\n"
    "  --journal N        EVENTS.dat holds N generated events (default 0)\n"
    "  --archives N       ARCH.dat names N archive files ARC00001.DAT...\n"
    "  --no-link L        the console has no link with LCP L (answers 0x75);\n"
    "                     may be repeated\n"
    "  --sd-dir DIR       files written to the SD card are stored in DIR\n"
    "  --ops-log FILE     a line per clock set, event clearing, program\n"
    "                     replacement, SD file and table written\n"
    "  Writes change the database; with --db DIR they are saved back to DIR.\n"
    "  --fault SPEC       KIND[=ARG]@N or KIND[=ARG]%N, N counting console frames\n"
    "                     from 1 (the first 0x60): silence[=MS] (default 6000),\n"
    "                     foreign, badlength[=K] (default 2), badcrc,\n"
    "                     changedcode, resync,\n"
    "                     refuse, wrongtype, wrongaddress, split, garbage[=K],\n"
    "                     long[=K] (K bytes, 100..255), repeat (answer lost),\n"
    "                     badrecord (a record fails its own checksum),\n"
    "                     lose (N counts the records written: that record is\n"
    "                     answered but not kept)\n"
    "  --help             this text\n";

struct Config {
    std::string family;
    std::string db;
    std::string dump;
    std::string firmwareOut;
    std::string firmware = "1.04";
    long journal = 0, events = 0, baud = 0, address = -1, detectors = 0;
    std::vector<Fault> faults;
    std::vector<std::string> faultSpecs;
    long lcps = 2, records = 3, idle = 100, repeat = 600, archives = 0;
    std::vector<int> noLink;
    std::string sdDir, opsLog;
    bool verbose = false;
    bool demo = false;
};

bool number(const std::string& s, long& out) {
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && end && *end == '\0' && out >= 0;
}

// Exit code 0 = run, 1 = error, 2 = help shown.
int parse(int argc, char** argv, Config& c) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 2;
        }
        if (a == "--verbose" || a == "-v") {
            c.verbose = true;
            continue;
        }
        if (a == "--demo") {
            c.demo = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << "tavrin-panelsim: " << a << " needs a value (see --help)\n";
            return 1;
        }
        const std::string v = argv[++i];
        bool ok = true;
        if (a == "--family") {
            c.family = v;
            ok = v == "k2" || v == "r7" || v == "s5";
        } else if (a == "--db") {
            c.db = v;
        } else if (a == "--dump") {
            c.dump = v;
        } else if (a == "--firmware-out") {
            c.firmwareOut = v;
        } else if (a == "--firmware") {
            c.firmware = v;
        } else if (a == "--journal") {
            ok = number(v, c.journal);
        } else if (a == "--events") {
            ok = number(v, c.events);
        } else if (a == "--baud") {
            ok = number(v, c.baud);
        } else if (a == "--address") {
            ok = number(v, c.address) && c.address <= 255;
        } else if (a == "--detectors") {
            ok = number(v, c.detectors) && c.detectors <= 128;
        } else if (a == "--lcps") {
            ok = number(v, c.lcps) && c.lcps >= 1 && c.lcps <= 64;
        } else if (a == "--records") {
            ok = number(v, c.records) && c.records <= 255;
        } else if (a == "--idle") {
            ok = number(v, c.idle);
        } else if (a == "--archives") {
            ok = number(v, c.archives) && c.archives <= 1000;
        } else if (a == "--no-link") {
            long l = 0;
            ok = number(v, l) && l >= 1 && l <= 64;
            c.noLink.push_back(static_cast<int>(l));
        } else if (a == "--sd-dir") {
            c.sdDir = v;
        } else if (a == "--ops-log") {
            c.opsLog = v;
        } else if (a == "--repeat") {
            ok = number(v, c.repeat) && c.repeat > 0;
        } else if (a == "--fault") {
            c.faultSpecs.push_back(v);  // parsed once the family is known
        } else {
            std::cerr << "tavrin-panelsim: unknown option " << a << " (see --help)\n";
            return 1;
        }
        if (!ok) {
            std::cerr << "tavrin-panelsim: bad value for " << a << ": " << v << "\n";
            return 1;
        }
    }
    if (c.family.empty()) {
        std::cerr << "tavrin-panelsim: --family k2|r7|s5 is required (see --help)\n";
        return 1;
    }
    std::string error;
    if (c.family == "s5") {
        if (!s5::checkConsoleFaults(c.faultSpecs, error)) {
            std::cerr << "tavrin-panelsim: " << error << "\n";
            return 1;
        }
        return 0;
    }
    for (const auto& spec : c.faultSpecs) {
        auto f = parseFault(spec, error);
        if (!f) {
            std::cerr << "tavrin-panelsim: " << error << "\n";
            return 1;
        }
        c.faults.push_back(*f);
    }
    return 0;
}

std::unique_ptr<Panel> makePanel(const Config& c) {
    if (c.family == "k2") {
        k2::Memory memory;
        if (!c.db.empty()) {
            std::string error;
            if (!k2::loadDatabaseFile(c.db, memory, error)) {
                std::cerr << "tavrin-panelsim: " << error << "\n";
                return nullptr;
            }
        }
        if (c.demo) {
            std::string error;
            if (!k2::loadDatabaseBytes(k2::demoDatabaseFile(), memory, error)) {
                std::cerr << "tavrin-panelsim: demo database: " << error << "\n";
                return nullptr;
            }
        }
        if (c.detectors > 0) k2::addDemoDevices(memory, static_cast<std::size_t>(c.detectors));
        k2::Options o;
        o.firmware = c.firmware;
        o.journalRecords = static_cast<int>(c.journal);
        o.activeEvents = static_cast<int>(c.events);
        return std::make_unique<k2::K2Panel>(o, memory);
    }
    r7::Options o;
    int major = 0, minor = 0;
    if (std::sscanf(c.firmware.c_str(), "%d.%d", &major, &minor) != 2 || major < 0 || major > 255 ||
        minor < 0 || minor > 255) {
        std::cerr << "tavrin-panelsim: r7 firmware must be MAJOR.MINOR\n";
        return nullptr;
    }
    o.major = major;
    o.minor = minor;
    o.address = static_cast<int>(c.address);
    o.journalEvents = c.journal;
    Bytes memory = r7::freshMemory(c.address > 0 ? static_cast<std::uint8_t>(c.address) : 1);
    if (!c.db.empty()) {
        std::string error;
        if (!r7::loadDatabaseFile(c.db, memory, error)) {
            std::cerr << "tavrin-panelsim: " << error << "\n";
            return nullptr;
        }
    }
    return std::make_unique<r7::R7Panel>(o, std::move(memory));
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

// Replaces a file's contents (written beside it, then renamed over it).
void writeText(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) return;
    }
    std::rename(temporary.c_str(), path.c_str());
}

int runS5(const Config& c) {
    s5::ConsoleOptions o;
    o.firmware = static_cast<int>(std::strtol(c.firmware.c_str(), nullptr, 10)) & 0xFF;
    if (c.firmware == "1.04") o.firmware = 12;  // the default of the panels means nothing here
    o.lcps = static_cast<int>(c.lcps);
    o.records = static_cast<int>(c.records);
    o.baud = c.baud;
    o.idleMs = c.idle;
    o.repeatMs = c.repeat;
    o.faults = c.faultSpecs;
    o.db = c.db;
    o.journal = static_cast<int>(c.journal);
    o.archives = static_cast<int>(c.archives);
    o.noLink = c.noLink;
    o.sdDir = c.sdDir;
    o.opsLog = c.opsLog;
    o.verbose = c.verbose;
    return s5::runConsole(o);
}

int run(const Config& c) {
    if (c.family == "s5") return runS5(c);
    std::unique_ptr<Panel> panel = makePanel(c);
    if (!panel) return 1;
    const auto* r7Panel = dynamic_cast<const r7::R7Panel*>(panel.get());
    PtyLine line;
    std::string error;
    if (!line.open(error)) {
        std::cerr << "tavrin-panelsim: " << error << "\n";
        return 1;
    }
    line.setBaud(c.baud);
    std::cout << line.slavePath() << std::endl;

    Bytes partial;
    std::uint64_t lastRx = 0;
    std::uint64_t rxWireEnd = 0;  // when the request bytes would have crossed the wire
    long requests = 0;
    long writes = 0;  // requests that changed the memory (for the lose fault)
    const bool loses = std::any_of(c.faults.begin(), c.faults.end(),
                                   [](const Fault& f) { return f.kind == Fault::Kind::Lose; });
    for (;;) {
        pollfd fds[2] = {{line.masterFd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int pr = ::poll(fds, 2, partial.empty() ? -1 : 20);
        if (pr < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[256];
            const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) break;  // stdin closed: the panel is switched off
        }
        const std::uint64_t now = monotonicNs();
        if (!partial.empty() && now - lastRx > kFrameGapNs) partial.clear();
        if (!(fds[0].revents & POLLIN)) continue;
        std::uint8_t buf[512];
        const ssize_t n = ::read(line.masterFd(), buf, sizeof buf);
        if (n <= 0) continue;
        rxWireEnd = std::max(rxWireEnd, now) + static_cast<std::uint64_t>(n) * line.byteNs();
        lastRx = now;
        for (ssize_t i = 0; i < n; ++i) {
            partial.push_back(buf[i]);
            const std::size_t size = panel->frameSize(partial);
            if (size == 0 || partial.size() < size) continue;
            const Bytes request = partial;
            partial.clear();
            if (request.size() < 2) continue;  // an empty frame: no command
            ++requests;
            if (loses) panel->remember();
            std::vector<Bytes> replies = panel->handle(request);
            if (loses && panel->changedSinceRemembered()) {
                ++writes;
                for (const Fault& f : c.faults) {
                    if (f.kind != Fault::Kind::Lose || !f.hits(writes)) continue;
                    panel->forget();
                    if (c.verbose) std::cerr << "#" << requests << " write not kept\n";
                    break;
                }
            }
            Outgoing out = applyFaults(c.faults, requests, request, std::move(replies), *panel);
            if (r7Panel && !c.firmwareOut.empty() && request.size() > 4 && request[4] >= 7 &&
                request[4] != 8) {
                writeText(c.firmwareOut, r7Panel->firmwareText());
            }
            if (c.verbose) {
                std::cerr << "#" << requests << " < " << hex(request) << "\n";
                std::cerr << "#" << requests << " > "
                          << (out.silent ? std::string("(silent)") : hex(out.bytes)) << "\n";
            }
            if (out.silent || out.bytes.empty()) continue;
            const std::uint64_t start = std::max(rxWireEnd, monotonicNs()) +
                                        static_cast<std::uint64_t>(out.delayMs) * 1000000ull;
            line.send(std::move(out.bytes), start);
        }
    }
    line.stop();
    if (r7Panel && !c.dump.empty()) {
        const Bytes& m = r7Panel->memory();
        writeText(c.dump, std::string(m.begin(), m.end()));
    }
    return 0;
}

}  // namespace
}  // namespace panelsim

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    panelsim::Config config;
    const int parsed = panelsim::parse(argc, argv, config);
    if (parsed != 0) return parsed == 2 ? 0 : 1;
    return panelsim::run(config);
}
