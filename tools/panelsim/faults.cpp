#include "faults.h"

#include <cstdlib>

namespace panelsim {

namespace {

struct KindName {
    const char* name;
    Fault::Kind kind;
    bool needsArg;
};

constexpr KindName kKinds[] = {
    {"silence", Fault::Kind::Silence, false},   {"noreply", Fault::Kind::NoReply, false},
    {"drop", Fault::Kind::Drop, false},         {"badcrc", Fault::Kind::BadCrc, false},
    {"refuse", Fault::Kind::Refuse, false},     {"badindex", Fault::Kind::BadIndex, false},
    {"garbage", Fault::Kind::Garbage, false},   {"cut", Fault::Kind::Cut, false},
    {"delay", Fault::Kind::Delay, true},        {"second", Fault::Kind::Second, false},
    {"stale", Fault::Kind::Stale, false},       {"length", Fault::Kind::Length, false},
    {"oversize", Fault::Kind::Oversize, false}, {"lose", Fault::Kind::Lose, false},
};

bool parseNumber(const std::string& text, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 0);
    return end && *end == '\0' && out >= 0;
}

}  // namespace

bool Fault::hits(long request) const {
    if (every) return n > 0 && request % n == 0;
    if (kind == Kind::Silence) return request >= n;
    return request == n;
}

std::optional<Fault> parseFault(const std::string& spec, std::string& error) {
    const auto at = spec.find_first_of("@%");
    if (at == std::string::npos) {
        error = "fault '" + spec + "' needs @N or %N";
        return std::nullopt;
    }
    std::string head = spec.substr(0, at);
    std::string arg;
    if (const auto eq = head.find('='); eq != std::string::npos) {
        arg = head.substr(eq + 1);
        head.resize(eq);
    }
    Fault f{};
    bool known = false;
    for (const auto& k : kKinds) {
        if (head == k.name) {
            f.kind = k.kind;
            known = true;
            if (k.needsArg && arg.empty()) {
                error = "fault '" + head + "' needs =VALUE";
                return std::nullopt;
            }
        }
    }
    if (!known) {
        error = "unknown fault '" + head + "'";
        return std::nullopt;
    }
    if (!arg.empty() && !parseNumber(arg, f.arg)) {
        error = "bad value in fault '" + spec + "'";
        return std::nullopt;
    }
    f.every = spec[at] == '%';
    if (!parseNumber(spec.substr(at + 1), f.n) || f.n == 0) {
        error = "bad request number in fault '" + spec + "'";
        return std::nullopt;
    }
    return f;
}

Outgoing applyFaults(const std::vector<Fault>& faults, long request, const Bytes& requestFrame,
                     std::vector<Bytes> replies, const Panel& panel) {
    Outgoing out;
    Bytes garbage;
    for (const Fault& f : faults) {
        if (!f.hits(request)) continue;
        Bytes* first = replies.empty() ? nullptr : &replies.front();
        switch (f.kind) {
            case Fault::Kind::Silence:
            case Fault::Kind::NoReply:
                out.silent = true;
                break;
            case Fault::Kind::Drop:
                if (first && !first->empty()) {
                    const std::size_t i =
                        f.arg >= 0 && static_cast<std::size_t>(f.arg) < first->size()
                            ? static_cast<std::size_t>(f.arg)
                            : first->size() - 1;
                    first->erase(first->begin() + static_cast<std::ptrdiff_t>(i));
                }
                break;
            case Fault::Kind::BadCrc:
                if (first && !first->empty()) first->back() ^= 0x5A;
                break;
            case Fault::Kind::Refuse:
                replies = {panel.refusal(requestFrame, f.arg >= 0 ? static_cast<int>(f.arg) : 2)};
                break;
            case Fault::Kind::BadIndex:
                if (first) panel.spoilIndex(*first);
                break;
            case Fault::Kind::Stale:
                if (first) panel.staleIndex(*first);
                break;
            case Fault::Kind::Length:
                if (first) panel.shortenBody(*first);
                break;
            case Fault::Kind::Oversize:
                if (first) replies = {panel.oversize(*first)};
                break;
            case Fault::Kind::Garbage:
                for (long i = 0; i < (f.arg >= 0 ? f.arg : 3); ++i) {
                    garbage.push_back(static_cast<std::uint8_t>(0x55 + 0x22 * i));
                }
                break;
            case Fault::Kind::Cut:
                if (first) {
                    const std::size_t keep =
                        f.arg >= 0 ? static_cast<std::size_t>(f.arg) : first->size() / 2;
                    if (keep < first->size()) first->resize(keep);
                    replies.resize(1);
                }
                break;
            case Fault::Kind::Delay:
                out.delayMs += f.arg;
                break;
            case Fault::Kind::Lose:  // counted by the writes, before the reply (loseWrite)
                break;
            case Fault::Kind::Second:
                if (replies.size() >= 2 && panel.typeOffset() >= 0) {
                    Bytes& second = replies[1];
                    const auto at = static_cast<std::size_t>(panel.typeOffset());
                    if (at < second.size()) {
                        second[at] = static_cast<std::uint8_t>(f.arg >= 0 ? f.arg : 0x0B);
                        panel.sealFrame(second);
                    }
                }
                break;
        }
    }
    out.bytes = garbage;
    for (const Bytes& r : replies)
        out.bytes.insert(out.bytes.end(), r.begin(), r.end());
    return out;
}

}  // namespace panelsim
