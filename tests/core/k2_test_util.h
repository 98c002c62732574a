// Shared helpers of the "Талвир К2" tests: a database in a temporary program
// folder with a recording prompter (K2Fixture), or with the strict one for
// tests that mean to answer nothing (StrictK2Fixture).
#pragma once

#include <string>

#include "base/file_io.h"
#include "base/text.h"
#include "families/k2/dbk2.h"
#include "link/app_context.h"
#include "support/recording_prompter.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {

template <class PrompterType>
struct BasicK2Fixture {
    TempDir dir;
    PrompterType prompter;
    AppContext ctx = makeContext();
    DBK2 db{0, ctx};

    AppContext makeContext() {
        AppContext c = makeAppContext(dir.path());
        c.prompter = &prompter;
        return c;
    }
    std::string path(const std::string& name) const { return pathToUtf8(dir / name); }
    Bytes read(const std::string& name) const {
        Bytes b;
        readWholeFile(dir / name, b);
        return b;
    }
    void write(const std::string& name, const Bytes& b) const { writeFileAtomic(dir / name, b); }
    // Sets a name text (UTF-8), padded with blanks.
    void setName(int index, const std::string& utf8) {
        const std::string s = utf8ToCp1251(utf8);
        db.names[index].fill(' ');
        for (std::size_t i = 0; i < s.size() && i < 16; ++i)
            db.names[index][i] = static_cast<std::uint8_t>(s[i]);
    }
};

using K2Fixture = BasicK2Fixture<RecordingPrompter>;
using StrictK2Fixture = BasicK2Fixture<StrictPrompter>;

}  // namespace tavrin::test
