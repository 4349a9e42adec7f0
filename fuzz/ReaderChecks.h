// What a reader of outside data must do with any file, shared by the fuzz targets and the
// replay of their regression files in the ordinary tests. Each check returns an empty
// string when the reader behaved, or what went wrong.
#pragma once

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
    static auto first = std::make_unique<structMap[][kMapSize]>(kMapSize);
    auto prefill = [](int pattern) {
        uint32_t bits = 0x7fa5a5a5; // a quiet NaN whose payload text input never gives
        float nan;
        std::memcpy(&nan, &bits, sizeof nan);
        for (auto &row : stMap)
            for (structMap &cell : row)
                cell = pattern == 0 ? structMap{1, 0.0f, 2, 0.0f, 0.0f, 0}
                                    : structMap{-123456789, nan, -987654321, nan, nan, -5555555};
    };
    CMapMgr reader;
    prefill(0);
    reader.LoadMap();
    std::memcpy(&first[0][0], stMap, sizeof stMap);
    prefill(1);
    reader.LoadMap();

    auto same = [](const auto &a, const auto &b) {
        uint32_t x, y; // bit for bit, without a library call per field
        __builtin_memcpy(&x, &a, 4);
        __builtin_memcpy(&y, &b, 4);
        return x == y;
    };
    bool failed = false; // a read has failed: no later field may be written
    int whole = 0;
    for (int i = 0; i < kMapSize; i++)
        for (int j = 0; j < kMapSize; j++) {
            const structMap &a = first[i][j], &b = stMap[i][j];
            const bool fields[] = {
                same(a.floorTexture, b.floorTexture), same(a.floorHeight, b.floorHeight),
                same(a.wallBase, b.wallBase),         same(a.wallHeight, b.wallHeight),
                same(a.wallSide, b.wallSide),         same(a.wallTexture, b.wallTexture),
            };
            const int count = fields[3] && a.wallHeight > 0.0f ? 6 : 4;
            auto cell = [&] {
                return "cell (" + std::to_string(i) + ", " + std::to_string(j) + "), field ";
            };
            for (int k = 0; k < 6; k++) {
                if (k >= count) {
                    if (fields[k])
                        return cell() + std::to_string(k) + " written without a wall";
                } else if (fields[k] && failed) {
                    return cell() + std::to_string(k) + " written after a failed read";
                } else if (!fields[k]) {
                    failed = true;
                }
            }
            if (!failed)
                whole++;
        }
    if (written)
        *written = whole;
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

} // namespace readerchecks
