// Demos: a recording of everything from outside that decides how a game plays (the
// tick counts the game reads, the messages it takes from the queue, the keyboard and
// mouse state it polls, the answers of its message boxes and the display's answers),
// taken at the platform layer's boundary, and the means to feed the same values back
// so that the game plays again exactly as it was played.
//
// The file: a header (magic, format version, the build identity, a checksum), then
// chunks, each a 32-bit length, that many bytes of events and a CRC-32 of them. The
// recorder writes one chunk per frame and flushes it, so a recording cut short ends at
// a chunk boundary and plays back up to there. All numbers are little-endian.
#pragma once

#include "platform/DirectInput.h"
#include "platform/Win32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace demo {

constexpr char kMagic[16] = {'G', 'R', 'A', 'V', 'E', 'W', 'A',  'K',
                             'E', ' ', 'D', 'E', 'M', 'O', '\r', '\n'};
constexpr uint16_t kFormatVersion = 1;
constexpr size_t kMaxChunk = 1u << 20;       // bytes of events in one chunk
constexpr size_t kMaxFile = size_t(1) << 30; // a demo is never read past this size
constexpr size_t kMaxIdentityText = 200;     // each text of the build identity

// What the game was built as. Demos of another logic version are refused; the source
// hash only tells, when a demo goes out of sync, whether the game-logic sources differ.
struct Identity {
    uint16_t logicVersion = 0;
    std::string gameVersion;
    std::string sourceHash;
};

enum class Kind : uint8_t {
    Tick = 'T',        // a: the tick count read
    Message = 'M',     // a: window index (-1 none), b: message, c: wParam, d: lParam
    NoMessage = 'N',   // PeekMessage found nothing
    Keyboard = 'K',    // a: HRESULT; on success 256 bytes of key state at data
    Mouse = 'O',       // a: HRESULT; on success lX, lY, lZ and 4 button bytes at data
    Acquire = 'A',     // a: HRESULT
    Box = 'B',         // a: the button a message box returned
    DisplayMode = 'D', // a: what ChangeDisplaySettings returned for a mode
    Frame = 'F',       // b: frame number from 0, c: digest of the game state
    End = 'E',         // a: the game's exit code
};

struct Event {
    Kind kind = Kind::NoMessage;
    int32_t a = 0;
    uint32_t b = 0;
    uint64_t c = 0;
    int64_t d = 0;
    uint32_t data = 0; // where the event's key or mouse state lies in Demo::bytes
};

constexpr size_t kKeyBytes = 256;  // in the file: a count, then (scan code, state) pairs
constexpr size_t kMouseBytes = 16; // three 32-bit counts and four button bytes

struct Demo {
    Identity identity;
    std::vector<uint8_t> bytes; // the whole file
    size_t eventsAt = 0;        // where the first chunk begins
    uint32_t frames = 0;        // frame events
    bool ended = false;         // the recording has its end event (else it was cut short)
};

// Checks a whole demo file, every chunk and every event. False with a one-line reason
// (no newline) for anything that is not a complete demo of this format: foreign,
// truncated inside a chunk, corrupted, or with events that contradict each other.
// Memory: the file's bytes; events are decoded as they are read.
bool Parse(const uint8_t *data, size_t size, Demo &demo, std::string &error);
// Reads the file (never more than kMaxFile) and parses it.
bool Load(const std::string &path, Demo &demo, std::string &error);

// The events of a parsed demo, in order.
class EventReader {
  public:
    explicit EventReader(const Demo &demo);
    bool Next(Event &event); // false after the last
  private:
    const Demo &demo_;
    size_t next_;                  // the next chunk
    size_t at_ = 0, chunkEnd_ = 0; // the events of the current one
};
// The 256 key bytes of a keyboard event, or the 16 of a mouse event, as polled.
void StateBytes(const Demo &demo, const Event &event, uint8_t *out);
// All events of a parsed demo (for tools and tests: a long demo has very many).
std::vector<Event> AllEvents(const Demo &demo);

// Builds the bytes of a file: the header, then chunks of encoded events. `state` is the
// key or mouse state of a keyboard or mouse event that succeeded.
std::vector<uint8_t> EncodeHeader(const Identity &identity);
void EncodeEvent(std::vector<uint8_t> &out, const Event &event, const uint8_t *state);
void EncodeChunk(std::vector<uint8_t> &out, const std::vector<uint8_t> &events);
uint32_t Crc32(const uint8_t *data, size_t size);

// --- The recorder and the player, hooked into the platform calls ------------------------

enum class Mode { Off, Record, Play };
Mode CurrentMode();

// Starts recording into the file, which is created (or emptied) now. From here on every
// main-thread read through the platform calls is written down.
bool StartRecording(const std::string &path, const Identity &identity, std::string &error);
// Starts playing the demo back: the platform calls answer from it. With `fast` nothing
// waits (Sleep returns at once) and every frame is timed; `headless` shows no window
// where the platform can draw without one.
void StartPlayback(Demo &&demo, bool fast, bool headless = false);

// At the top of every main-loop pass: the digest of the game state as the pass begins.
void Frame(uint64_t digest);

// The result of a recording or a play-back, once the game has ended with `exitCode`.
struct Outcome {
    bool inSync = true;      // play-back: every digest and every read matched
    bool cutShort = false;   // play-back: the demo ended without its end event
    bool viewerQuit = false; // play-back: the viewer pressed Escape or closed the window
    bool writeFailed = false;
    std::string error;           // why not in sync, or why the file could not be written
    uint32_t frames = 0;         // frames recorded or played
    std::vector<double> frameMs; // fast play-back: wall time of each frame
};
Outcome Finish(int exitCode);

// Hooks for the platform calls (platform/sdl/ and platform/win32/ only). Recording() and Playing() are
// true only on the thread that started the demo: the audio thread is never recorded.
namespace hook {
bool Recording();
bool Playing();
bool FastPlay();
uint32_t Tick(uint32_t real); // records the read, or gives the recorded one instead
void RecordPeek(bool found, const MSG &msg);
BOOL PlayPeek(MSG *msg);
void RecordDeviceState(bool mouse, HRESULT result, const void *data, size_t size);
HRESULT PlayDeviceState(bool mouse, void *data, size_t size);
void RecordResult(Kind kind, int32_t result); // Acquire, Box, DisplayMode
int32_t PlayResult(Kind kind, int32_t fallback);
} // namespace hook

// What the recorder and the player need from the platform implementation they run on.
namespace host {
// Play-back: the viewer's own input is thrown away, but Escape, the close button and a
// termination signal end it (true).
bool ViewerQuits();
// The game's windows by the order they were made: a message is recorded by its window's
// index (-1 for none); WindowAt gives null for an index with no live window.
int WindowIndex(HWND window);
HWND WindowAt(int index);
// From now on windows draw off the screen, if the platform can.
void DrawOffscreen();
} // namespace host

} // namespace demo
