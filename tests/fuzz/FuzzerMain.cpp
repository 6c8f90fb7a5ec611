// libFuzzer's entry: every input is one drawing session.
#include "tests/fuzz/DrawingFuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mirona::runDrawingFuzzInput({data, size});
    return 0;
}
