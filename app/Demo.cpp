#include "app/Demo.h"

#include "actors/CharacterMgr.h"
#include "actors/WeaponMgr.h"
#include "actors/ZombieMgr.h"
#include "app/Main.h"
#include "app/Records.h"
#include "audio/Music.h"
#include "hud/Hud.h"
#include "input/InputSystem.h"
#include "world/MapMgr.h"

#include "LogicSources.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

// FNV-1a over the values themselves, field by field: padding never enters.
struct Digest {
    uint64_t h = 1469598103934665603ull;
    void Bytes(const void *p, size_t n) {
        const uint8_t *b = static_cast<const uint8_t *>(p);
        for (size_t i = 0; i < n; i++)
            h = (h ^ b[i]) * 1099511628211ull;
    }
    void Add(int v) { Bytes(&v, sizeof v); }
    void Add(float v) { Bytes(&v, sizeof v); }
    void Add(bool v) { Add(v ? 1 : 0); }
};

} // namespace

demo::Identity GameIdentity() {
    demo::Identity id;
    id.logicVersion = kLogicVersion;
    id.gameVersion = GRAVEWAKE_VERSION_TEXT;
    id.sourceHash = GRAVEWAKE_LOGIC_SOURCES;
    return id;
}

uint64_t GameStateDigest() {
    Digest d;
    const structCharacter &c = stCharacter;
    d.Add(c.health), d.Add(c.killCount), d.Add(c.deathCount), d.Add(c.posX), d.Add(c.posY);
    d.Add(c.posZ), d.Add(c.moveState), d.Add(c.frame), d.Add(c.weapon), d.Add(c.shotSpent);
    d.Add(c.attacking);
    const structCamera &k = TheCamera;
    d.Add(k.baseX), d.Add(k.baseY), d.Add(k.baseZ), d.Add(k.trackX), d.Add(k.trackY);
    d.Add(k.trackZ), d.Add(k.yaw), d.Add(k.pitch), d.Add(k.distance);
    const structWeapon &w = stWeapon;
    d.Add(w.reach), d.Add(w.hitColumnExtra), d.Add(w.hitColumnStart), d.Add(w.hitColumnEnd);
    d.Add(w.angleX), d.Add(w.angleY), d.Add(w.swing);
    for (const structZombies &z : stZombies) {
        d.Add(z.kind), d.Add(z.offsetX), d.Add(z.offsetY), d.Add(z.offsetZ), d.Add(z.hitYaw);
        d.Add(z.hitWeapon), d.Add(z.pieceX), d.Add(z.pieceY), d.Add(z.pieceZ), d.Add(z.active);
        d.Add(z.health), d.Add(z.lastStepTime), d.Add(z.wanderX), d.Add(z.wanderZ);
        d.Add(z.hitSwing), d.Add(z.posX), d.Add(z.posY), d.Add(z.posZ), d.Add(z.wandering);
        d.Add(z.bodyYaw), d.Add(z.fallAngleX), d.Add(z.fallAngleZ), d.Add(z.cutStyle);
        d.Add(z.frame), d.Add(z.walking), d.Add(z.halfWidth), d.Add(z.halfHeight);
    }
    if (MapMgr)
        d.Add(MapMgr->firstPerson), d.Add(MapMgr->drawSelector), d.Add(MapMgr->keyHeld);
    if (Hud) {
        d.Add(Hud->keyHeld), d.Add(Hud->menuCursor), d.Add(Hud->menuBackground);
        d.Add(Hud->optionsShown), d.Add(Hud->chosenResolution), d.Add(Hud->currentResolution);
    }
    if (CharacterMgr)
        d.Add(CharacterMgr->lastStepTime);
    if (MusicMgr)
        d.Add(MusicMgr->currentTrack);
    if (Mouse)
        d.Add(Mouse->posX), d.Add(Mouse->posY), d.Add(Mouse->sensitivity);
    if (Input)
        d.Add(Input->mouseDeltaX), d.Add(Input->mouseDeltaY), d.Add(Input->attackLatch),
            d.Add(Input->zombieResetLatch);
    d.Add(Main.screen), d.Add(Main.width), d.Add(Main.height), d.Add(Main.drawDistance);
    d.Add(Main.deathTimer), d.Add(Main.active), d.Add(Main.fullscreen);
    return d.h;
}

bool ParseCommandLine(const std::vector<std::string> &args, CommandLine &line, std::string &error) {
    line = CommandLine();
    for (size_t i = 0; i < args.size(); i++) {
        const std::string &a = args[i];
        CommandLine::Action action;
        if (a == "-record")
            action = CommandLine::Record;
        else if (a == "-playdemo")
            action = CommandLine::PlayDemo;
        else if (a == "-timedemo")
            action = CommandLine::TimeDemo;
        else if (a == "-headless") {
            line.headless = true;
            continue;
        } else {
            error = "unknown option " + a +
                    " (usage: gravewake [-record FILE | -playdemo FILE "
                    "| -timedemo FILE] [-headless])";
            return false;
        }
        if (line.action != CommandLine::Play) {
            error = "only one of -record, -playdemo and -timedemo at a time";
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = a + " needs a FILE";
            return false;
        }
        line.action = action;
        line.file = args[++i];
    }
    if (line.headless && line.action != CommandLine::PlayDemo &&
        line.action != CommandLine::TimeDemo) {
        error = "-headless goes with -playdemo or -timedemo only";
        return false;
    }
    return true;
}

std::string TimedemoLine(const std::vector<double> &frameMs, uint32_t frames) {
    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    double median = 0, p99 = 0, worst = 0, total = 0;
    if (!sorted.empty()) {
        const size_t n = sorted.size();
        median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        // The nearest-rank percentile: the smallest time at least 99% of frames keep to.
        const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n)));
        p99 = sorted[rank == 0 ? 0 : rank - 1];
        worst = sorted.back();
        for (double ms : sorted)
            total += ms;
    }
    const double fps = total > 0 ? 1000.0 * static_cast<double>(sorted.size()) / total : 0.0;
    char text[200];
    std::snprintf(text, sizeof text,
                  "timedemo: frames %u median_ms %.3f p99_ms %.3f worst_ms %.3f fps %.1f", frames,
                  median, p99, worst, fps);
    return text;
}

void RestartGame() {
    if (Input)
        Input->Shutdown();
    Main.~CMain();
    new (&Main) CMain();
    stCharacter = kStartCharacter;
    TheCamera = kStartCamera;
    // The records a game fills in as it goes start as they do in a fresh process: a game
    // recorded after another one must not begin with what that one left behind.
    stWeapon = structWeapon();
    std::fill(std::begin(stZombies), std::end(stZombies), structZombies());
    std::fill(&stMap[0][0], &stMap[0][0] + kMapSize * kMapSize, structMap());
}

namespace {

// The installed launcher runs the game from its data folder; a file named on the command
// line is meant relative to where the player started it.
std::string FromCaller(const std::string &file) {
    const char *caller = std::getenv("GRAVEWAKE_CALLER_DIR");
    const std::filesystem::path path(file);
    if (file.empty() || path.is_absolute() || path.has_root_directory() || !caller || !*caller)
        return file;
    return std::string(caller) + "/" + file;
}

int Fail(int code, const std::string &message) {
    std::fprintf(stderr, "gravewake: %s\n", message.c_str());
    return code;
}

} // namespace

int RunGame(const std::vector<std::string> &args) {
    CommandLine line;
    std::string error;
    if (!ParseCommandLine(args, line, error))
        return Fail(kExitUsage, error);
    if (line.action == CommandLine::Play)
        return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);

    const std::string file = FromCaller(line.file);
    if (line.action == CommandLine::Record) {
        if (!demo::StartRecording(file, GameIdentity(), error))
            return Fail(kExitFile, error);
    } else {
        demo::Demo d;
        if (!demo::Load(file, d, error)) {
            const bool unreadable = error.rfind("cannot ", 0) == 0;
            return Fail(unreadable ? kExitFile : kExitBadDemo, error);
        }
        if (d.identity.logicVersion != kLogicVersion)
            return Fail(kExitBadDemo, "demo " + file + " was recorded by game logic version " +
                                          std::to_string(d.identity.logicVersion) + " (" +
                                          d.identity.gameVersion + "); this build plays version " +
                                          std::to_string(kLogicVersion) + " only");
        const std::string recordedBy = d.identity.sourceHash;
        demo::StartPlayback(std::move(d), line.action == CommandLine::TimeDemo, line.headless);
        // Kept for the report of a play-back that goes out of sync.
        error = recordedBy;
    }
    // The game starts afresh inside the demo, so that the clock read that seeds its
    // random numbers is recorded (or played back) with the rest.
    RestartGame();
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
    const demo::Outcome outcome = demo::Finish(code);
    if (line.action == CommandLine::Record) {
        if (outcome.writeFailed)
            return Fail(kExitFile, outcome.error);
        return code;
    }
    if (!outcome.inSync) {
        std::string message = outcome.error;
        if (error != GRAVEWAKE_LOGIC_SOURCES)
            message += " (the demo comes from a build with other game-logic sources)";
        return Fail(kExitOutOfSync, message);
    }
    if (outcome.cutShort)
        std::fprintf(stderr,
                     "gravewake: demo %s ends after frame %u without its end: the "
                     "recording was cut short\n",
                     file.c_str(), outcome.frames == 0 ? 0 : outcome.frames - 1);
    if (line.action == CommandLine::TimeDemo)
        std::printf("%s\n", TimedemoLine(outcome.frameMs, outcome.frames).c_str());
    return 0;
}

void DemoFrame() {
    if (demo::CurrentMode() != demo::Mode::Off)
        demo::Frame(GameStateDigest());
}
