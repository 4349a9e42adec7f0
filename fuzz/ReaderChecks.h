// What a reader of outside data must do with any file, shared by the fuzz targets and the
// replay of their regression files in the ordinary tests. Each check returns an empty
// string when the reader behaved, or what went wrong.
#pragma once

#include "platform/Demo.h"
#include "platform/glpng.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace readerchecks {

// Loads the map file (".//Game Data//Map//Map.txt") twice, over two prefilled maps that
// differ in every field, bit for bit: a field the reader wrote holds the same value both
// times, one it left alone keeps the two prefills. The fields written must be exactly the
// ones before the first failed read, in the reader's order (floor tile, floor height, wall
// base, wall height, then side and wall tile only after a wall height above 0).
// `written` receives how many cells were written whole.
inline std::string CheckMapLoad(int *written = nullptr) {
    const int cells = kMapSize * kMapSize;
    static auto loads = std::make_unique<structMap[]>(2 * cells);
    uint32_t bits = 0x7fa5a5a5; // a quiet NaN whose payload text input never gives
    float nan;
    std::memcpy(&nan, &bits, sizeof nan);
    const structMap fill[2] = {{1, 0.0f, 2, 0.0f, 0.0f, 0},
                               {-123456789, nan, -987654321, nan, nan, -5}};
    for (int load = 0; load < 2; load++) {
        std::fill(&stMap[0][0], &stMap[0][0] + cells, fill[load]);
        CMapMgr().LoadMap();
        std::memcpy(&loads[load * cells], stMap, sizeof(structMap) * cells);
    }
    auto word = [](const structMap &c, int k) { // the fields in reading order, as bits
        const void *fields[] = {&c.floorTexture, &c.floorHeight, &c.wallBase,
                                &c.wallHeight,   &c.wallSide,    &c.wallTexture};
        uint32_t w;
        std::memcpy(&w, fields[k], 4);
        return w;
    };
    bool failed = false;
    int whole = 0;
    for (int n = 0; n < cells; n++) {
        const structMap &a = loads[n], &b = loads[cells + n];
        const int count = !failed && word(a, 3) == word(b, 3) && a.wallHeight > 0.0f ? 6 : 4;
        for (int k = 0; k < 6; k++) {
            const bool same = word(a, k) == word(b, k);
            const bool untouched = word(a, k) == word(fill[0], k) && word(b, k) == word(fill[1], k);
            if (same && (failed || k >= count))
                return "cell (" + std::to_string(n / kMapSize) + ", " +
                       std::to_string(n % kMapSize) + "), field " + std::to_string(k) +
                       " written after a failed read";
            if (!same && !untouched)
                return "cell " + std::to_string(n) + ": field " + std::to_string(k) + " differs";
            failed = failed || (!same && k < count);
        }
        whole += !failed;
    }
    if (written)
        *written = whole;
    return "";
}

// Binds a picture in the game's way (no mipmaps, the file's alpha) and in the other (mipmaps,
// alpha ignored). A file that cannot be decoded gives texture 0 and leaves no GL error and
// the binding as it was; a decoded one gives a new texture, bound, without a GL error.
// Needs a current GL context; `decoded` receives whether the game's way gave a texture.
inline std::string CheckPngBind(const char *path, bool *decoded = nullptr) {
    for (const auto &mode : {std::pair{PNG_NOMIPMAPS, PNG_ALPHA}, {PNG_BUILDMIPMAPS, PNG_SOLID}}) {
        glBindTexture(GL_TEXTURE_2D, 0);
        if (glGetError() != GL_NO_ERROR)
            return "a GL error before the call";
        pngInfo info = {};
        GLuint name =
            pngBind(path, mode.first, mode.second, &info, GL_CLAMP, GL_NEAREST, GL_NEAREST);
        const GLenum error = glGetError();
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        if (decoded && mode.first == PNG_NOMIPMAPS)
            *decoded = name != 0;
        if (error != GL_NO_ERROR)
            return "GL error " + std::to_string(error) +
                   (name ? " after an upload" : " after a failure");
        if (GLuint(bound) != name)
            return name ? "the new texture is not bound" : "a failed decode changed the binding";
        if (name && (info.Width == 0 || info.Height == 0))
            return "an empty picture was uploaded";
        glDeleteTextures(name ? 1 : 0, &name);
    }
    return "";
}

// An image without the SPC signature plays silence: every byte rendered is 0.
inline bool HasSpcSignature(const unsigned char *image) {
    return std::memcmp(image, "SNES-SPC700 Sound File Data", 27) == 0;
}

// A demo file: Parse takes it or gives a one-line reason. One it takes reads back event by
// event to exactly its frames, in order, and its end if it has one, every device state
// inside the file; and those events encoded again parse to as many.
inline std::string CheckDemoParse(const uint8_t *data, size_t size, bool *accepted = nullptr) {
    demo::Demo d;
    std::string error;
    const bool ok = demo::Parse(data, size, d, error);
    if (accepted)
        *accepted = ok;
    if (!ok)
        return error.empty() || error.find('\n') != std::string::npos
                   ? "refused without a one-line reason: \"" + error + "\""
                   : "";
    std::vector<uint8_t> again = demo::EncodeHeader(d.identity), chunk;
    demo::EventReader reader(d);
    demo::Event e;
    uint32_t frames = 0, events = 0;
    bool ended = false;
    for (; reader.Next(e); events++) {
        uint8_t state[demo::kKeyBytes] = {};
        if ((e.kind == demo::Kind::Keyboard || e.kind == demo::Kind::Mouse) && e.a >= 0) {
            if (e.data < d.eventsAt || e.data >= size)
                return "a device state outside the events";
            demo::StateBytes(d, e, state);
        }
        if (ended || (e.kind == demo::Kind::Frame && e.b != frames++))
            return "frames out of order, or events after the end";
        ended = e.kind == demo::Kind::End;
        demo::EncodeEvent(chunk, e, state);
        if (e.kind == demo::Kind::Frame || ended)
            demo::EncodeChunk(again, chunk), chunk.clear();
    }
    if (!chunk.empty())
        demo::EncodeChunk(again, chunk);
    demo::Demo back;
    if (frames != d.frames || ended != d.ended ||
        !demo::Parse(again.data(), again.size(), back, error) ||
        demo::AllEvents(back).size() != events)
        return "the events read back are not the ones parsed";
    return "";
}

// For the fuzz targets: the input written where the reader looks, and a check that fails
// ends the run with what went wrong.
inline void WriteInput(const std::string &path, const uint8_t *data, size_t size) {
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0)
        std::abort();
}
inline int Require(const char *reader, const std::string &fault) {
    if (!fault.empty())
        std::fprintf(stderr, "%s: %s\n", reader, fault.c_str()), std::abort();
    return 0;
}

} // namespace readerchecks
