#include "Png.h"

#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace art {

static uint8_t toByte(float v) {
    return uint8_t(std::lround(clamp01(v) * 255.0f));
}

static void appendBytes(png_structp png, png_bytep data, png_size_t size) {
    static_cast<std::string *>(png_get_io_ptr(png))->append(reinterpret_cast<char *>(data), size);
}

bool encodePng(const Image &img, bool withAlpha, std::string &out) {
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    int channels = withAlpha ? 4 : 3;
    std::vector<uint8_t> row(size_t(img.w) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, img.w, img.h, 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < img.h; ++y) {
        for (int x = 0; x < img.w; ++x) {
            const Rgba &p = img.at(x, y);
            uint8_t *o = &row[size_t(x) * channels];
            o[0] = toByte(p.r);
            o[1] = toByte(p.g);
            o[2] = toByte(p.b);
            if (withAlpha) o[3] = toByte(p.a);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writePng(const std::string &path, const Image &img, bool withAlpha) {
    std::string bytes;
    if (!encodePng(img, withAlpha, bytes)) return false;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

bool makeDirs(const std::string &path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace art
