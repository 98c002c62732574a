// Fuzz target: the "Версан С5" message file (Soob.conf); what is read must
// be written and read back to the same texts.
#include <cstdint>
#include <cstdlib>

#include "families/s5/db_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::string, tavrin::s5::kMessages> messages;
    tavrin::s5::parseMessages({data, size}, messages);
    const tavrin::Bytes saved = tavrin::s5::serializeMessages(messages);
    std::array<std::string, tavrin::s5::kMessages> again;
    tavrin::s5::parseMessages(saved, again);
    if (again != messages) std::abort();
    return 0;
}
