#include "editor/db_diff.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace tavrin {

namespace {

// Above this many cells the run of equal items is not searched for; the
// items are then only paired by kind and order. (A renumbering family holds
// at most a few thousand items, far below it.)
constexpr std::size_t kMaxAlignCells = 32u * 1024u * 1024u;

// The two lists being compared, with the row keys of the second translated
// into the first's names (-1: a key the first list does not have).
struct Sides {
    const DbItemList& a;
    const DbItemList& b;
    std::vector<std::int64_t> keyOfB;

    Sides(const DbItemList& x, const DbItemList& y) : a(x), b(y) {
        std::unordered_map<std::string_view, std::uint32_t> index;
        index.reserve(a.names.size());
        for (std::uint32_t i = 0; i < a.names.size(); ++i)
            index.emplace(a.names[i], i);
        keyOfB.resize(b.names.size(), -1);
        for (std::uint32_t i = 0; i < b.names.size(); ++i) {
            if (const auto it = index.find(b.names[i]); it != index.end()) keyOfB[i] = it->second;
        }
    }
    bool sameKey(const DbRow& ra, const DbRow& rb) const {
        return keyOfB[rb.key] == static_cast<std::int64_t>(ra.key);
    }
};

std::uint64_t mixHash(std::uint64_t h, std::string_view s) {
    return h ^ (std::hash<std::string_view>{}(s) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

std::uint64_t contentHash(const DbItemList& list, const DbItem& item) {
    std::uint64_t h = 1469598103934665603ull;
    h = mixHash(h, list.label(item));
    h = mixHash(h, std::to_string(item.image) + (item.topLevel ? "t" : "f"));
    for (const DbRow& r : item.rows) {
        h = mixHash(h, list.name(r.key));
        h = mixHash(h, r.text);
    }
    return h;
}

bool sameKind(const DbItem& a, const DbItem& b) {
    return a.topLevel == b.topLevel && a.image == b.image;
}

bool sameContent(const Sides& s, const DbItem& a, const DbItem& b) {
    if (!sameKind(a, b) || s.a.label(a) != s.b.label(b) || a.rows.size() != b.rows.size())
        return false;
    for (std::size_t k = 0; k < a.rows.size(); ++k) {
        if (!s.sameKey(a.rows[k], b.rows[k]) || a.rows[k].text != b.rows[k].text) return false;
    }
    return true;
}

// Pairs the items of A[a0, a1) and B[b0, b1) that are of one kind: first
// those that also carry the same label, then the rest in order.
void pairGap(const Sides& s, std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1,
             std::vector<int>& pa, std::vector<int>& pb) {
    const auto& a = s.a.items;
    const auto& b = s.b.items;
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t from = b0;  // keeps the pairs in order within one pass
        for (std::size_t i = a0; i < a1; ++i) {
            if (pa[i] >= 0) continue;
            for (std::size_t j = from; j < b1; ++j) {
                if (pb[j] >= 0 || !sameKind(a[i], b[j])) continue;
                if (pass == 0 && s.a.label(a[i]) != s.b.label(b[j])) continue;
                pa[i] = static_cast<int>(j);
                pb[j] = static_cast<int>(i);
                from = j + 1;
                break;
            }
        }
    }
}

void alignByContent(const Sides& s, std::vector<int>& pa, std::vector<int>& pb) {
    const auto& a = s.a.items;
    const auto& b = s.b.items;
    std::vector<std::uint64_t> ha(a.size()), hb(b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ha[i] = contentHash(s.a, a[i]);
    for (std::size_t j = 0; j < b.size(); ++j)
        hb[j] = contentHash(s.b, b[j]);
    auto equal = [&](std::size_t i, std::size_t j) {
        return ha[i] == hb[j] && sameContent(s, a[i], b[j]);
    };
    // The equal head and tail are kept in step at once.
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && equal(head, head)) {
        pa[head] = static_cast<int>(head);
        pb[head] = static_cast<int>(head);
        ++head;
    }
    std::size_t ta = a.size(), tb = b.size();
    while (ta > head && tb > head && equal(ta - 1, tb - 1)) {
        --ta;
        --tb;
        pa[ta] = static_cast<int>(tb);
        pb[tb] = static_cast<int>(ta);
    }
    const std::size_t n = ta - head, m = tb - head;
    if (n > 0 && m > 0 && (n + 1) * (m + 1) <= kMaxAlignCells) {
        // The longest run of equal items (longest common subsequence), from the back.
        const std::size_t w = m + 1;
        std::vector<std::uint16_t> len((n + 1) * w, 0);
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t j = m; j-- > 0;) {
                len[i * w + j] = equal(head + i, head + j)
                                     ? static_cast<std::uint16_t>(len[(i + 1) * w + j + 1] + 1)
                                     : std::max(len[(i + 1) * w + j], len[i * w + j + 1]);
            }
        }
        std::size_t i = 0, j = 0;
        while (i < n && j < m) {
            if (equal(head + i, head + j)) {
                pa[head + i] = static_cast<int>(head + j);
                pb[head + j] = static_cast<int>(head + i);
                ++i;
                ++j;
            } else if (len[(i + 1) * w + j] >= len[i * w + j + 1]) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    // Between two kept items, pair what is left by kind.
    std::size_t a0 = 0, b0 = 0;
    for (std::size_t i = 0; i <= a.size(); ++i) {
        if (i < a.size() && pa[i] < 0) continue;
        const std::size_t b1 = i < a.size() ? static_cast<std::size_t>(pa[i]) : b.size();
        if (b1 >= b0) pairGap(s, a0, i, b0, b1, pa, pb);
        a0 = i + 1;
        b0 = b1 + 1;
    }
}

void alignByCode(const Sides& s, std::vector<int>& pa, std::vector<int>& pb) {
    const auto& a = s.a.items;
    const auto& b = s.b.items;
    std::unordered_map<std::int64_t, int> where;
    where.reserve(b.size());
    auto key = [](const DbItem& it) {
        return (static_cast<std::int64_t>(it.code) << 1) | (it.topLevel ? 1 : 0);
    };
    for (std::size_t j = 0; j < b.size(); ++j)
        where.emplace(key(b[j]), static_cast<int>(j));
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto it = where.find(key(a[i]));
        if (it == where.end() || pb[static_cast<std::size_t>(it->second)] >= 0) continue;
        pa[i] = it->second;
        pb[static_cast<std::size_t>(it->second)] = static_cast<int>(i);
    }
}

void compareRows(const Sides& s, const DbItem& a, const DbItem& b, std::vector<DiffEntry>& out) {
    std::string path;  // made once the item has a difference
    auto entry = [&](const std::string& row, const std::string& ours, const std::string& theirs) {
        if (path.empty()) path = s.a.pathText(a);
        DiffEntry e;
        e.kind = DiffEntry::Kind::Changed;
        e.path = path;
        e.ours = s.a.path(a);
        e.theirs = s.b.path(b);
        e.row = row;
        e.ourText = ours;
        e.theirText = theirs;
        out.push_back(std::move(e));
    };
    // Rows are matched by key (and by order among rows of one key); the
    // row keeps the name it has in the first database.
    std::vector<bool> used(b.rows.size(), false);
    std::size_t from = 0;  // rows mostly come in the same order
    for (const DbRow& r : a.rows) {
        std::size_t j = b.rows.size();
        for (std::size_t k = 0; k < b.rows.size(); ++k) {
            const std::size_t c = (from + k) % b.rows.size();
            if (!used[c] && s.sameKey(r, b.rows[c])) {
                j = c;
                break;
            }
        }
        if (j == b.rows.size()) {
            entry(s.a.name(r.name), r.text, "");
            continue;
        }
        used[j] = true;
        from = j + 1;
        if (b.rows[j].text != r.text) entry(s.a.name(r.name), r.text, b.rows[j].text);
    }
    for (std::size_t j = 0; j < b.rows.size(); ++j) {
        if (!used[j]) entry(s.b.name(b.rows[j].name), "", b.rows[j].text);
    }
}

}  // namespace

std::vector<DiffEntry> diffItems(const DbItemList& ours, const DbItemList& theirs,
                                 bool codesRenumber) {
    const Sides s(ours, theirs);
    std::vector<int> pa(ours.items.size(), -1), pb(theirs.items.size(), -1);
    if (codesRenumber)
        alignByContent(s, pa, pb);
    else
        alignByCode(s, pa, pb);

    std::vector<DiffEntry> out;
    auto removed = [&](std::size_t i) {
        DiffEntry e;
        e.kind = DiffEntry::Kind::Removed;
        e.path = ours.pathText(ours.items[i]);
        e.ours = ours.path(ours.items[i]);
        out.push_back(std::move(e));
    };
    // In the second database's order, each removed item before the first
    // item that follows it in the first database.
    std::size_t next = 0;
    for (std::size_t j = 0; j < theirs.items.size(); ++j) {
        if (pb[j] < 0) {
            DiffEntry e;
            e.kind = DiffEntry::Kind::Added;
            e.path = theirs.pathText(theirs.items[j]);
            e.theirs = theirs.path(theirs.items[j]);
            out.push_back(std::move(e));
            continue;
        }
        const auto i = static_cast<std::size_t>(pb[j]);
        for (; next < i; ++next) {
            if (pa[next] < 0) removed(next);
        }
        if (next == i) ++next;
        compareRows(s, ours.items[i], theirs.items[j], out);
    }
    for (; next < ours.items.size(); ++next) {
        if (pa[next] < 0) removed(next);
    }
    return out;
}

std::vector<DiffEntry> diffDatabases(DBase& ours, DBase& theirs, FamilyTreeFactory factory,
                                     bool* available) {
    const DbItemList x = listDbItems(ours, factory);
    const DbItemList y = listDbItems(theirs, factory);
    if (available) *available = x.available && y.available;
    return diffItems(x, y, ours.traits().itemCodesRenumber);
}

std::string formatDiffEntry(const DiffEntry& e) {
    switch (e.kind) {
        case DiffEntry::Kind::Added:
            return e.path + ": added";
        case DiffEntry::Kind::Removed:
            return e.path + ": removed";
        case DiffEntry::Kind::Changed:
            break;
    }
    return e.path + ": changed: " + e.row + ": " + e.ourText + " → " + e.theirText;
}

std::size_t countChangedItems(const std::vector<DiffEntry>& entries) {
    std::size_t count = 0;
    const DiffEntry* last = nullptr;
    for (const DiffEntry& e : entries) {
        if (!last || e.kind != DiffEntry::Kind::Changed || last->kind != DiffEntry::Kind::Changed ||
            last->ours != e.ours || last->theirs != e.theirs)
            ++count;
        last = &e;
    }
    return count;
}

}  // namespace tavrin
