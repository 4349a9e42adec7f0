// pngBind on the Windows Imaging Component: the file decoded whole in memory, then
// uploaded as RGBA (the file has alpha and it is wanted) or RGB, as the glpng contract
// says. Anything WIC cannot decode gives texture 0 and leaves GL alone.
#include "platform/PngUpload.h"
#include "platform/win32/Win32.h"

#include <GL/gl.h>
#include <wincodec.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename T> struct Com {
    T *p = nullptr;
    ~Com() {
        if (p)
            p->Release();
    }
    T **operator&() { return &p; }
    T *operator->() const { return p; }
};

IWICImagingFactory *Factory() {
    static IWICImagingFactory *factory = [] {
        // The game thread is the only one that loads pictures; COM stays up for good.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IWICImagingFactory *f = nullptr;
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, reinterpret_cast<void **>(&f))))
            f = nullptr;
        return f;
    }();
    return factory;
}

uint32_t BigEndian(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// What the header says: the bit depth, and whether the picture carries alpha (its colour
// type, or a transparency chunk before the image data). False for no PNG at all.
bool ReadHeader(const std::vector<uint8_t> &file, unsigned &depth, bool &alpha) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 33 || std::memcmp(file.data(), signature, 8) != 0 ||
        std::memcmp(&file[12], "IHDR", 4) != 0)
        return false;
    depth = file[24];
    alpha = (file[25] & 4) != 0;
    for (size_t at = 8; at + 8 <= file.size();) {
        const uint32_t length = BigEndian(&file[at]);
        if (std::memcmp(&file[at + 4], "IDAT", 4) == 0 || length > file.size() - at - 8)
            break;
        if (std::memcmp(&file[at + 4], "tRNS", 4) == 0)
            alpha = true;
        at += size_t(length) + 12;
    }
    return true;
}

} // namespace

unsigned int pngBind(const char *filename, int mipmap, int trans, pngInfo *info, int wrapst,
                     int minfilter, int magfilter) {
    if (!filename)
        return 0;
    std::FILE *f = std::fopen(filename, "rb");
    if (!f)
        return 0;
    std::vector<uint8_t> file;
    uint8_t chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        file.insert(file.end(), chunk, chunk + n);
    std::fclose(f);
    unsigned depth = 0;
    bool fileAlpha = false;
    if (!ReadHeader(file, depth, fileAlpha) || file.size() > 0xFFFFFFFFu || !Factory())
        return 0;

    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(Factory()->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(file.data(), DWORD(file.size()))) ||
        FAILED(Factory()->CreateDecoderFromStream(stream.p, nullptr,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)))
        return 0;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width == 0 || height == 0 ||
        (maxSize > 0 && (width > UINT(maxSize) || height > UINT(maxSize))))
        return 0;
    std::vector<uint8_t> bgra(size_t(width) * height * 4);
    if (FAILED(Factory()->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->CopyPixels(nullptr, width * 4, UINT(bgra.size()), bgra.data())))
        return 0;

    // Rows top first, as decoded: the top of the picture is texture row t = 0.
    const bool alpha = fileAlpha && trans != PNG_SOLID;
    const unsigned channels = alpha ? 4 : 3;
    std::vector<uint8_t> pixels(size_t(width) * height * channels);
    for (size_t i = 0, o = 0; i < bgra.size(); i += 4, o += channels) {
        pixels[o] = bgra[i + 2];
        pixels[o + 1] = bgra[i + 1];
        pixels[o + 2] = bgra[i];
        if (alpha)
            pixels[o + 3] = bgra[i + 3];
    }

    return glpng::Upload(pixels.data(), width, height, channels, depth, mipmap, wrapst,
                         minfilter, magfilter, info);
}
