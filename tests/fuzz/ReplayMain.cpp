// Plays each file named on the command line as a drawing fuzz input, so that the corpus and
// every input that once broke an invariant run as ordinary tests, and prints a digest of the
// picture each one leaves, by which other builds of the engine are compared. Exits 0 when all
// pass; a broken invariant aborts.
#include "tests/fuzz/DrawingFuzz.hpp"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(file),
                                              std::istreambuf_iterator<char>()};
        const std::uint64_t picture = mirona::runDrawingFuzzInput(input);
        std::printf("%s: passed, picture %016llx\n", argv[i],
                    static_cast<unsigned long long>(picture));
    }
    return 0;
}
