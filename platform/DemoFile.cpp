// The demo file format: encoding, and the defensive reader. The reader trusts nothing
// in the file: every length is checked against the bytes that are really there before
// anything is taken or allocated, every chunk against its checksum.
#include "platform/Demo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace demo {

namespace {

// The fuzzers (GRAVEWAKE_FUZZ) let checksums pass, so that mutated events reach the
// decoder instead of all stopping at the checksum.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kCheckSums = false;
#else
constexpr bool kCheckSums = true;
#endif

void Put16(std::vector<uint8_t> &out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put64(std::vector<uint8_t> &out, uint64_t v) {
    for (int i = 0; i < 8; i++)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutText(std::vector<uint8_t> &out, const std::string &text) {
    const size_t n = text.size() < kMaxIdentityText ? text.size() : kMaxIdentityText;
    Put16(out, static_cast<uint16_t>(n));
    out.insert(out.end(), text.begin(), text.begin() + static_cast<long>(n));
}

// Reads from a bounded range; every Get fails once the range is used up.
struct Cursor {
    const uint8_t *p;
    size_t left;
    bool Take(void *to, size_t n) {
        if (n > left)
            return false;
        if (to)
            std::memcpy(to, p, n);
        p += n;
        left -= n;
        return true;
    }
    bool Get8(uint8_t &v) { return Take(&v, 1); }
    bool Get16(uint16_t &v) {
        uint8_t b[2];
        if (!Take(b, 2))
            return false;
        v = static_cast<uint16_t>(b[0] | b[1] << 8);
        return true;
    }
    bool Get32(uint32_t &v) {
        uint8_t b[4];
        if (!Take(b, 4))
            return false;
        v = 0;
        for (int i = 3; i >= 0; i--)
            v = v << 8 | b[i];
        return true;
    }
    bool Get64(uint64_t &v) {
        uint8_t b[8];
        if (!Take(b, 8))
            return false;
        v = 0;
        for (int i = 7; i >= 0; i--)
            v = v << 8 | b[i];
        return true;
    }
    bool GetText(std::string &text) {
        uint16_t n;
        if (!Get16(n) || n > kMaxIdentityText || n > left)
            return false;
        text.assign(reinterpret_cast<const char *>(p), n);
        return Take(nullptr, n);
    }
};

} // namespace

uint32_t Crc32(const uint8_t *data, size_t size) {
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        made = true;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> EncodeHeader(const Identity &identity) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    Put16(out, kFormatVersion);
    Put16(out, identity.logicVersion);
    PutText(out, identity.gameVersion);
    PutText(out, identity.sourceHash);
    Put32(out, Crc32(out.data(), out.size()));
    return out;
}

void EncodeEvent(std::vector<uint8_t> &out, const Event &e, const uint8_t *bytes) {
    static const uint8_t none[kKeyBytes] = {};
    if (!bytes)
        bytes = none;
    out.push_back(static_cast<uint8_t>(e.kind));
    switch (e.kind) {
    case Kind::Tick:
        Put32(out, static_cast<uint32_t>(e.a));
        break;
    case Kind::Message:
        Put32(out, static_cast<uint32_t>(e.a));
        Put32(out, e.b);
        Put64(out, e.c);
        Put64(out, static_cast<uint64_t>(e.d));
        break;
    case Kind::NoMessage:
        break;
    case Kind::Keyboard:
    case Kind::Mouse:
        Put32(out, static_cast<uint32_t>(e.a));
        if (e.a >= 0 && e.kind == Kind::Mouse) {
            out.insert(out.end(), bytes, bytes + kMouseBytes);
        } else if (e.a >= 0) {
            // Keys down only: nearly all of the 256 are up nearly always.
            uint16_t n = 0;
            for (size_t k = 0; k < kKeyBytes; k++)
                n += bytes[k] != 0;
            Put16(out, n);
            for (size_t k = 0; k < kKeyBytes; k++)
                if (bytes[k]) {
                    out.push_back(static_cast<uint8_t>(k));
                    out.push_back(bytes[k]);
                }
        }
        break;
    case Kind::Acquire:
    case Kind::Box:
    case Kind::DisplayMode:
    case Kind::End:
        Put32(out, static_cast<uint32_t>(e.a));
        break;
    case Kind::Frame:
        Put32(out, e.b);
        Put64(out, e.c);
        break;
    }
}

void EncodeChunk(std::vector<uint8_t> &out, const std::vector<uint8_t> &events) {
    Put32(out, static_cast<uint32_t>(events.size()));
    out.insert(out.end(), events.begin(), events.end());
    Put32(out, Crc32(events.data(), events.size()));
}

namespace {

// The next event of the chunk in `in`, whose bytes start at `base`. False with the reason
// for an event that is cut off or makes no sense by itself.
bool DecodeEvent(Cursor &in, const uint8_t *base, Event &e, const char *&why) {
    uint8_t kind = 0;
    in.Get8(kind);
    e = Event();
    e.kind = static_cast<Kind>(kind);
    uint32_t u32 = 0;
    uint64_t u64 = 0;
    why = "event cut off";
    switch (e.kind) {
    case Kind::Tick:
    case Kind::Acquire:
    case Kind::Box:
    case Kind::DisplayMode:
    case Kind::End:
        if (!in.Get32(u32))
            return false;
        e.a = static_cast<int32_t>(u32);
        return true;
    case Kind::Message:
        if (!in.Get32(u32) || !in.Get32(e.b) || !in.Get64(e.c) || !in.Get64(u64))
            return false;
        e.a = static_cast<int32_t>(u32);
        e.d = static_cast<int64_t>(u64);
        why = "message for a window that cannot exist";
        return e.a >= -1 && e.a <= 64;
    case Kind::NoMessage:
        return true;
    case Kind::Mouse:
        if (!in.Get32(u32))
            return false;
        e.a = static_cast<int32_t>(u32);
        e.data = static_cast<uint32_t>(in.p - base);
        return e.a < 0 || in.Take(nullptr, kMouseBytes);
    case Kind::Keyboard: {
        if (!in.Get32(u32))
            return false;
        e.a = static_cast<int32_t>(u32);
        e.data = static_cast<uint32_t>(in.p - base);
        if (e.a < 0)
            return true;
        uint16_t n = 0;
        if (!in.Get16(n))
            return false;
        why = "key state out of order";
        int last = -1;
        for (uint16_t i = 0; i < n; i++) {
            uint8_t pair[2];
            if (!in.Take(pair, 2)) {
                why = "event cut off";
                return false;
            }
            if (pair[0] <= last || pair[1] == 0)
                return false;
            last = pair[0];
        }
        return true;
    }
    case Kind::Frame:
        return in.Get32(e.b) && in.Get64(e.c);
    }
    why = "unknown event";
    return false;
}

} // namespace

bool Parse(const uint8_t *data, size_t size, Demo &demo, std::string &error) {
    demo = Demo();
    if (size > kMaxFile) {
        error = "the file is too large to be a demo";
        return false;
    }
    Cursor in{data, size};
    char magic[sizeof kMagic];
    if (!in.Take(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) {
        error = "not a Gravewake demo (no demo header)";
        return false;
    }
    uint16_t format = 0;
    if (!in.Get16(format)) {
        error = "truncated header";
        return false;
    }
    if (format != kFormatVersion) {
        error = "format version " + std::to_string(format) +
                " is not supported (this build reads version " + std::to_string(kFormatVersion) +
                ")";
        return false;
    }
    Identity &id = demo.identity;
    uint32_t headerCrc = 0;
    if (!in.Get16(id.logicVersion) || !in.GetText(id.gameVersion) || !in.GetText(id.sourceHash) ||
        !in.Get32(headerCrc)) {
        error = "truncated or damaged header";
        return false;
    }
    const size_t headerSize = size - in.left;
    if (kCheckSums && Crc32(data, headerSize - 4) != headerCrc) {
        error = "damaged header (checksum mismatch)";
        return false;
    }

    Cursor file{data + headerSize, size - headerSize};
    while (file.left > 0) {
        const size_t at = size - file.left;
        uint32_t length = 0;
        if (!file.Get32(length) || length > kMaxChunk || length + size_t(4) > file.left) {
            error = "truncated or damaged at byte " + std::to_string(at) +
                    " (a chunk runs past the end of the file)";
            return false;
        }
        const uint8_t *chunk = file.p;
        file.Take(nullptr, length);
        uint32_t crc = 0;
        file.Get32(crc);
        if (kCheckSums && Crc32(chunk, length) != crc) {
            error = "damaged at byte " + std::to_string(at) + " (checksum mismatch)";
            return false;
        }
        Cursor events{chunk, length};
        while (events.left > 0) {
            const size_t eventAt = static_cast<size_t>(events.p - data);
            auto bad = [&](const char *what) {
                error =
                    std::string("damaged at byte ") + std::to_string(eventAt) + " (" + what + ")";
                return false;
            };
            if (demo.ended)
                return bad("events after the end");
            Event e;
            const char *why = "";
            if (!DecodeEvent(events, data, e, why))
                return bad(why);
            if (e.kind == Kind::Frame && e.b != demo.frames++)
                return bad("frames out of order");
            demo.ended = e.kind == Kind::End;
        }
    }
    if (demo.frames == 0) {
        error = "the demo holds no frames";
        return false;
    }
    demo.bytes.assign(data, data + size);
    demo.eventsAt = headerSize;
    return true;
}

EventReader::EventReader(const Demo &demo) : demo_(demo), next_(demo.eventsAt) {}

bool EventReader::Next(Event &event) {
    const uint8_t *base = demo_.bytes.data();
    const size_t size = demo_.bytes.size();
    // Parse has checked every chunk; the bounds are kept all the same.
    while (at_ >= chunkEnd_) {
        Cursor c{base + next_, next_ <= size ? size - next_ : 0};
        uint32_t length = 0;
        if (!c.Get32(length) || size_t(length) + 4 > c.left)
            return false;
        at_ = next_ + 4;
        chunkEnd_ = at_ + length;
        next_ = chunkEnd_ + 4;
    }
    Cursor in{base + at_, chunkEnd_ - at_};
    const char *why = "";
    if (!DecodeEvent(in, base, event, why))
        return false;
    at_ = static_cast<size_t>(in.p - base);
    return true;
}

void StateBytes(const Demo &demo, const Event &event, uint8_t *out) {
    const uint8_t *p = demo.bytes.data() + event.data;
    if (event.kind == Kind::Mouse) {
        std::memcpy(out, p, kMouseBytes);
        return;
    }
    std::memset(out, 0, kKeyBytes);
    const unsigned n = p[0] | p[1] << 8;
    for (unsigned i = 0; i < n; i++)
        out[p[2 + 2 * i]] = p[3 + 2 * i];
}

std::vector<Event> AllEvents(const Demo &demo) {
    std::vector<Event> events;
    EventReader reader(demo);
    Event e;
    while (reader.Next(e))
        events.push_back(e);
    return events;
}

bool Load(const std::string &path, Demo &demo, std::string &error) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open demo " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t n;
    bool tooLarge = false;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) {
        if (bytes.size() + n > kMaxFile) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        error = "cannot read demo " + path;
        return false;
    }
    if (tooLarge) {
        error = "demo " + path + ": the file is too large to be a demo";
        return false;
    }
    if (!Parse(bytes.data(), bytes.size(), demo, error)) {
        error = "demo " + path + ": " + error;
        return false;
    }
    return true;
}

} // namespace demo
