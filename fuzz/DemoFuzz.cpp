// The demo reader (demo::Parse and the event reader of play-back) on any bytes:
// readerchecks::CheckDemoParse.
#include "fuzz/ReaderChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string fault = readerchecks::CheckDemoParse(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "demo reader: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
