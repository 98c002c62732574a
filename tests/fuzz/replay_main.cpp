// Runs a fuzz target without libFuzzer: every file of the corpus folder given
// on the command line, then deterministic pseudo-random inputs and mutations
// of those files (at most 3000, for at most TAVRIN_FUZZ_REPLAY_SECONDS, 10 by
// default). Used by `make test` so the parsers run under the sanitizers
// on every build.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<std::uint8_t>> seeds;
    if (argc > 1 && std::filesystem::is_directory(argv[1])) {
        for (const auto& e : std::filesystem::directory_iterator(argv[1])) {
            std::ifstream f(e.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        }
    }
    seeds.emplace_back();
    std::mt19937 rng(12345);
    std::size_t runs = 0;
    for (const auto& s : seeds) {
        LLVMFuzzerTestOneInput(s.data(), s.size());
        ++runs;
    }
    // Bounded in time as well as in count, so a slow target under the
    // sanitizers on a loaded machine cannot stretch the test run.
    const char* env = std::getenv("TAVRIN_FUZZ_REPLAY_SECONDS");
    const auto budget = std::chrono::seconds(env ? std::atoi(env) : 10);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3000 && std::chrono::steady_clock::now() - start < budget; ++i) {
        std::vector<std::uint8_t> input;
        const auto& seed = seeds[rng() % seeds.size()];
        if (!seed.empty() && rng() % 4 != 0) {
            input = seed;
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int k = 0; k < edits; ++k) {
                switch (rng() % 4) {
                    case 0:  // flip a byte
                        if (!input.empty())
                            input[rng() % input.size()] = static_cast<std::uint8_t>(rng());
                        break;
                    case 1:  // cut the tail
                        if (!input.empty()) input.resize(rng() % input.size());
                        break;
                    case 2:  // insert bytes
                        input.insert(input.begin() + static_cast<long>(
                                                         input.empty() ? 0 : rng() % input.size()),
                                     1 + rng() % 16, static_cast<std::uint8_t>(rng()));
                        break;
                    default:  // set a 32-bit value to an extreme
                        if (input.size() >= 4) {
                            const std::size_t at = rng() % (input.size() - 3);
                            const std::uint32_t v = (rng() % 2) ? 0xFFFFFFFFu : rng() % 2048;
                            for (int b = 0; b < 4; ++b)
                                input[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
                        }
                }
            }
        } else {
            input.resize(rng() % 4096);
            for (auto& b : input)
                b = static_cast<std::uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++runs;
    }
    std::printf("%zu inputs run\n", runs);
    return 0;
}
