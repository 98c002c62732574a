// tavrin-panelsim: simulated panels on a pseudo-terminal.
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << "Usage: tavrin-panelsim --family k2|r7 [options]\n";
        return 0;
    }
    std::cerr << "tavrin-panelsim: not built yet\n";
    return 1;
}
