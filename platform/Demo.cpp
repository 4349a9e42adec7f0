// The recorder and the player. Recording appends every value the game reads through
// the hooked platform calls to the current frame's chunk, which goes to the file, and
// is flushed, as the next frame begins. Play-back hands the recorded values out again
// in the same order; a read of another kind than the next recorded one, or a state
// digest that differs, ends the play-back as out of sync. Once a play-back has ended
// (out of sync, cut short, or left by the viewer) the calls answer so that the game
// ends at its next look at the message queue.
#include "platform/Demo.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace demo {

namespace {

const char *KindName(Kind kind) {
    switch (kind) {
    case Kind::Tick:
        return "a tick count";
    case Kind::Message:
        return "a message";
    case Kind::NoMessage:
        return "an empty message queue";
    case Kind::Keyboard:
        return "the keyboard";
    case Kind::Mouse:
        return "the mouse";
    case Kind::Acquire:
        return "an input device acquired";
    case Kind::Box:
        return "a message box";
    case Kind::DisplayMode:
        return "a display mode change";
    case Kind::Frame:
        return "the start of a frame";
    case Kind::End:
        return "the end of the game";
    }
    return "something unknown";
}

struct Session {
    Mode mode = Mode::Off;
    std::thread::id thread;
    // Recording
    std::FILE *file = nullptr;
    std::string path;
    std::vector<uint8_t> chunk;
    bool writeFailed = false;
    std::string writeError;
    // Play-back
    Demo demo;
    std::unique_ptr<EventReader> reader;
    Event ahead;       // the next recorded event, read ahead
    bool more = false; // `ahead` holds one
    Event taken;       // the one handed out last
    bool fast = false;
    bool ended = false; // no more recorded values: the game is being brought to its end
    uint32_t endTick = 0;
    std::chrono::steady_clock::time_point frameStart;
    // Both
    uint32_t frames = 0;
    Outcome outcome;
};

Session &Now() {
    static Session session;
    return session;
}

bool OnDemoThread(const Session &s) {
    return std::this_thread::get_id() == s.thread;
}

void Write(Session &s, const std::vector<uint8_t> &bytes) {
    if (!s.file || s.writeFailed)
        return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), s.file) != bytes.size() ||
        std::fflush(s.file) != 0) {
        s.writeFailed = true;
        // Told once the game ends; the game itself goes on.
        s.writeError = "writing demo " + s.path + " failed: " + std::strerror(errno);
    }
}

void FlushChunk(Session &s) {
    if (s.chunk.empty())
        return;
    std::vector<uint8_t> out;
    EncodeChunk(out, s.chunk);
    s.chunk.clear();
    Write(s, out);
}

void Append(Session &s, const Event &e, const void *bytes = nullptr) {
    EncodeEvent(s.chunk, e, static_cast<const uint8_t *>(bytes));
    // A frame of many messages still goes out in bounded chunks.
    if (s.chunk.size() > kMaxChunk / 2)
        FlushChunk(s);
}

// Play-back stops here; the game is brought to its end.
void EndPlayback(Session &s) {
    s.ended = true;
}

void OutOfSync(Session &s, const std::string &why) {
    if (s.ended)
        return;
    s.outcome.inSync = false;
    const uint32_t frame = s.frames == 0 ? 0 : s.frames - 1;
    s.outcome.error = "demo out of sync at frame " + std::to_string(frame) + ": " + why;
    EndPlayback(s);
}

// The next recorded value, which must be of this kind; null once play-back has ended.
const Event *Take(Session &s, Kind kind) {
    if (s.ended)
        return nullptr;
    if (!s.more) {
        s.outcome.cutShort = !s.demo.ended;
        if (s.demo.ended)
            OutOfSync(s, std::string("the game reads ") + KindName(kind) +
                             " after the recorded game ended");
        EndPlayback(s);
        return nullptr;
    }
    if (s.ahead.kind != kind) {
        OutOfSync(s, std::string("the game reads ") + KindName(kind) + " where the demo has " +
                         KindName(s.ahead.kind));
        return nullptr;
    }
    s.taken = s.ahead;
    s.more = s.reader->Next(s.ahead);
    return &s.taken;
}

} // namespace

Mode CurrentMode() {
    return Now().mode;
}

bool StartRecording(const std::string &path, const Identity &identity, std::string &error) {
    Session &s = Now();
    s = Session();
    s.file = std::fopen(path.c_str(), "wb");
    if (!s.file) {
        error = "cannot write demo " + path + ": " + std::strerror(errno);
        return false;
    }
    s.path = path;
    s.mode = Mode::Record;
    s.thread = std::this_thread::get_id();
    Write(s, EncodeHeader(identity));
    if (s.writeFailed) {
        error = s.writeError;
        std::fclose(s.file);
        s = Session();
        return false;
    }
    return true;
}

void StartPlayback(Demo &&demo, bool fast, bool headless) {
    if (headless)
        host::DrawOffscreen();
    Session &s = Now();
    s = Session();
    s.demo = std::move(demo);
    s.reader.reset(new EventReader(s.demo));
    s.more = s.reader->Next(s.ahead);
    s.fast = fast;
    s.mode = Mode::Play;
    s.thread = std::this_thread::get_id();
}

void Frame(uint64_t digest) {
    Session &s = Now();
    if (s.mode == Mode::Off || !OnDemoThread(s))
        return;
    Event f;
    f.kind = Kind::Frame;
    f.b = s.frames;
    f.c = digest;
    if (s.mode == Mode::Record) {
        s.frames++;
        Append(s, f);
        FlushChunk(s);
        return;
    }
    if (s.ended)
        return;
    const auto now = std::chrono::steady_clock::now();
    const Event *e = Take(s, Kind::Frame);
    if (!e)
        return;
    if (s.fast && s.frames > 0)
        s.outcome.frameMs.push_back(
            std::chrono::duration<double, std::milli>(now - s.frameStart).count());
    s.frameStart = now;
    s.frames++;
    if (e->c != digest)
        OutOfSync(s, "the game state differs from the recorded one");
}

Outcome Finish(int exitCode) {
    Session &s = Now();
    Outcome out = s.outcome;
    out.frames = s.frames;
    if (s.mode == Mode::Record) {
        Event e;
        e.kind = Kind::End;
        e.a = exitCode;
        Append(s, e);
        FlushChunk(s);
        if (s.file && std::fclose(s.file) != 0 && !s.writeFailed) {
            s.writeFailed = true;
            s.writeError = "writing demo " + s.path + " failed: " + std::strerror(errno);
        }
        s.file = nullptr;
        out.writeFailed = s.writeFailed;
        out.error = s.writeError;
    } else if (s.mode == Mode::Play && out.inSync && !out.viewerQuit && !out.cutShort) {
        // The game ended by itself: so must the recorded one, at the same point and with
        // the same exit code.
        const bool atEnd = s.more && s.ahead.kind == Kind::End;
        if (!atEnd) {
            out.inSync = false;
            out.error = "demo out of sync at frame " +
                        std::to_string(s.frames == 0 ? 0 : s.frames - 1) +
                        ": the game ended where the recorded one went on";
        } else if (s.ahead.a != exitCode) {
            out.inSync = false;
            out.error = "demo out of sync: the game ended with exit code " +
                        std::to_string(exitCode) + ", the recorded one with " +
                        std::to_string(s.ahead.a);
        }
    }
    s = Session();
    return out;
}

namespace hook {

bool Recording() {
    const Session &s = Now();
    return s.mode == Mode::Record && OnDemoThread(s);
}

bool Playing() {
    const Session &s = Now();
    return s.mode == Mode::Play && OnDemoThread(s);
}

bool FastPlay() {
    return Playing() && Now().fast;
}

uint32_t Tick(uint32_t real) {
    Session &s = Now();
    if (s.mode == Mode::Record) {
        Event e;
        e.kind = Kind::Tick;
        e.a = static_cast<int32_t>(real);
        Append(s, e);
        return real;
    }
    if (const Event *e = Take(s, Kind::Tick)) {
        s.endTick = static_cast<uint32_t>(e->a);
        return s.endTick;
    }
    // Ended: time runs fast, so no wait for the next frame holds the game up.
    s.endTick += 1000;
    return s.endTick;
}

void RecordPeek(bool found, const MSG &msg) {
    Session &s = Now();
    Event e;
    e.kind = found ? Kind::Message : Kind::NoMessage;
    if (found) {
        e.a = host::WindowIndex(msg.hwnd);
        e.b = msg.message;
        e.c = msg.wParam;
        e.d = msg.lParam;
    }
    Append(s, e);
}

BOOL PlayPeek(MSG *msg) {
    Session &s = Now();
    if (!s.ended && host::ViewerQuits()) {
        s.outcome.viewerQuit = true;
        EndPlayback(s);
    }
    if (!s.ended && s.more && s.ahead.kind == Kind::NoMessage) {
        Take(s, Kind::NoMessage);
        return FALSE;
    }
    const Event *e = Take(s, Kind::Message);
    *msg = MSG();
    if (!e) {
        // Ended: the game goes, by the way it goes on Windows.
        msg->message = WM_QUIT;
        return TRUE;
    }
    const HWND window = e->a < 0 ? nullptr : host::WindowAt(e->a);
    if (e->a >= 0 && !window) {
        OutOfSync(s, "a message for a window the game does not have");
        msg->message = WM_QUIT;
        return TRUE;
    }
    msg->hwnd = window;
    msg->message = e->b;
    msg->wParam = static_cast<WPARAM>(e->c);
    msg->lParam = static_cast<LPARAM>(e->d);
    return TRUE;
}

void RecordDeviceState(bool mouse, HRESULT result, const void *data, size_t size) {
    Session &s = Now();
    Event e;
    e.kind = mouse ? Kind::Mouse : Kind::Keyboard;
    e.a = result;
    const size_t expected = mouse ? kMouseBytes : kKeyBytes;
    if (SUCCEEDED(result) && (size != expected || !data))
        e.a = DIERR_INVALIDPARAM; // the game asked for a block of another size
    uint8_t bytes[kKeyBytes] = {};
    if (SUCCEEDED(e.a)) {
        if (mouse) {
            DIMOUSESTATE state;
            std::memcpy(&state, data, sizeof state);
            for (int i = 0; i < 3; i++) {
                const LONG v = i == 0 ? state.lX : i == 1 ? state.lY : state.lZ;
                for (int k = 0; k < 4; k++)
                    bytes[4 * i + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
            }
            std::memcpy(bytes + 12, state.rgbButtons, 4);
        } else {
            std::memcpy(bytes, data, kKeyBytes);
        }
    }
    Append(s, e, bytes);
}

HRESULT PlayDeviceState(bool mouse, void *data, size_t size) {
    Session &s = Now();
    const Event *e = Take(s, mouse ? Kind::Mouse : Kind::Keyboard);
    const size_t expected = mouse ? kMouseBytes : kKeyBytes;
    if (!data || size != expected)
        return DIERR_INVALIDPARAM;
    if (!e) {
        // Ended: nothing held, nothing moved.
        std::memset(data, 0, size);
        return DI_OK;
    }
    if (FAILED(e->a))
        return e->a;
    uint8_t bytes[kKeyBytes];
    StateBytes(s.demo, *e, bytes);
    if (mouse) {
        DIMOUSESTATE state;
        LONG *axes[3] = {&state.lX, &state.lY, &state.lZ};
        for (int i = 0; i < 3; i++) {
            uint32_t v = 0;
            for (int k = 3; k >= 0; k--)
                v = v << 8 | bytes[4 * i + k];
            *axes[i] = static_cast<LONG>(static_cast<int32_t>(v));
        }
        std::memcpy(state.rgbButtons, bytes + 12, 4);
        std::memcpy(data, &state, sizeof state);
    } else {
        std::memcpy(data, bytes, kKeyBytes);
    }
    return e->a;
}

void RecordResult(Kind kind, int32_t result) {
    Event e;
    e.kind = kind;
    e.a = result;
    Append(Now(), e);
}

int32_t PlayResult(Kind kind, int32_t fallback) {
    const Event *e = Take(Now(), kind);
    return e ? e->a : fallback;
}

} // namespace hook

} // namespace demo
