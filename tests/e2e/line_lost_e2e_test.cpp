// The line disappears in the middle of an exchange (a USB adapter pulled
// out; here the pseudo-terminal's other end is closed): the operation ends at
// once with its code and a message naming the port, and the program stays
// usable.
#include <signal.h>

#include <chrono>
#include <thread>

#include "k2_link_fixture.h"
#include "link/result_codes.h"

namespace tavrin::test {
namespace {

TEST(LineLostE2E, ReadEndsAtOnceNamingThePort) {
    // The panel stops answering at its 5th request, and then goes away.
    K2Link l({"--fault", "silence@5"});
    ASSERT_TRUE(l.sim.started());
    // Time-outs long enough that waiting them out would show.
    l.db->readTotalTimeoutConstant = 3000;
    const std::string port = l.sim.path();

    int code = -1;
    std::chrono::steady_clock::time_point ended;
    std::thread reader([&] {
        NullProgress progress;
        code = l.db->ReadFromDevice(progress);
        ended = std::chrono::steady_clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const auto closed = std::chrono::steady_clock::now();
    ::kill(l.sim.pid(), SIGKILL);  // its terminal closes with it
    reader.join();

    EXPECT_EQ(code, kResultSessionBroken);
    EXPECT_LT(ended - closed, std::chrono::milliseconds(1500));
    EXPECT_FALSE(l.db->IsPortOpen());
    ASSERT_FALSE(l.prompter.calls.empty());
    EXPECT_EQ(l.prompter.calls.back().title, kExchangeTitle);
    EXPECT_NE(l.prompter.calls.back().text.find("Порт " + port + " недоступен"), std::string::npos)
        << l.prompter.calls.back().text;

    // Back again (another terminal here): the same database reads it.
    SimProcess again({"--family", "k2"});
    ASSERT_TRUE(again.started());
    l.db->portName = again.path();
    l.db->SavePortSettings();
    l.db->readTotalTimeoutConstant = 150;
    NullProgress progress;
    EXPECT_EQ(l.db->ReadFromDevice(progress), kResultOk);
}

}  // namespace
}  // namespace tavrin::test
