// Golden results of the "Талвир К2" editor over one busy database: the grid
// rows of every item, what committing each row value and each second-tab mark
// does to the saved file, the CSV export, and the results of pasting every
// kind of item into every kind of target (same database and across two).
//
// Each section is reduced to a hash of its full text dump; a changed hash
// means the editor now shows or writes something else. Set
// TAVRIN_GOLDEN_DUMP to a folder to get the dumps as files for a diff.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "editor/k2/k2_tree.h"
#include "editor_test_util.h"

namespace tavrin::test {
namespace {

using namespace k2;

std::uint64_t fnv(const std::string& s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string hex(std::uint64_t v) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

std::string hashOf(const Bytes& b) {
    return hex(fnv(std::string(b.begin(), b.end())));
}

struct Lcg {
    std::uint32_t s;
    int next(int n) {
        s = s * 1103515245u + 12345u;
        return static_cast<int>((s >> 8) % static_cast<std::uint32_t>(n));
    }
};

constexpr int kPlacements[] = {5, 33, 70, 100, 0xFF, 40, 127, 12, 64, 98};
constexpr int kLogics[] = {0, 1, 2, 0xFF, 5};

// Fills the database with devices of every kind on loops of every group, keys
// of every kind, control loops of every logic with members, names, numbers
// and blocked marks.
void populate(DBK2& db, std::uint32_t seed, int perKind = 6) {
    Lcg r{seed};
    db.panelBlock[0] = static_cast<std::uint8_t>(r.next(256));
    for (int type = 0; type < 16; ++type) {
        for (int p = 0; p < perKind; ++p) {
            const int i = db.CreateElement(type, -1);
            if (i < 0) return;
            DeviceRecord& d = db.devices[static_cast<std::size_t>(i)];
            const int place = kPlacements[(type + p) % 10];
            d[kDevTypeCond] = static_cast<std::uint8_t>((r.next(16) << 4) | type);
            d[kDevSerial] = static_cast<std::uint8_t>(r.next(256));
            d[kDevSerial + 1] = static_cast<std::uint8_t>(r.next(256));
            d[kDevLoop] = static_cast<std::uint8_t>(place);
            if (type == kTypeTk3) {
                d[kDevLoop + 1] = static_cast<std::uint8_t>(kPlacements[r.next(10)]);
                d[kDevLoop + 2] = static_cast<std::uint8_t>(kPlacements[r.next(10)]);
            } else {
                d[kDevParam5] = static_cast<std::uint8_t>(r.next(256));
            }
            d[kDevParam6] = static_cast<std::uint8_t>(r.next(256));
            d[kDevChecksum] = recordChecksum(d, kDevChecksum);
            setBit(db.blockedDevices, static_cast<std::size_t>(i), r.next(4) == 0);
        }
    }
    for (int m = 0; m < kLoopCount; ++m) {
        LoopRecord& l = db.loops[static_cast<std::size_t>(m)];
        l[kLoopNumber] = static_cast<std::uint8_t>(r.next(3) == 0 ? r.next(256) : 0);
        l[kLoopNameIndex] = static_cast<std::uint8_t>(r.next(5) == 0 ? r.next(130) : m);
        l[kLoopParam7] = static_cast<std::uint8_t>(r.next(256));
        if (m >= kFirstControlLoop) {
            l[kLoopLogic] = static_cast<std::uint8_t>(kLogics[m % 5]);
        } else {
            for (int j = 0; j < kLoopLinkCount; ++j) {
                const bool linked = r.next(3) == 0;
                l[kLoopLink1 + static_cast<std::size_t>(j)] =
                    linked ? static_cast<std::uint8_t>(kFirstControlLoop + r.next(32)) : kNone;
            }
        }
        l[kLoopChecksum] = recordChecksum(l, kLoopChecksum);
        setBit(db.blockedLoops, static_cast<std::size_t>(m), r.next(6) == 0);
    }
    static const char* const kNames[] = {"склад", "Своё имя", "коридор", "", "касса  "};
    for (int n = 0; n < 20; ++n) {
        const std::string s = utf8ToCp1251(kNames[n % 5]);
        NameText& t = db.names[static_cast<std::size_t>(r.next(kNameCount))];
        t.fill(' ');
        for (std::size_t i = 0; i < s.size() && i < t.size(); ++i)
            t[i] = static_cast<std::uint8_t>(s[i]);
    }
    for (int k = 0; k < 14; ++k) {
        const int key = db.CreateKey();
        KeyRecord& rec = db.keys[static_cast<std::size_t>(key)];
        for (std::size_t i = 0; i < kKeyCodeSize; ++i)
            rec[kKeyCode + i] = static_cast<std::uint8_t>(r.next(256));
        rec[kKeyOrdinal] = static_cast<std::uint8_t>(r.next(3) == 0 ? kNone : r.next(256));
        rec[kKeyKind] = static_cast<std::uint8_t>((k % 2 ? kKeyEmployeeBit : 0) | (k / 2) % 4);
        for (std::size_t i = 0; i < kKeyApplicationSize; ++i)
            rec[kKeyApplication + i] = static_cast<std::uint8_t>(r.next(256));
    }
    db.modified = 0;
}

std::string dumpRows(const GridModel& grid) {
    std::string out;
    for (const GridRow& row : grid.rows()) {
        out += row.name + "|" + std::to_string(static_cast<int>(row.kind)) + "|" +
               std::to_string(row.field) + "|" + std::to_string(row.value) + "|" + row.text + "|" +
               std::to_string(row.minimum) + ".." + std::to_string(row.maximum) + "|d" +
               std::to_string(row.defaultEntry) + (row.rebuildsRows ? "|R" : "") +
               (row.changed ? "|C" : "") + (row.error ? "|E" : "") + "|L" +
               std::to_string(row.list.id) + ":";
        for (const auto& e : row.list.entries)
            out += e.text + "=" + std::to_string(e.value) + ",";
        if (row.kind == EditorKind::KeyNumber) out += "|K" + formatKeyNumber(row.key);
        out += "\n";
    }
    const CheckList& tab = grid.secondTab();
    out += "tab " + tab.caption + (tab.editable ? "" : " (ro)") + ":";
    for (const CheckEntry& e : tab.entries)
        out += e.label + "=" + std::to_string(e.value) + (e.checked ? "+" : "-") + ",";
    out += grid.modified() ? "\nmodified\n" : "\n";
    return out;
}

// The items a grid shows, by section name.
std::map<std::string, std::vector<ItemCode>> gridItems(DBK2& db) {
    std::map<std::string, std::vector<ItemCode>> items;
    items["root"] = {0};
    for (int m = 0; m < kLoopCount; ++m)
        items["loops"].push_back(0x80 + m);
    for (int k = 0; k < kKeyCount; ++k) {
        if (db.IsKeyInUse(k)) items["keys"].push_back(0x100 + k);
    }
    for (int i = 0; i < kDeviceCount; ++i) {
        if (db.IsDeviceInUse(i))
            items["device type " + std::to_string(deviceType(db.devices[std::size_t(i)]))]
                .push_back(i);
    }
    return items;
}

void dumpTo(const std::string& section, const std::string& text) {
    if (const char* dir = std::getenv("TAVRIN_GOLDEN_DUMP")) {
        std::ofstream(std::string(dir) + "/" + section + ".txt", std::ios::binary) << text;
    }
}

void expectGolden(const std::map<std::string, std::string>& dumps,
                  const std::map<std::string, std::string>& golden) {
    for (const auto& [section, text] : dumps) {
        dumpTo(section, text);
        const auto it = golden.find(section);
        EXPECT_TRUE(it != golden.end() && it->second == hex(fnv(text)))
            << "section \"" << section << "\" hash " << hex(fnv(text));
    }
    EXPECT_EQ(dumps.size(), golden.size());
}

// The texts a row is committed with in the apply sweep.
std::vector<std::string> candidates(const GridRow& row) {
    switch (row.kind) {
        case EditorKind::List: {
            std::vector<std::string> v;
            const std::size_t n = row.list.entries.size();
            const std::size_t step = n > 12 ? 7 : 1;  // long loop lists: a sample
            for (std::size_t i = 0; i < n; i += step)
                v.push_back(row.list.entries[i].text);
            if (n > 0 && (n - 1) % step != 0) v.push_back(row.list.entries[n - 1].text);
            return v;
        }
        case EditorKind::NameCombo:
            return {"склад", "Своё имя", "", "очень длинное имя шлейфа"};
        case EditorKind::Number:
        case EditorKind::Number5:
            return {"0", "7", "255", "300", "70000", "x"};
        case EditorKind::KeyNumber:
            return {"A1 B2 C3 D4 E5 F6", "zz"};
        default:
            return {};
    }
}

}  // namespace

TEST(K2EditorGolden, GridRowsAndWhatTheyWrite) {
    EditorFixture f;
    populate(f.db, 7);
    f.tree.rebuild();
    K2Tree family;
    const Bytes snap = family.snapshot(f.db);

    std::map<std::string, std::string> dumps;
    for (const auto& [section, codes] : gridItems(f.db)) {
        std::string& rows = dumps["rows " + section];
        std::string& apply = dumps["apply " + section];
        int swept = 0;
        for (ItemCode code : codes) {
            family.restore(f.db, snap);
            f.grid.show(&f.db, code, code == 0);
            rows += "item " + std::to_string(code) + "\n" + dumpRows(f.grid);
            // Loops: a sample of every group and logic is enough for the sweep.
            // Devices and keys: the first two of each kind (on different loops).
            if (section == "loops" ? (code - 0x80) % 13 != 0 && code - 0x80 < 96 : swept >= 2)
                continue;
            ++swept;
            const std::vector<GridRow> initial = f.grid.rows();
            const std::size_t checks = f.grid.secondTab().entries.size();
            for (std::size_t r = 0; r < initial.size(); ++r) {
                for (const std::string& text : candidates(initial[r])) {
                    family.restore(f.db, snap);
                    f.grid.show(&f.db, code, code == 0);
                    f.prompter.calls.clear();
                    const bool ok = f.grid.commitText(static_cast<int>(r), text);
                    const std::string after = dumpRows(f.grid);
                    const WriteBackResult wb = f.grid.writeBack();
                    apply += std::to_string(code) + " row " + std::to_string(r) + " <- " + text +
                             (ok ? " ok " : " refused ") + f.grid.commitNote() + " " +
                             std::to_string(f.prompter.calls.size()) +
                             (wb.written ? " written " : " kept ") + hashOf(f.image()) + " " +
                             hex(fnv(after)) + "\n";
                }
            }
            for (std::size_t c = 0; c < checks; c += (checks > 40 ? 5 : 1)) {
                family.restore(f.db, snap);
                f.grid.show(&f.db, code, code == 0);
                f.prompter.calls.clear();
                const bool was = f.grid.secondTab().entries[c].checked;
                const bool ok = f.grid.setCheck(static_cast<int>(c), !was);
                const std::string after = dumpRows(f.grid);
                f.grid.writeBack();
                apply += std::to_string(code) + " check " + std::to_string(c) +
                         (ok ? " ok " : " refused ") +
                         (f.prompter.calls.empty() ? std::string() : f.prompter.calls.back().text) +
                         " " + hashOf(f.image()) + " " + hex(fnv(after)) + "\n";
            }
        }
    }
    expectGolden(dumps, {
                            {"apply device type 0", "dc7c9481ecdeb67d"},
                            {"apply device type 1", "5f8ce39587c873bf"},
                            {"apply device type 10", "b06f6dd023e2e837"},
                            {"apply device type 11", "11f2e7f8442fc9a7"},
                            {"apply device type 12", "a7cedcf544aef0f6"},
                            {"apply device type 13", "a28f95e7132a82c1"},
                            {"apply device type 14", "c3959640451907b5"},
                            {"apply device type 15", "0b3aad8f81a5e839"},
                            {"apply device type 2", "742bd2973d1dd14f"},
                            {"apply device type 3", "6419bc85da393b7b"},
                            {"apply device type 4", "3c110f824d9dfe07"},
                            {"apply device type 5", "e5c5b94208447443"},
                            {"apply device type 6", "0c83a13bcf0178ba"},
                            {"apply device type 7", "61a97239e1bd36f6"},
                            {"apply device type 8", "0fc5d45bde167c81"},
                            {"apply device type 9", "7777807858959f21"},
                            {"apply keys", "264c8b751f6e9f75"},
                            {"apply loops", "c4d248bbce375b09"},
                            {"apply root", "fee5adfebb0053ce"},
                            {"rows device type 0", "541b7a4639b19607"},
                            {"rows device type 1", "fb7b1e7d15fa617f"},
                            {"rows device type 10", "e4578ed6fd4085bd"},
                            {"rows device type 11", "ba6a5cd2575ee845"},
                            {"rows device type 12", "e85b1bc77930d51a"},
                            {"rows device type 13", "b801a7d8d2353622"},
                            {"rows device type 14", "887c0a4ae5d7771d"},
                            {"rows device type 15", "d859cb7cfcd267a7"},
                            {"rows device type 2", "62946a31dc0c80cc"},
                            {"rows device type 3", "785aedbe2f7fdbfa"},
                            {"rows device type 4", "c4721382ec0afeae"},
                            {"rows device type 5", "512dfd768be48e3e"},
                            {"rows device type 6", "04409175f5fd5c59"},
                            {"rows device type 7", "1ba0ea9d61c7296e"},
                            {"rows device type 8", "4ccc4ca9936d6f38"},
                            {"rows device type 9", "712a5be8dec1f19c"},
                            {"rows keys", "6d3852ea1c200388"},
                            {"rows loops", "b4ca410d793b5248"},
                            {"rows root", "be6dafd8795cadbe"},
                        });
}

TEST(K2EditorGolden, CsvExport) {
    std::map<std::string, std::string> dumps;
    for (std::uint32_t seed : {7u, 8u, 9u}) {
        EditorFixture f;
        populate(f.db, seed);
        ASSERT_TRUE(f.db.ExportCsv(f.path("out.dbk")));
        const Bytes b = f.read("out.csv");
        dumps["csv " + std::to_string(seed)] = std::string(b.begin(), b.end());
    }
    expectGolden(dumps, {
                            {"csv 7", "300bad8e30d700a1"},
                            {"csv 8", "7fa0de54cf652100"},
                            {"csv 9", "de4211ca4d55c7f3"},
                        });
}

namespace {

struct Place {
    ItemCode code;
    ItemCode parent;
};

// The items pasted: every device kind from the devices group and from a
// loop, a three-loop device's loop entry, keys of both groups, loops from
// their group and from a control loop.
std::vector<Place> pasteSources(DBK2& db, TreeEditor& tree) {
    std::vector<Place> v;
    std::vector<bool> typeSeen(16, false), typeSeenOnLoop(16, false);
    for (int i = 0; i < kDeviceCount; ++i) {
        if (!db.IsDeviceInUse(i)) continue;
        const DeviceRecord& d = db.devices[std::size_t(i)];
        const int t = deviceType(d);
        if (!typeSeen[std::size_t(t)] && (t == kTypeDip || t == kTypeTk3 || t == kTypeBrp)) {
            typeSeen[std::size_t(t)] = true;
            v.push_back({i, -3});
        }
        if (!typeSeenOnLoop[std::size_t(t)] && d[kDevLoop] < kLoopCount) {
            typeSeenOnLoop[std::size_t(t)] = true;
            v.push_back({i, 0x80 + d[kDevLoop]});
            if (t == kTypeTk3) v.push_back({0x200 + i, i});
        }
    }
    int duty = 0, employee = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        if (!db.IsKeyInUse(k)) continue;
        const bool e = isEmployeeKey(db.keys[std::size_t(k)]);
        if ((e ? employee : duty)++ < 1) v.push_back({0x100 + k, e ? -7 : -6});
    }
    v.push_back({0x80 + 3, -30});
    v.push_back({0x80 + 40, -31});
    v.push_back({0x80 + 66, -32});
    v.push_back({0x80 + 100, -33});
    // Member loops under their control loops.
    int members = 0;
    for (int c = kFirstControlLoop; c < kLoopCount && members < 2; ++c) {
        for (int m = 0; m < kFirstControlLoop && members < 2; ++m) {
            for (int j = 0; j < kLoopLinkCount; ++j) {
                if (db.loops[std::size_t(m)][kLoopLink1 + std::size_t(j)] == c) {
                    v.push_back({0x80 + m, 0x80 + c});
                    ++members;
                    break;
                }
            }
        }
    }
    (void)tree;
    return v;
}

const std::vector<Place> kTargets = {
    {-3, 0},           {-6, -4},         {-7, -4},         {0x80 + 5, -30},  {0x80 + 40, -31},
    {0x80 + 70, -32},  {0x80 + 96, -33}, {0x80 + 97, -33}, {0x80 + 98, -33}, {0x80 + 99, -33},
    {0x80 + 100, -33}, {-30, -5},        {0, -1},
};

bool pickIn(TreeEditor& tree, ItemCode code, ItemCode parent) {
    if (parent == -1) return code == 0 && tree.select(tree.model().find(0));
    const NodeId p = tree.model().find(parent);
    const NodeId n = p == kNoNode ? kNoNode : tree.model().findUnder(p, code);
    return n != kNoNode && tree.select(n);
}

std::string treeDump(const TreeEditor& tree) {
    std::string out;
    tree.model().visit([&](const TreeNode& n, int depth) {
        out += std::to_string(depth) + "[" + std::to_string(n.code) + "]" + n.label + "/" +
               std::to_string(n.image) + "\n";
    });
    return out;
}

void pasteMatrix(bool across, const std::map<std::string, std::string>& golden) {
    std::map<std::string, std::string> dumps;
    EditorFixture f;
    populate(f.db, 7, 3);
    DBK2 second{1, f.ctx};
    populate(second, 11, 3);
    f.doc.databases[1] = &second;
    TreeEditor tree2(f.doc, 1, f.prompter);
    K2Tree family;
    const Bytes snap1 = family.snapshot(f.db), snap2 = family.snapshot(second);
    const auto expanded1 = f.db.groupExpanded, expanded2 = second.groupExpanded;
    // Every case starts from the same two databases, views and an empty buffer.
    auto fresh = [&] {
        f.grid.clear();
        f.doc.buffer.clear();
        family.restore(f.db, snap1);
        family.restore(second, snap2);
        f.db.groupExpanded = expanded1;
        second.groupExpanded = expanded2;
        f.tree.resetView();
        tree2.resetView();
        f.tree.rebuild();
        tree2.rebuild();
    };
    {
        fresh();
        const std::vector<Place> sources = pasteSources(across ? second : f.db, f.tree);
        for (const bool cut : {false, true}) {
            std::string& out =
                dumps[std::string(across ? "across " : "same ") + (cut ? "cut" : "copy")];
            for (const Place& s : sources) {
                for (const Place& t : kTargets) {
                    fresh();
                    TreeEditor& from = across ? tree2 : f.tree;
                    out += std::to_string(s.code) + "@" + std::to_string(s.parent) + " -> " +
                           std::to_string(t.code) + "@" + std::to_string(t.parent) + ": ";
                    if (!pickIn(from, s.code, s.parent)) {
                        out += "no source\n";
                        continue;
                    }
                    from.runCommand(cut ? 1192 : 1172);
                    if (from.buffer().empty()) {
                        out += "not taken\n";
                        continue;
                    }
                    if (!pickIn(f.tree, t.code, t.parent)) {
                        out += "no target\n";
                        continue;
                    }
                    f.prompter.calls.clear();
                    f.tree.runCommand(1193);
                    for (const PromptCall& c : f.prompter.calls)
                        out += "[" + c.title + ": " + c.text + "] ";
                    out += hashOf(f.db.SerializeFile()) + " " + hashOf(second.SerializeFile()) +
                           " " + hex(fnv(treeDump(f.tree))) + " " + hex(fnv(treeDump(tree2))) +
                           " cur " + std::to_string(f.tree.currentCode()) + " buf " +
                           std::to_string(f.tree.buffer().items.size()) + " undo " +
                           f.tree.editMenu().undo.label + "\n";
                }
            }
        }
    }
    expectGolden(dumps, golden);
}

}  // namespace

TEST(K2EditorGolden, PasteWithinADatabase) {
    pasteMatrix(false, {
                           {"same copy", "da7ca1360fed118e"},
                           {"same cut", "753359d477f481d5"},
                       });
}

TEST(K2EditorGolden, PasteFromTheOtherDatabase) {
    pasteMatrix(true, {
                          {"across copy", "60ad9bcb57f7c05d"},
                          {"across cut", "4e71649b0ef28a4f"},
                      });
}

}  // namespace tavrin::test
