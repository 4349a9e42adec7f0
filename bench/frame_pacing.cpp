// Runs the real main loop on the real clock for 400 presented frames and reports the
// start-up (from main to the first frame presented), the frame period (median and worst),
// the CPU time the process used meanwhile, and the swap interval in force (a display that
// waits for its retrace cannot hold the 25 ms pace). The frames are the title menu's, or
// with "play" the game's: Enter is pressed on the first frame. Without a display it uses
// SDL's offscreen driver.
//
//   frame_pacing_bench [frames [play]]
#include "app/Main.h"
#include "platform/testing.h"

#include "input/InputSystem.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double CpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begin = Clock::now();
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;
    const bool play = argc > 2 && std::string(argv[2]) == "play";
    if (!std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);

    std::vector<Clock::time_point> presented;
    presented.reserve(frames + 1);
    int lastPresents = 0;
    double cpuStart = 0.0;
    seams::ScriptAnswers({IDNO}); // windowed
    seams::SetPumpHook([&] {
        if (seams::Presents() == lastPresents)
            return;
        lastPresents = seams::Presents();
        if (presented.empty())
            cpuStart = CpuSeconds();
        presented.push_back(Clock::now());
        if (play && presented.size() <= 2) // "Start" is chosen at first
            seams::KeyEvent(DIK_RETURN, presented.size() == 1);
        if (static_cast<int>(presented.size()) == frames + 1)
            PostQuitMessage(0);
    });
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
    const double cpu = CpuSeconds() - cpuStart;
    if (code != 0 || static_cast<int>(presented.size()) < frames + 1) {
        std::fprintf(stderr, "the loop ended early (code %d)\n", code);
        return 1;
    }

    std::vector<double> periods;
    for (size_t i = 1; i < presented.size(); i++)
        periods.push_back(
            std::chrono::duration<double, std::milli>(presented[i] - presented[i - 1]).count());
    const double wall = std::chrono::duration<double>(presented.back() - presented.front()).count();
    std::vector<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    std::printf("start-up %.0f ms to the first frame; %s\n",
                std::chrono::duration<double, std::milli>(presented.front() - begin).count(),
                Main.screen == 1 ? "in play" : "in the title menu");
    std::printf(
        "frames %d  period median %.2f ms  min %.2f ms  worst %.2f ms  cpu %.1f%% of one core\n",
        frames, sorted[sorted.size() / 2], sorted.front(), sorted.back(), 100.0 * cpu / wall);
    // Whether the display can hold the pace: a swap that waits for the retrace stretches
    // every frame to the next one.
    const std::vector<seams::SwapInterval> intervals = seams::SwapIntervals();
    if (!intervals.empty())
        std::printf("swap interval: asked %d, %s by the driver, %d in force%s\n",
                    intervals.back().asked, intervals.back().taken ? "taken" : "refused",
                    intervals.back().inForce,
                    intervals.back().inForce == 0 ? "" : " (the display will slow the game)");
    return 0;
}
