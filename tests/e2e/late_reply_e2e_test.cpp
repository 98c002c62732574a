// Replies that come late: a reply for one request must never be taken for
// the reply of the next one. The simulator delays one reply of a full read,
// at the first request of each kind, by more than a pass waits.
#include <chrono>
#include <map>
#include <sstream>

#include "k2_link_fixture.h"
#include "link/result_codes.h"
#include "support/strict_prompter.h"

namespace tavrin::test {
namespace {

// The ordinal (from 1) of the first request of each command in a log.
std::map<int, int> firstRequestOfEachCommand(const std::vector<std::string>& lines) {
    std::map<int, int> first;
    int ordinal = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != "Передача:" && lines[i] != "Повторная передача:") continue;
        ++ordinal;
        std::istringstream in(lines[i + 1]);
        std::string length, command;
        in >> length >> command;
        first.emplace(std::stoi(command, nullptr, 16), ordinal);
    }
    return first;
}

TEST(LateReplyE2E, K2ReadFailsOrGivesExactlyThePanelsDatabase) {
    TempDir files;
    const std::string panelFile = pathToUtf8(files / "panel.bta");
    {
        StrictPrompter prompter;
        AppContext ctx = makeAppContext(files.path());
        ctx.prompter = &prompter;
        DBK2 db(0, ctx);
        fillWritableDatabase(db, "1.04");
        ASSERT_TRUE(db.SaveToDisk(panelFile));
    }
    Bytes expected;
    std::map<int, int> requests;
    {
        StrictK2Link clean({"--db", panelFile});
        NullProgress progress;
        ASSERT_EQ(clean.db->ReadFromDevice(progress), kResultOk);
        expected = clean.db->SerializeFile();
        requests = firstRequestOfEachCommand(clean.log());
    }
    ASSERT_GE(requests.size(), 11u);  // the version, five tables, five blocks

    // 400 ms: the reply comes during the second pass, and the panel's answer
    // to the repeated request follows it. 700 ms: during the third pass. A
    // wrong index is asked again (and leaves a block reply, which has none,
    // as it is).
    for (const std::string kind : {"delay=400", "delay=700", "badindex"}) {
        for (const auto& [command, ordinal] : requests) {
            const std::string fault = kind + "@" + std::to_string(ordinal);
            StrictK2Link l({"--db", panelFile, "--fault", fault});
            NullProgress progress;
            const int code = l.db->ReadFromDevice(progress);
            if (code == kResultOk) {
                EXPECT_EQ(l.db->SerializeFile(), expected) << fault << " command " << command;
            }
            // The line is clean for what follows.
            EXPECT_EQ(l.db->ReadVersion(), kResultOk) << fault;
            l.db->ClosePort();
        }
    }
}

}  // namespace
}  // namespace tavrin::test
