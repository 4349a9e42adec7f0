#include "world/TextureMgr.h"

#include "platform/Win32.h" // wglGetProcAddress; before GL's headers, which need it on Windows

#include <GL/gl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char *const kSpriteFiles[CTextureMgr::kSprites] = {
    "Game Data\\Wren\\Wren-still.png",
    "Game Data\\Wren\\Wren-walk-1.png",
    "Game Data\\Wren\\Wren-walk-2.png",
    "Game Data\\Wren\\Wren-hit.png",
    "Game Data\\Wren\\Wren-hurt.png",
    "Game Data\\Zombie\\Zombie-still.png",
    "Game Data\\Zombie\\Zombie-walk-1.png",
    "Game Data\\Zombie\\Zombie-walk-2.png",
    "Game Data\\Zombie\\Zombie-girl-still.png",
    "Game Data\\Zombie\\Zombie-girl-walk-1.png",
    "Game Data\\Zombie\\Zombie-girl-walk-2.png",
    "Game Data\\Zombie\\Zombie-Hippie-still.png",
    "Game Data\\Zombie\\Zombie-Hippie-walk-1.png",
    "Game Data\\Zombie\\Zombie-Hippie-walk-2.png",
    "Game Data\\Zombie\\Monkey-still.png",
    "Game Data\\Zombie\\Monkey-walk-1.png",
    "Game Data\\Zombie\\Monkey-walk-2.png",
    "Game Data\\Zombie\\Gourd-still.png",
    "Game Data\\Zombie\\Gourd-walk-1.png",
    "Game Data\\Zombie\\Gourd-walk-2.png",
};

const char *const kMenuFiles[CTextureMgr::kMenus] = {
    "Game Data\\Menus\\Arrow.png",
    "Game Data\\Menus\\Screen1.png",
    "Game Data\\Menus\\Map.png",
    "Game Data\\Menus\\Tarrow.png",
};

// One level, no mipmaps, nearest-neighbour both ways, the file's own alpha.
unsigned Load(const char *path, pngInfo *info, int wrap) {
    return pngBind(path, PNG_NOMIPMAPS, PNG_ALPHA, info, wrap, GL_NEAREST, GL_NEAREST);
}

// "Game Data\Floor\Floor" + "12" + ".png", built the way the catalogue always has.
void LoadNumbered(const char *prefix, unsigned *slots, int count, pngInfo *info) {
    for (int n = 0; n < count; n++) {
        char path[64];
        char number[16];
        std::strcpy(path, prefix);
        std::snprintf(number, sizeof number, "%d", n);
        std::strcat(number, ".png");
        std::strcat(path, number);
        slots[n] = Load(path, info, GL_REPEAT);
    }
}

// GL 1.2's names, which Windows' own GL header lacks.
#ifndef GL_TEXTURE_3D
#define GL_TEXTURE_3D 0x806F
#define GL_TEXTURE_WRAP_R 0x8072
#define GL_MAX_3D_TEXTURE_SIZE 0x8073
#define GL_TEXTURE_BINDING_3D 0x806A
#define GL_CLAMP_TO_EDGE 0x812F
#endif
typedef void(APIENTRY *TexImage3D)(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                   GLsizei height, GLsizei depth, GLint border, GLenum format,
                                   GLenum type, const void *pixels);

const size_t kLayersLimit = size_t(48) << 20; // the most memory one layered texture may take

// Pictures as the layers of one 3D texture, each layer giving exactly the texel its picture
// gives: nearest sampling, the pictures' own wrap, layers as wide as the pictures and as
// high as the highest, a lower picture's rows repeated (t * 512 is exactly 8 * (t * 64), so
// the row found is the same, wrapped or clamped), and a name without a picture (drawn
// untextured) all white, which the colour is multiplied by. Returns the texture, with each
// picture's layer coordinate, or 0 where the pictures do not allow it (sizes, filters,
// formats) or the GL has no 3D textures (before GL 1.2).
unsigned BuildLayers(const std::vector<unsigned> &pictures, GLint wrap, std::vector<float> &layers,
                     size_t &bytes) {
    const char *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2 || (major == 1 && minor < 2))
        return 0;
    const auto texImage3D = reinterpret_cast<TexImage3D>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("glTexImage3D")));
    if (!texImage3D)
        return 0;
    GLint previous = 0, largest = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &largest);
    auto isPowerOfTwo = [](GLint n) { return n > 0 && (n & (n - 1)) == 0; };
    struct Picture {
        GLint width = 0, height = 0;
        std::vector<unsigned char> rgba;
    };
    std::vector<Picture> images(pictures.size());
    GLint width = 0, height = 1;
    bool fits = true;
    for (size_t k = 0; k < pictures.size() && fits; k++) {
        Picture &picture = images[k];
        glBindTexture(GL_TEXTURE_2D, pictures[k]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &picture.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &picture.height);
        if (picture.width == 0 || picture.height == 0)
            continue; // no picture: a white layer
        GLint format = 0, minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        const bool colour = format == GL_RGB || format == GL_RGBA || format == GL_RGB8 ||
                            format == GL_RGBA8 || format == 3 || format == 4;
        fits = colour && minFilter == GL_NEAREST && magFilter == GL_NEAREST && wrapS == wrap &&
               wrapT == wrap && isPowerOfTwo(picture.width) && isPowerOfTwo(picture.height) &&
               (width == 0 || picture.width == width);
        if (!fits)
            break;
        width = picture.width;
        height = std::max(height, picture.height);
        picture.rgba.resize(size_t(picture.width) * size_t(picture.height) * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    const GLint depth = static_cast<GLint>(pictures.size());
    if (width == 0)
        width = 1; // not one picture: layers of one white texel
    const size_t size = size_t(width) * size_t(height) * size_t(depth) * 4;
    if (!fits || width > largest || height > largest || depth > largest || size > kLayersLimit)
        return 0;

    std::vector<unsigned char> texels(size, 255);
    const size_t row = size_t(width) * 4;
    for (size_t k = 0; k < images.size(); k++) {
        const Picture &picture = images[k];
        for (GLint y = 0; y < height && !picture.rgba.empty(); y++)
            std::copy_n(&picture.rgba[size_t(y / (height / picture.height)) * row], row,
                        &texels[(k * size_t(height) + size_t(y)) * row]);
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    GLint previous3D = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_3D, &previous3D);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_3D, texture);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    texImage3D(GL_TEXTURE_3D, 0, GL_RGBA8, width, height, depth, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_3D, GLuint(previous3D));
    if (glGetError() != GL_NO_ERROR) { // out of memory, most likely
        glDeleteTextures(1, &texture);
        return 0;
    }
    layers.resize(pictures.size());
    for (size_t k = 0; k < pictures.size(); k++)
        layers[k] = (float(k) + 0.5f) / float(depth); // the middle of layer k
    bytes = size;
    return texture;
}

// The pictures given and name 0 (no picture), without repeats, as one layered texture.
void MakeLayers(LayeredTexture &layered, std::vector<unsigned> pictures, GLint wrap) {
    pictures.push_back(0);
    std::sort(pictures.begin(), pictures.end());
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    layered = LayeredTexture();
    layered.name = BuildLayers(pictures, wrap, layered.layers, layered.bytes);
    if (layered.name)
        layered.pictures = pictures;
}

} // namespace

float LayeredTexture::Layer(unsigned picture) const {
    for (unsigned name : {picture, 0u}) {
        const auto found = std::lower_bound(pictures.begin(), pictures.end(), name);
        if (found != pictures.end() && *found == name)
            return layers[size_t(found - pictures.begin())];
    }
    return 0.0f; // only without layers: name 0 is among the pictures of every layered texture
}

CTextureMgr::CTextureMgr() : info(), sprites(), floors(), walls(), menus() {}

void CTextureMgr::InitTextures() {
    for (int i = 0; i < kSprites; i++)
        sprites[i] = Load(kSpriteFiles[i], &info, GL_CLAMP);
    for (int i = 0; i < kMenus; i++)
        menus[i] = Load(kMenuFiles[i], &info, GL_CLAMP);
    LoadNumbered("Game Data\\Floor\\Floor", floors, kFloors, &info);
    LoadNumbered("Game Data\\Walls\\Wall", walls, kWalls, &info);
    // The map's tiles as one texture, and the sprites as another.
    std::vector<unsigned> tiles(floors, floors + kFloors);
    tiles.insert(tiles.end(), walls, walls + kWalls);
    MakeLayers(tileLayers, tiles, GL_REPEAT);
    MakeLayers(spriteLayers, std::vector<unsigned>(sprites, sprites + kSprites), GL_CLAMP);
}
