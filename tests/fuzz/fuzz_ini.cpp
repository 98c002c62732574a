// Fuzz target: the settings-file reader and writer.
#include <cstdint>

#include "settings/ini_file.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::IniFile ini = tavrin::IniFile::parse({data, size});
    tavrin::GeneralSettings s;
    s.load(ini);
    ini.getString("Талвир_К2", "COM", "COM3", 6);
    s.store(ini);
    const tavrin::Bytes out = ini.serialize();
    tavrin::IniFile again = tavrin::IniFile::parse(out);
    (void)again.getInt("Общее", "Прибор", 2);
    return 0;
}
