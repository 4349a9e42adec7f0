// pngBind: a PNG file straight into a new GL texture, with the names and the contract
// of the glpng library the game was written against, on libpng.
#pragma once

struct pngInfo {
    unsigned int Width;
    unsigned int Height;
    unsigned int Depth; // bits per sample of the file
    unsigned int Alpha; // 1 when the texture was uploaded with an alpha channel
};

// mipmap
#define PNG_NOMIPMAPS 0
#define PNG_BUILDMIPMAPS (-1)
// trans
#define PNG_SOLID (-1) // ignore any alpha in the file
#define PNG_ALPHA (-2) // use the file's own alpha (or transparency chunk) when it has one

// Generates a new texture name, binds it to GL_TEXTURE_2D, sets both wrap modes and the
// filters, and uploads the decoded image as RGBA (with alpha) or RGB. Backslashes in the
// path are taken as separators. Returns 0, having touched no GL state, when the file is
// missing, truncated or not a PNG.
unsigned int pngBind(const char *filename, int mipmap, int trans, pngInfo *info, int wrapst,
                     int minfilter, int magfilter);
