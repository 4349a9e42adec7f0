// The tune notation: a small text format, one file per tune, compiled to driver streams.
//
//   title Zombies            song title written into the file's tag
//   tempo 72                 quarter notes per minute (48 ticks to the quarter)
//   meter 4/4                bar lines "|" are checked against it
//   volume 90                master volume, 0..127
//   echo 5 50 30             echo delay (16 ms steps), feedback, return volume
//   inst lead flute adsr 10 3 6 12     an instrument: sample and envelope (AR DR SL SR),
//   inst pad strings gain 60           or a fixed GAIN value (hex)
//   drum k kick 0            drum letter, instrument, semitones from its natural pitch
//   chan mel lead o5 l8 v90 p-20 q7 echo   a channel (voice 0, 1, ... in order): its
//                                          instrument and starting settings
//   chan beat kit v80        a drum channel: letters from the "drum" lines
//   part A                   a section; lines "name: notes" add to that channel
//   intro X                  sections played once
//   play A A B A             sections played after the intro, round and round
//
// Notes: c d e f g a b, then + or # (sharp) or - (flat), a length (1 2 4 8 16 32, 3 6 12
// 24 for triplets) and dots. r rest, ^ tie (lengthens what came before), & slur the next
// note on without a new attack, o4 < > octave, l8 default length, q1..q8 held fraction in
// eighths (q8 legato), v volume, p pan (-64..64), @name instrument, ~delay,cents,quarter
// vibrato (~0 off), [ ... ]3 repeat. Each part starts from the channel's own settings.
#pragma once

#include "Song.h"

#include <string>
#include <vector>

namespace music {

constexpr int kTicksPerQuarter = 48;

struct NoteInfo {
    int channel;
    long start; // tick
    int ticks;
    int midi;
};

struct TuneResult {
    CompiledSong song;
    std::vector<NoteInfo> notes; // every keyed note of every channel, intro and one loop
};

// Throws std::runtime_error with "file:line: message" on a mistake in the text.
TuneResult compileTune(const std::string &text, const std::string &fileName);

} // namespace music
