// What a reader of outside data must do with any file, shared by the fuzz targets and the
// replay of their regression files in the ordinary tests. Each check returns an empty
// string when the reader behaved, or what went wrong.
#pragma once

#include "platform/Demo.h"
#include "platform/glpng.h"
#include "world/MapMgr.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace readerchecks {

// Loads the map file (".//Game Data//Map//Map.txt") twice, over two prefilled maps that
// differ in every field, bit for bit: a field the reader wrote holds the same value both
// times, one it left alone keeps the two prefills. The fields written must be exactly the
// ones before the first failed read, in the reader's order, side and wall tile only after
// a wall height above 0. `written` receives how many cells were written whole.
inline std::string CheckMapLoad(int *written = nullptr) {
    using Map = structMap[kMapSize][kMapSize];
    const int cells = kMapSize * kMapSize;
    static auto patterns = [] {
        auto made = std::make_unique<structMap[]>(2 * cells);
        uint32_t bits = 0x7fa5a5a5; // a quiet NaN whose payload text input never gives
        float nan;
        std::memcpy(&nan, &bits, sizeof nan);
        for (int k = 0; k < cells; k++) {
            made[k] = {1, 0.0f, 2, 0.0f, 0.0f, 0};
            made[cells + k] = {-123456789, nan, -987654321, nan, nan, -5555555};
        }
        return made;
    }();
    static auto firstLoad = std::make_unique<structMap[]>(cells);
    const structMap *patternA = &patterns[0], *patternB = &patterns[cells];
    CMapMgr reader;
    std::memcpy(stMap, patternA, sizeof(Map));
    reader.LoadMap();
    std::memcpy(&firstLoad[0], stMap, sizeof(Map));
    std::memcpy(stMap, patternB, sizeof(Map));
    reader.LoadMap();
    const structMap *a = &firstLoad[0], *b = &stMap[0][0];

    auto same = [](const auto &x, const auto &y) {
        uint32_t u, v; // bit for bit, without a library call per field
        __builtin_memcpy(&u, &x, 4);
        __builtin_memcpy(&v, &y, 4);
        return u == v;
    };
    auto where = [](int n, int k) {
        return "cell (" + std::to_string(n / kMapSize) + ", " + std::to_string(n % kMapSize) +
               "), field " + std::to_string(k);
    };
    // Whole cells up to the first failed read, then that cell's fields in reading order.
    int n = 0;
    for (; n < cells; n++) {
        const structMap &x = a[n], &y = b[n];
        const bool fields[] = {
            same(x.floorTexture, y.floorTexture), same(x.floorHeight, y.floorHeight),
            same(x.wallBase, y.wallBase),         same(x.wallHeight, y.wallHeight),
            same(x.wallSide, y.wallSide),         same(x.wallTexture, y.wallTexture),
        };
        const int count = fields[3] && x.wallHeight > 0.0f ? 6 : 4;
        bool failed = false;
        for (int k = 0; k < 6; k++) {
            if (k >= count) {
                if (fields[k])
                    return where(n, k) + " written without a wall";
            } else if (fields[k] && failed) {
                return where(n, k) + " written after a failed read";
            } else if (!fields[k]) {
                failed = true;
            }
        }
        if (failed)
            break;
    }
    if (written)
        *written = n;
    // Every later cell exactly as it was before each load.
    const size_t rest = n + 1 < cells ? size_t(cells - n - 1) * sizeof(structMap) : 0;
    if (rest && (std::memcmp(a + n + 1, patternA + n + 1, rest) != 0 ||
                 std::memcmp(b + n + 1, patternB + n + 1, rest) != 0)) {
        for (int m = n + 1;; m++)
            if (std::memcmp(&a[m], &patternA[m], sizeof(structMap)) != 0 ||
                std::memcmp(&b[m], &patternB[m], sizeof(structMap)) != 0)
                return where(m, 0) + "..: a cell written after a failed read";
    }
    return "";
}

inline GLint BoundTexture() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// Binds a picture in the game's way (no mipmaps, the file's alpha) and in the other (mipmaps,
// alpha ignored). A file that cannot be decoded gives texture 0 and leaves no GL error and
// the binding as it was; a decoded one gives a new texture, bound, without a GL error.
// Needs a current GL context; `decoded` receives whether the game's way gave a texture.
inline std::string CheckPngBind(const char *path, bool *decoded = nullptr) {
    const struct {
        int mipmap, trans;
    } modes[] = {{PNG_NOMIPMAPS, PNG_ALPHA}, {PNG_BUILDMIPMAPS, PNG_SOLID}};
    for (const auto &mode : modes) {
        glBindTexture(GL_TEXTURE_2D, 0);
        if (glGetError() != GL_NO_ERROR)
            return "a GL error before the call";
        pngInfo info = {};
        const unsigned name =
            pngBind(path, mode.mipmap, mode.trans, &info, GL_CLAMP, GL_NEAREST, GL_NEAREST);
        const GLenum error = glGetError();
        if (decoded && mode.mipmap == PNG_NOMIPMAPS)
            *decoded = name != 0;
        if (name == 0) {
            if (error != GL_NO_ERROR)
                return "a failed decode left GL error " + std::to_string(error);
            if (BoundTexture() != 0)
                return "a failed decode changed the binding";
        } else {
            GLuint texture = name;
            const bool bound = BoundTexture() == static_cast<GLint>(name);
            glDeleteTextures(1, &texture);
            if (error != GL_NO_ERROR)
                return "an upload left GL error " + std::to_string(error);
            if (!bound)
                return "the new texture is not bound";
            if (info.Width == 0 || info.Height == 0)
                return "an empty picture was uploaded";
        }
    }
    return "";
}

// An image without the SPC signature plays silence: every byte rendered is 0.
inline bool HasSpcSignature(const unsigned char *image) {
    static const char kSignature[] = "SNES-SPC700 Sound File Data";
    return std::memcmp(image, kSignature, sizeof kSignature - 1) == 0;
}

// A demo file: Parse takes it or gives a one-line reason. One it takes reads back event
// by event to exactly its frames, in order, and to its end event if it has one; each key
// or mouse state lies inside the file; and the events encoded again parse to the same.
// `accepted` receives whether Parse took it.
inline std::string CheckDemoParse(const uint8_t *data, size_t size, bool *accepted = nullptr) {
    demo::Demo d;
    std::string error;
    const bool ok = demo::Parse(data, size, d, error);
    if (accepted)
        *accepted = ok;
    if (!ok) {
        if (error.empty() || error.find('\n') != std::string::npos)
            return "refused without a one-line reason: \"" + error + "\"";
        return "";
    }
    if (d.bytes.size() != size || d.eventsAt > size)
        return "the parsed demo does not hold the file";
    std::vector<uint8_t> again = demo::EncodeHeader(d.identity), chunk;
    demo::EventReader reader(d);
    demo::Event e;
    uint32_t frames = 0;
    bool ended = false;
    while (reader.Next(e)) {
        if (ended)
            return "an event after the end";
        uint8_t state[demo::kKeyBytes] = {};
        if ((e.kind == demo::Kind::Keyboard || e.kind == demo::Kind::Mouse) && e.a >= 0) {
            if (e.data < d.eventsAt || e.data >= size)
                return "a device state outside the events";
            demo::StateBytes(d, e, state);
        }
        if (e.kind == demo::Kind::Frame && e.b != frames++)
            return "frames out of order";
        ended = e.kind == demo::Kind::End;
        demo::EncodeEvent(chunk, e, state);
        if (e.kind == demo::Kind::Frame || ended) {
            demo::EncodeChunk(again, chunk);
            chunk.clear();
        }
    }
    if (!chunk.empty())
        demo::EncodeChunk(again, chunk);
    if (frames != d.frames || ended != d.ended)
        return "the events read back are not the ones parsed";
    demo::Demo back;
    if (!demo::Parse(again.data(), again.size(), back, error))
        return "encoded again, it is refused: " + error;
    if (back.frames != d.frames || back.ended != d.ended ||
        demo::AllEvents(back).size() != demo::AllEvents(d).size())
        return "encoded again, it reads differently";
    return "";
}

} // namespace readerchecks
