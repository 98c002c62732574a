// A whole "Версан С5" write through the shared write flow against the console
// of tavrin-panelsim: the console's checksums (and its objects, record by
// record) confirm what it keeps; a record it answers but does not keep makes
// the write "Запись не подтверждена" with the part that differs.
#include <gtest/gtest.h>

#include "app/device_flow.h"
#include "s5_ops_fixture.h"

using namespace tavrin;
using namespace tavrin::test;

namespace {

// Answers the write question Yes and runs every step at once.
class YesHost : public DeviceFlowHost {
  public:
    int run(const std::function<int(Progress&)>& operation) override {
        NullProgress progress;
        return operation(progress);
    }
    PromptAnswer confirmWrite(DBase&, const std::string&, const std::string&,
                              const BackupResult*) override {
        return PromptAnswer::Yes;
    }
};

}  // namespace

TEST(S5WriteVerifyE2E, TheConsolesChecksumsConfirmTheWrite) {
    // The written records are counted from 1: the console's keys come
    // first, then LCP 1's devices.
    const struct {
        const char* fault;
        int code;
        const char* part;  // named in the differences
    } cases[] = {
        {nullptr, kResultOk, nullptr},
        {"lose@3", kResultWriteNotConfirmed, "LCP 1 / АУ"},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.fault ? t.fault : "no fault");
        std::vector<std::string> args = {"--lcps", "1", "--records", "1"};
        if (t.fault) args.insert(args.end(), {"--fault", t.fault});
        S5Ops c(args);
        ASSERT_TRUE(c.sim.started());
        fillDatabase(*c.db, {{3, 2, 2}, {2, 1, 1}}, 2);
        WriteRequest request = wholeWriteRequest(*c.db, c.dir / "Tavrin.ini");
        ASSERT_TRUE(request.verify);
        request.backup = false;
        YesHost host;
        const WriteOutcome out = runWriteFlow(*c.db, host, request);
        EXPECT_EQ(out.stage, WriteStage::Verify);
        EXPECT_EQ(out.code, t.code) << out.text;
        if (!t.part) {
            EXPECT_EQ(out.text, "Команда выполнена. Запись проверена.");
            EXPECT_TRUE(out.verify.differences.empty());
            continue;
        }
        ASSERT_FALSE(out.verify.differences.empty()) << out.text;
        EXPECT_EQ(out.verify.differences[0].path, t.part) << out.text;
        EXPECT_NE(out.text.find(t.part), std::string::npos) << out.text;
    }
}
