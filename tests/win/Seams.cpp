// The test seams that the window-free tests touch, in the Windows build, where the
// platform is Windows itself: nothing to put back, no box to answer, no pump to hook.
#include "platform/testing.h"

namespace seams {
void Reset() {}
void ScriptAnswers(const std::vector<int> &) {}
void SetPumpHook(std::function<void()>) {}
} // namespace seams
