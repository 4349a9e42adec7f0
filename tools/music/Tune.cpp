#include "Tune.h"

#include "Samples.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <sstream>
#include <stdexcept>

namespace music {
namespace {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Vibrato {
    int delay = 0, depth = 0, rate = 1;
    bool operator!=(const Vibrato &o) const {
        return delay != o.delay || depth != o.depth || rate != o.rate;
    }
};

// Channel settings a note carries.
struct Settings {
    int octave = 4, length = 48, volume = 100, pan = 0, gate = 7, instrument = -1;
    Vibrato vib;
};

struct Event {
    enum Kind { Note, Rest, Continue };
    explicit Event(Kind k) : kind(k) {}
    Kind kind;
    int midi = 0;  // notes
    int index = 0; // pitch table index (notes)
    long ticks = 0;
    bool slur = false; // reached from the previous note without a new attack
    Settings set;
};

struct InstDef {
    std::string sample;
    Instrument inst;
    int transpose = 0; // pitch table offset for tonal samples
    bool drum = false;
    int rate = 0;
};

struct DrumDef {
    int instrument;
    int semitones;
};

struct ChanDef {
    std::string name;
    bool kit = false;
    bool echo = false;
    Settings defaults;
};

struct Line {
    int number;
    std::string text;
};

class Compiler {
  public:
    Compiler(const std::string &file) : file_(file) {}
    TuneResult run(const std::string &text);

  private:
    [[noreturn]] void fail(int line, const std::string &msg) const {
        throw Error(file_ + ":" + std::to_string(line) + ": " + msg);
    }
    void header(int line, std::istringstream &in, const std::string &word);
    void settings(const std::string &text, size_t &pos, Settings &s, bool kit, int line);
    std::vector<Event> parsePart(const ChanDef &ch, const std::vector<Line> &lines);
    int pitchIndex(const InstDef &d, int midi, int line) const;
    long parseLength(const std::string &t, size_t &pos, long deflt, int line) const;
    int parseInt(const std::string &t, size_t &pos, int line) const;
    Stream emit(const std::vector<Event> &events, size_t loopEvent, const ChanDef &ch);

    std::string file_;
    std::string title_;
    int tempo_ = 0, barTicks_ = 4 * kTicksPerQuarter;
    int volume_ = 80;
    Echo echo_;
    std::vector<std::string> instNames_;
    std::vector<InstDef> insts_;
    std::map<char, DrumDef> drums_;
    std::vector<ChanDef> chans_;
    std::vector<std::string> partOrder_;
    std::map<std::string, std::map<std::string, std::vector<Line>>> parts_; // part -> chan
    std::vector<std::string> intro_, play_;
};

int Compiler::parseInt(const std::string &t, size_t &pos, int line) const {
    size_t start = pos;
    if (pos < t.size() && (t[pos] == '-' || t[pos] == '+')) ++pos;
    while (pos < t.size() && std::isdigit(static_cast<unsigned char>(t[pos])))
        ++pos;
    if (pos == start || (pos == start + 1 && !std::isdigit(static_cast<unsigned char>(t[start]))))
        fail(line, "number expected at \"" + t.substr(start, 10) + "\"");
    return std::stoi(t.substr(start, pos - start));
}

// "4", "8.", "2..": a note value; none means the default. Returns ticks.
long Compiler::parseLength(const std::string &t, size_t &pos, long deflt, int line) const {
    long ticks = deflt;
    if (pos < t.size() && std::isdigit(static_cast<unsigned char>(t[pos]))) {
        int n = parseInt(t, pos, line);
        if (n <= 0 || (4 * kTicksPerQuarter) % n != 0)
            fail(line, "note value 1/" + std::to_string(n) + " does not fit the tick grid");
        ticks = 4 * kTicksPerQuarter / n;
    }
    long add = ticks;
    while (pos < t.size() && t[pos] == '.') {
        if (add % 2) fail(line, "too many dots");
        add /= 2;
        ticks += add;
        ++pos;
    }
    return ticks;
}

int Compiler::pitchIndex(const InstDef &d, int midi, int line) const {
    int idx = midi + d.transpose - kPitchBaseNote;
    if (idx < 0 || idx >= kPitchEntries)
        fail(line, "note " + std::to_string(midi) + " is out of this instrument's range");
    return idx;
}

void Compiler::header(int line, std::istringstream &in, const std::string &word) {
    if (word == "title") {
        std::getline(in >> std::ws, title_);
    } else if (word == "tempo") {
        in >> tempo_;
        if (tempo_ < 40 || tempo_ > 250) fail(line, "tempo out of range");
    } else if (word == "meter") {
        int n = 0, d = 0;
        char slash = 0;
        in >> n >> slash >> d;
        if (slash != '/' || n <= 0 || d <= 0 || (4 * kTicksPerQuarter) % d)
            fail(line, "meter like 3/4 expected");
        barTicks_ = n * 4 * kTicksPerQuarter / d;
    } else if (word == "volume") {
        in >> volume_;
    } else if (word == "echo") {
        in >> echo_.delay >> echo_.feedback >> echo_.volume;
        if (echo_.delay < 0 || echo_.delay > 8) fail(line, "echo delay 0..8");
    } else if (word == "fir") {
        for (auto &c : echo_.fir) {
            int v = 0;
            in >> v;
            c = static_cast<int8_t>(v);
        }
    } else if (word == "inst") {
        std::string name, sample, kind;
        in >> name >> sample;
        const SampleInfo *info = findSample(sample);
        if (!info) fail(line, "unknown sample " + sample);
        InstDef d;
        d.sample = sample;
        d.inst.adsr1 = info->adsr1;
        d.inst.adsr2 = info->adsr2;
        d.drum = info->cycle == 0;
        d.rate = info->rate;
        if (!d.drum) {
            int shift = 0;
            while ((32 << shift) < info->cycle)
                ++shift;
            d.transpose = 12 * shift;
        }
        while (in >> kind) {
            if (kind == "adsr") {
                int ar, dr, sl, sr;
                if (!(in >> ar >> dr >> sl >> sr) || ar > 15 || dr > 7 || sl > 7 || sr > 31)
                    fail(line, "adsr AR(0-15) DR(0-7) SL(0-7) SR(0-31)");
                d.inst.adsr1 = static_cast<uint8_t>(0x80 | dr << 4 | ar);
                d.inst.adsr2 = static_cast<uint8_t>(sl << 5 | sr);
            } else if (kind == "gain") {
                int g;
                in >> std::hex >> g >> std::dec;
                d.inst.adsr1 = 0;
                d.inst.gain = static_cast<uint8_t>(g);
            } else {
                fail(line, "unknown instrument setting " + kind);
            }
        }
        instNames_.push_back(name);
        insts_.push_back(d);
    } else if (word == "drum") {
        std::string letter, inst;
        int semis = 0;
        in >> letter >> inst >> semis;
        auto it = std::find(instNames_.begin(), instNames_.end(), inst);
        if (letter.size() != 1 || std::string("rvplqo").find(letter[0]) != std::string::npos ||
            !std::islower(static_cast<unsigned char>(letter[0])))
            fail(line, "drum letter must be one lower-case letter other than r v p l q o");
        if (it == instNames_.end()) fail(line, "unknown instrument " + inst);
        drums_[letter[0]] = {int(it - instNames_.begin()), semis};
    } else if (word == "chan") {
        ChanDef c;
        std::string rest;
        in >> c.name;
        std::getline(in, rest);
        std::istringstream words(rest);
        std::string w, settingsText;
        while (words >> w) {
            if (w == "kit")
                c.kit = true;
            else if (w == "echo")
                c.echo = true;
            else if (std::find(instNames_.begin(), instNames_.end(), w) != instNames_.end())
                settingsText += " @" + w;
            else
                settingsText += " " + w;
        }
        size_t pos = 0;
        settings(settingsText, pos, c.defaults, c.kit, line);
        if (pos < settingsText.size())
            fail(line, "unexpected \"" + settingsText.substr(pos) + "\"");
        if (!c.kit && c.defaults.instrument < 0) fail(line, "channel needs an instrument");
        if (chans_.size() == 8) fail(line, "eight channels at most");
        chans_.push_back(c);
    } else if (word == "intro" || word == "play") {
        std::string p;
        auto &list = word == "intro" ? intro_ : play_;
        while (in >> p) {
            if (!parts_.count(p)) fail(line, "unknown part " + p);
            list.push_back(p);
        }
    } else {
        fail(line, "unknown word " + word);
    }
}

// Reads setting tokens (o l v p q @ ~ < >) at pos; stops at anything else.
void Compiler::settings(const std::string &t, size_t &pos, Settings &s, bool kit, int line) {
    while (pos < t.size()) {
        char c = t[pos];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos;
        } else if (c == 'o') {
            ++pos;
            s.octave = parseInt(t, pos, line);
        } else if (c == '<') {
            ++pos, --s.octave;
        } else if (c == '>') {
            ++pos, ++s.octave;
        } else if (c == 'l') {
            ++pos;
            s.length = static_cast<int>(parseLength(t, pos, s.length, line));
        } else if (c == 'v') {
            ++pos;
            s.volume = parseInt(t, pos, line);
            if (s.volume < 0 || s.volume > 127) fail(line, "volume 0..127");
        } else if (c == 'p') {
            ++pos;
            s.pan = parseInt(t, pos, line);
            if (s.pan < -64 || s.pan > 64) fail(line, "pan -64..64");
        } else if (c == 'q') {
            ++pos;
            s.gate = parseInt(t, pos, line);
            if (s.gate < 1 || s.gate > 8) fail(line, "q1..q8");
        } else if (c == '@' && !kit) {
            size_t start = ++pos;
            while (pos < t.size() &&
                   (std::isalnum(static_cast<unsigned char>(t[pos])) || t[pos] == '_'))
                ++pos;
            std::string name = t.substr(start, pos - start);
            auto it = std::find(instNames_.begin(), instNames_.end(), name);
            if (it == instNames_.end()) fail(line, "unknown instrument " + name);
            s.instrument = int(it - instNames_.begin());
        } else if (c == '~') {
            ++pos;
            s.vib = Vibrato{};
            int d = parseInt(t, pos, line);
            if (pos < t.size() && t[pos] == ',') {
                ++pos;
                int cents = parseInt(t, pos, line);
                if (pos >= t.size() || t[pos] != ',') fail(line, "vibrato ~delay,cents,quarter");
                ++pos;
                int q = parseInt(t, pos, line);
                if (q < 1 || q > 100 || cents < 1 || cents > 100)
                    fail(line, "vibrato out of range");
                double ratio = std::pow(2.0, cents / 1200.0) - 1.0;
                s.vib.delay = d;
                s.vib.rate = q;
                s.vib.depth = std::clamp(int(std::lround(ratio * 4096.0 / q)), 1, 63);
            }
        } else {
            return;
        }
    }
}

std::vector<Event> Compiler::parsePart(const ChanDef &ch, const std::vector<Line> &lines) {
    std::vector<Event> out;
    Settings s = ch.defaults;
    long pos = 0;
    bool slurNext = false;
    // Repeats: stack of (event index, position) where a bracket opened.
    std::vector<std::pair<size_t, long>> repeat;
    for (const Line &ln : lines) {
        const std::string &t = ln.text;
        size_t i = 0;
        while (i < t.size()) {
            settings(t, i, s, ch.kit, ln.number);
            if (i >= t.size()) break;
            char c = t[i];
            bool isDrum = ch.kit && drums_.count(c);
            if (c == '|') {
                ++i;
                if (pos % barTicks_ != 0)
                    fail(ln.number, "bar line at tick " + std::to_string(pos % barTicks_) +
                                        " of a bar in " + ch.name);
            } else if (c == '[') {
                ++i;
                repeat.push_back({out.size(), pos});
            } else if (c == ']') {
                ++i;
                if (repeat.empty()) fail(ln.number, "] without [");
                int times = parseInt(t, i, ln.number);
                auto [from, start] = repeat.back();
                repeat.pop_back();
                std::vector<Event> body(out.begin() + long(from), out.end());
                for (int k = 1; k < times; ++k)
                    out.insert(out.end(), body.begin(), body.end());
                pos += (pos - start) * (times - 1);
            } else if (c == '&') {
                ++i;
                slurNext = true;
            } else if (c == 'r' || c == '^') {
                ++i;
                Event e(c == 'r' ? Event::Rest : Event::Continue);
                e.ticks = parseLength(t, i, s.length, ln.number);
                e.set = s;
                pos += e.ticks;
                // A rest on a drum channel lets the last hit ring on.
                bool extend = c == '^' || ch.kit;
                // Inside a repeat only what the repeat holds may be lengthened; anything
                // earlier is joined when the parts are strung together.
                size_t floor = repeat.empty() ? 0 : repeat.back().first;
                if (c == 'r' && ch.kit && out.size() <= floor) e.kind = Event::Continue;
                if (extend && out.size() > floor && out.back().kind != Event::Continue)
                    out.back().ticks += e.ticks;
                else
                    out.push_back(e);
            } else if (isDrum || (!ch.kit && std::string("cdefgab").find(c) != std::string::npos)) {
                ++i;
                Event e(Event::Note);
                Settings es = s;
                if (isDrum) {
                    const DrumDef &dd = drums_.at(c);
                    const InstDef &d = insts_[dd.instrument];
                    es.instrument = dd.instrument;
                    es.gate = 8; // drums ring out
                    es.vib = Vibrato{};
                    double p = 4096.0 * d.rate / 32000.0 * std::pow(2.0, dd.semitones / 12.0);
                    double m = 69 + 12 * std::log2(p / 4.096 / 440.0);
                    e.midi = static_cast<int>(std::lround(m));
                    e.index = pitchIndex(d, e.midi, ln.number);
                } else {
                    static const int base[] = {9, 11, 0, 2, 4, 5, 7}; // a b c d e f g
                    int semis = base[c - 'a'];
                    while (i < t.size() && (t[i] == '+' || t[i] == '#' || t[i] == '-'))
                        semis += t[i++] == '-' ? -1 : 1;
                    e.midi = 12 * (s.octave + 1) + semis;
                    e.index = pitchIndex(insts_[s.instrument], e.midi, ln.number);
                }
                e.ticks = parseLength(t, i, s.length, ln.number);
                e.slur = slurNext;
                slurNext = false;
                e.set = es;
                pos += e.ticks;
                out.push_back(e);
            } else {
                fail(ln.number, std::string("unexpected '") + c + "' in " + ch.name);
            }
        }
    }
    if (!repeat.empty()) fail(lines.back().number, "[ without ]");
    return out;
}

// Writes one channel's stream, sending a setting only when the driver's copy differs.
Stream Compiler::emit(const std::vector<Event> &events, size_t loopEvent, const ChanDef &ch) {
    Stream st;
    std::vector<uint8_t> &b = st.bytes;
    int inst = -1, volL = -1, volR = -1, len = -1, gate = -1;
    Vibrato vib{-1, -1, -1};
    if (ch.echo) b.insert(b.end(), {ev::kEcho, 1});
    for (size_t k = 0; k < events.size(); ++k) {
        const Event &e = events[k];
        if (k == loopEvent) { // the driver may arrive here from the end: say everything again
            st.loopOffset = b.size();
            inst = volL = volR = len = gate = -1;
            vib = Vibrato{-1, -1, -1};
        }
        int g = e.set.gate >= 8 ? 0 : e.set.gate * 32;
        bool nextSlurs =
            k + 1 < events.size() && events[k + 1].slur && events[k + 1].kind == Event::Note;
        if (e.kind == Event::Note) {
            const Settings &s = e.set;
            if (s.instrument != inst) {
                b.insert(b.end(), {ev::kInstrument, uint8_t(s.instrument)});
                inst = s.instrument;
            }
            int l = static_cast<int>(std::lround(s.volume * std::min(1.0, (64.0 - s.pan) / 64.0)));
            int r = static_cast<int>(std::lround(s.volume * std::min(1.0, (64.0 + s.pan) / 64.0)));
            if (l != volL || r != volR) {
                b.insert(b.end(), {ev::kVolume, uint8_t(l), uint8_t(r)});
                volL = l, volR = r;
            }
            if (s.vib != vib) {
                b.insert(b.end(), {ev::kVibrato, uint8_t(s.vib.delay), uint8_t(s.vib.depth),
                                   uint8_t(s.vib.rate)});
                vib = s.vib;
            }
        }
        long left = e.ticks;
        bool first = true;
        while (left > 0) {
            int chunk = static_cast<int>(std::min<long>(left, 240));
            if (left - chunk > 0 && left - chunk < 16) chunk = static_cast<int>(left - 16);
            left -= chunk;
            if (chunk != len) {
                b.insert(b.end(), {ev::kLength, uint8_t(chunk)});
                len = chunk;
            }
            if (e.kind == Event::Rest) {
                b.push_back(ev::kRest);
            } else {
                int want = (left > 0 || nextSlurs) ? 0 : g;
                if (want != gate) {
                    b.insert(b.end(), {ev::kGate, uint8_t(want)});
                    gate = want;
                }
                if (!first || e.kind == Event::Continue)
                    b.push_back(ev::kTie);
                else if (e.slur)
                    b.push_back(uint8_t(ev::kSlur + e.index));
                else
                    b.push_back(uint8_t(e.index));
            }
            first = false;
        }
    }
    return st;
}

TuneResult Compiler::run(const std::string &text) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    std::string part;
    std::string lastChan;
    while (std::getline(in, raw)) {
        ++number;
        std::string lineText = raw.substr(0, raw.find('#'));
        std::istringstream words(lineText);
        std::string word;
        if (!(words >> word)) continue;
        if (word == "part") {
            words >> part;
            if (parts_.count(part)) fail(number, "part " + part + " defined twice");
            parts_[part];
            partOrder_.push_back(part);
            continue;
        }
        if (word.back() == ':') {
            if (part.empty()) fail(number, "notes outside a part");
            std::string name = word.substr(0, word.size() - 1);
            auto it = std::find_if(chans_.begin(), chans_.end(),
                                   [&](const ChanDef &c) { return c.name == name; });
            if (it == chans_.end()) fail(number, "unknown channel " + name);
            std::string rest;
            std::getline(words, rest);
            parts_[part][name].push_back({number, rest});
            continue;
        }
        header(number, words, word);
    }
    if (title_.empty() || tempo_ == 0 || chans_.empty() || play_.empty())
        fail(number, "title, tempo, chan and play are required");

    TuneResult result;
    CompiledSong &song = result.song;
    song.title = title_;
    song.timerTarget = static_cast<int>(std::lround(10000.0 / tempo_));
    song.masterVolume = volume_;
    song.echo = echo_;

    // Samples in first-use order, one directory entry each.
    for (const InstDef &d : insts_) {
        auto it = std::find(song.samples.begin(), song.samples.end(), d.sample);
        Instrument in = d.inst;
        in.sample = int(it - song.samples.begin());
        if (it == song.samples.end()) song.samples.push_back(d.sample);
        song.instruments.push_back(in);
    }

    std::vector<std::string> order = intro_;
    order.insert(order.end(), play_.begin(), play_.end());
    // Every channel spends the same ticks in each part.
    std::map<std::string, long> partTicks;
    std::vector<std::vector<Event>> chanEvents(chans_.size());
    std::vector<size_t> loopEvent(chans_.size());
    for (const std::string &p : order) {
        if (partTicks.count(p)) continue;
        long ticks = -1;
        for (const ChanDef &c : chans_) {
            auto it = parts_[p].find(c.name);
            if (it == parts_[p].end()) continue;
            long t = 0;
            for (const Event &e : parsePart(c, it->second))
                t += e.ticks;
            if (ticks >= 0 && t != ticks)
                fail(it->second.front().number, "channel " + c.name + " lasts " +
                                                    std::to_string(t) + " ticks in part " + p +
                                                    ", others " + std::to_string(ticks));
            ticks = t;
        }
        if (ticks <= 0) fail(number, "part " + p + " is empty");
        partTicks[p] = ticks;
    }
    for (size_t ci = 0; ci < chans_.size(); ++ci) {
        const ChanDef &c = chans_[ci];
        std::vector<Event> &all = chanEvents[ci];
        long tick = 0;
        for (size_t oi = 0; oi < order.size(); ++oi) {
            const std::string &p = order[oi];
            if (oi == intro_.size()) loopEvent[ci] = all.size();
            auto it = parts_[p].find(c.name);
            std::vector<Event> evs;
            if (it != parts_[p].end()) {
                evs = parsePart(c, it->second);
            } else {
                Event r(Event::Rest);
                r.ticks = partTicks[p];
                r.set = c.defaults;
                evs.push_back(r);
            }
            for (const Event &e : evs) {
                bool atLoop = oi == intro_.size() && all.size() == loopEvent[ci];
                if (e.kind == Event::Continue && (all.empty() || atLoop) && c.kit) {
                    Event r(Event::Rest); // a drum channel may open with a rest
                    r.ticks = e.ticks;
                    r.set = e.set;
                    all.push_back(r);
                } else if (e.kind == Event::Continue) {
                    if (all.empty() || atLoop)
                        fail(number, "channel " + c.name + " begins with a tie");
                    all.back().ticks += e.ticks;
                } else {
                    if (atLoop && e.slur) fail(number, "the loop begins with a slur");
                    all.push_back(e);
                }
            }
            tick += partTicks[p];
        }
        long t = 0;
        for (const Event &e : all) {
            if (e.kind == Event::Note && !e.slur)
                result.notes.push_back({int(ci), t, int(e.ticks), e.midi});
            t += e.ticks;
        }
        song.channels.push_back(emit(all, loopEvent[ci], c));
    }
    for (const std::string &p : intro_)
        song.introTicks += partTicks[p];
    for (const std::string &p : play_)
        song.loopTicks += partTicks[p];
    return result;
}

} // namespace

TuneResult compileTune(const std::string &text, const std::string &fileName) {
    return Compiler(fileName).run(text);
}

} // namespace music
