// The "Талвир К2" database transfer, version and clock against
// tavrin-panelsim on a real pseudo-terminal.
#include <algorithm>
#include <chrono>

#include "families/k2/protocol.h"
#include "k2_link_fixture.h"
#include "link/result_codes.h"

namespace tavrin::test {
namespace {

using namespace k2;

// Stops the operation (as the cancel window's button does) once the
// progress reaches `at`.
class StoppingProgress : public NullProgress {
  public:
    StoppingProgress(CancelToken& token, int at) : token_(token), at_(at) {}
    void setPosition(int p) override {
        NullProgress::setPosition(p);
        if (p == at_) token_.cancel();
    }

  private:
    CancelToken& token_;
    int at_;
};

TEST(K2TransferE2E, WriteThenReadReturnsTheSameDatabase) {
    K2Link l({});
    ASSERT_TRUE(l.sim.started());
    fillWritableDatabase(*l.db, "1.04");
    NullProgress progress;
    ASSERT_EQ(l.db->WriteToDevice(progress), kResultOk);
    EXPECT_EQ(progress.high(), kTransferStepsShortFrames);
    EXPECT_FALSE(l.db->IsPortOpen());
    const Bytes written = l.db->SerializeFile();

    DBK2 back(0, l.ctx);
    l.configure(back);
    ASSERT_EQ(back.ReadFromDevice(progress), kResultOk);
    EXPECT_TRUE(back.databaseValid);
    EXPECT_EQ(back.firmwareVersionText, "1.04");
    EXPECT_EQ(back.firmwareVersion, 4);
    EXPECT_EQ(back.SerializeFile(), written);
    EXPECT_FALSE(back.IsPortOpen());
    EXPECT_TRUE(l.prompter.calls.empty());
}

TEST(K2TransferE2E, WriteFrameCountsByFirmware) {
    struct Case {
        const char* firmware;
        std::map<int, int> frames;
    } cases[] = {
        {"1.04",
         {{kCmdReadVersion, 1},
          {kCmdWriteDevices, 19},
          {kCmdWriteLoops, 22},
          {kCmdWriteKeysFirst, 26},
          {kCmdWriteKeysSecond, 26},
          {kCmdWriteNames, 43},
          {kCmdWriteDeviceMap, 1},
          {kCmdWriteKeyMap, 1},
          {kCmdWritePanelBlock, 1},
          {kCmdWriteBlockedDevices, 1},
          {kCmdWriteBlockedLoops, 1}}},
        {"1.01",
         {{kCmdReadVersion, 1},
          {kCmdWriteDevices, 5},
          {kCmdWriteLoops, 5},
          {kCmdWriteKeysFirst, 7},
          {kCmdWriteKeysSecond, 7},
          {kCmdWriteNames, 7},
          {kCmdWriteDeviceMap, 1},
          {kCmdWriteKeyMap, 1},
          {kCmdWritePanelBlock, 1},
          {kCmdWriteBlockedDevices, 1},
          {kCmdWriteBlockedLoops, 1}}},
    };
    for (const Case& c : cases) {
        K2Link l({"--firmware", c.firmware});
        fillWritableDatabase(*l.db, c.firmware);
        NullProgress progress;
        ASSERT_EQ(l.db->WriteToDevice(progress), kResultOk) << c.firmware;
        EXPECT_EQ(l.requestsByCommand(), c.frames) << c.firmware;
    }

    // Below "1.02" the names 96..127 stay on this side: a read gives blanks.
    K2Link l({"--firmware", "1.01"});
    fillWritableDatabase(*l.db, "1.01");
    NullProgress progress;
    ASSERT_EQ(l.db->WriteToDevice(progress), kResultOk);
    DBK2 back(0, l.ctx);
    l.configure(back);
    ASSERT_EQ(back.ReadFromDevice(progress), kResultOk);
    EXPECT_EQ(progress.high(), kTransferStepsLongFrames);
    EXPECT_EQ(back.NameText(95), "Последнее старое");
    EXPECT_EQ(back.NameText(127), "");
    EXPECT_EQ(l.requestsByCommand()[kCmdReadNames], 7);
}

TEST(K2TransferE2E, ReadRepeatsARequestWhoseEchoIsWrong) {
    // Request 1 reads the version, 2 the devices from 0, 3 those from 7.
    K2Link l({"--fault", "badindex@3"});
    NullProgress progress;
    ASSERT_EQ(l.db->ReadFromDevice(progress), kResultOk);
    EXPECT_EQ(l.requestsByCommand()[kCmdReadDevices], 20);
    const auto lines = l.log();
    // The reply with the wrong echo is taken as it is and the same request follows.
    const std::string from7 = hexBytes(tableReadRequest(kCmdReadDevices, 7)) + " ";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), from7), 2);
    EXPECT_TRUE(l.db->databaseValid);
}

TEST(K2TransferE2E, ReadGivesUpOnAnEchoThatStaysWrong) {
    K2Link l({"--fault", "badindex@3", "--fault", "badindex@4", "--fault", "badindex@5"});
    NullProgress progress;
    EXPECT_EQ(l.db->ReadFromDevice(progress), kResultWrongRecord);
    EXPECT_FALSE(l.db->databaseValid);
    EXPECT_FALSE(l.db->IsPortOpen());
}

TEST(K2TransferE2E, CancelInTheMiddleOfARead) {
    K2Link l({});
    StoppingProgress progress(l.db->exchangeActive, 10);
    EXPECT_EQ(l.db->ReadFromDevice(progress), kResultStoppedByUser);
    EXPECT_FALSE(l.db->IsPortOpen());
    EXPECT_FALSE(l.db->databaseValid);
    // Nothing was sent after the stop.
    int requests = 0;
    for (const auto& [command, n] : l.requestsByCommand())
        requests += n;
    EXPECT_EQ(requests, 1 + 10);
    EXPECT_EQ(l.log().back(), "Порт закрыт");
}

TEST(K2TransferE2E, FaultsEndInTheirCodesWithinTheTimeOuts) {
    struct Case {
        const char* fault;
        int code;
    } cases[] = {
        {"silence@1", kResultNoLink},
        {"silence@30", kResultNoAnswer},
        {"badcrc%1", kResultConfiguratorCrc},
        {"refuse%1", kResultRefused},
        {"cut=4@5", kResultOk},  // one cut reply: the repetition mends it
        {"cut=4%1", kResultNoAnswer},
    };
    for (const Case& c : cases) {
        K2Link l({"--fault", c.fault});
        NullProgress progress;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(l.db->ReadFromDevice(progress), c.code) << c.fault;
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::seconds(10)) << c.fault;
        EXPECT_FALSE(l.db->IsPortOpen()) << c.fault;
    }
}

TEST(K2TransferE2E, VersionAndClock) {
    K2Link l({"--firmware", "1.07"});
    EXPECT_EQ(l.db->ReadVersion(), kResultOk);
    EXPECT_EQ(l.db->firmwareVersionText, "1.07");
    EXPECT_EQ(l.db->firmwareVersion, 7);
    l.db->ClosePort();
    EXPECT_EQ(l.db->SetDeviceTime(), kResultOk);
    EXPECT_FALSE(l.db->IsPortOpen());
    EXPECT_EQ(l.requestsByCommand(), (std::map<int, int>{{kCmdSetClock, 1}}));

    l.db->portName = l.path("no-such-port");
    l.db->SavePortSettings();
    EXPECT_EQ(l.db->ReadVersion(), kResultPortNotOpen);
    NullProgress progress;
    EXPECT_EQ(l.db->ReadFromDevice(progress), kResultPortNotOpen);
}

}  // namespace
}  // namespace tavrin::test
