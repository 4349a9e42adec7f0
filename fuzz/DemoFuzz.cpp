// The demo reader (demo::Parse and the event reader of play-back) on any bytes:
// readerchecks::CheckDemoParse.
#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    return readerchecks::Require("demo reader", readerchecks::CheckDemoParse(data, size));
}
