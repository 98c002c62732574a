// A main window over a temporary program folder whose "Талвир К2" database
// only counts its writes to the panel; the panel holds an empty database
// (read for the backup and the read-back). The test chooses the prompter.
#pragma once

#include <memory>

#include "app/main_frame.h"
#include "families/k2/dbk2.h"
#include "registry/family_registry.h"
#include "support/temp_dir.h"

namespace tavrin::test {

class CountingK2 : public DBK2 {
  public:
    CountingK2(int roleIn, const AppContext& ctx, int& writes)
        : DBK2(roleIn, ctx), writes_(writes) {}
    int WriteToDevice(Progress&) override {
        ++writes_;
        return 0;
    }
    int ReadFromDevice(Progress&) override {
        ResetDatabase();
        databaseValid = true;
        return 0;
    }

  private:
    int& writes_;
};

template <class PrompterType>
struct WriteCountingFrame {
    TempDir dir;
    PrompterType prompter;
    AppContext ctx;
    int writes = 0;
    std::unique_ptr<gui::CMainFrame> frame;

    WriteCountingFrame() {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        frame = std::make_unique<gui::CMainFrame>(
            ctx, [this](Family family, int role, const AppContext& c) -> std::unique_ptr<DBase> {
                if (family == Family::K2) return std::make_unique<CountingK2>(role, c, writes);
                return CreateDatabase(family, role, c);
            });
        db().databaseValid = true;
    }
    DBK2& db() { return static_cast<DBK2&>(*frame->database()); }
};

}  // namespace tavrin::test
