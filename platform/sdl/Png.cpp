#include "platform/PngUpload.h"

#include <GL/gl.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Image {
    unsigned width = 0, height = 0, channels = 0, depth = 0;
    unsigned char *pixels = nullptr; // malloc'ed: freed on every path, longjmp included
};

// A game shows no messages about its data: errors only end the decoding.
void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// Decodes the whole file before anything reaches GL, so a broken file leaves nothing
// half-made. The libpng error path longjmps back here; nothing in this frame needs a
// destructor. A picture wider or taller than maxSize (when above 0) is refused at its
// header, before any pixel memory is asked for.
bool Decode(std::FILE *file, bool keepAlpha, png_uint_32 maxSize, Image &out) {
    png_byte signature[8];
    if (std::fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    unsigned char *volatile pixels = nullptr;
    png_bytep *volatile rows = nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        std::free(rows);
        std::free(pixels);
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    if (maxSize > 0)
        png_set_user_limits(png, maxSize, maxSize);
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);

    // Everything becomes 8-bit RGB or RGBA.
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (keepAlpha && png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!keepAlpha && (type & PNG_COLOR_MASK_ALPHA))
        png_set_strip_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const unsigned channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if ((channels != 3 && channels != 4) || rowBytes != size_t(width) * channels)
        png_error(png, "unexpected layout");
    pixels = static_cast<unsigned char *>(std::malloc(rowBytes * height));
    rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * height));
    if (!pixels || !rows)
        png_error(png, "out of memory");
    // First file row first: the top of the picture is texture row t = 0.
    for (png_uint_32 y = 0; y < height; y++)
        rows[y] = pixels + y * rowBytes;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    std::free(rows);
    png_destroy_read_struct(&png, &info, nullptr);

    out.width = width;
    out.height = height;
    out.channels = channels;
    out.depth = static_cast<unsigned>(depth);
    out.pixels = pixels;
    return true;
}

} // namespace

unsigned int pngBind(const char *filename, int mipmap, int trans, pngInfo *info, int wrapst,
                     int minfilter, int magfilter) {
    if (!filename)
        return 0;
    std::string path(filename);
    for (char &c : path)
        if (c == '\\')
            c = '/';
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    // No texture can be larger than this: a picture that would not fit is not decoded,
    // rather than leaving a GL error and a texture without an image.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    Image image;
    const bool decoded = Decode(file, trans != PNG_SOLID, maxSize > 0 ? maxSize : 0, image);
    std::fclose(file);
    if (!decoded)
        return 0;

    const unsigned name =
        glpng::Upload(image.pixels, image.width, image.height, image.channels, image.depth,
                      mipmap, wrapst, minfilter, magfilter, info);
    std::free(image.pixels);
    return name;
}
