#include "platform/PngUpload.h"

#include "platform/Win32.h" // before GL's headers, which need it on Windows
#include <GL/gl.h>
#include <GL/glu.h>

namespace glpng {

unsigned Upload(const unsigned char *pixels, unsigned width, unsigned height,
                unsigned channels, unsigned depth, int mipmap, int wrapst, int minfilter,
                int magfilter, pngInfo *info) {
    const GLenum format = channels == 4 ? GL_RGBA : GL_RGB;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapst);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapst);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minfilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magfilter);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (mipmap == PNG_BUILDMIPMAPS)
        gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), GLint(width), GLint(height), format,
                          GL_UNSIGNED_BYTE, pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), GLsizei(width), GLsizei(height), 0, format,
                     GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    if (info) {
        info->Width = width;
        info->Height = height;
        info->Depth = depth;
        info->Alpha = channels == 4;
    }
    return name;
}

} // namespace glpng
