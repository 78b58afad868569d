// libFuzzer's entry point for one target; which body it runs is set by the build.
#include "tests/fuzz/harness/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return zendra::fuzz::ZENDRA_FUZZ_BODY(data, size);
}
