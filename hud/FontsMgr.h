// Four bitmap fonts, one GL display list per character 32..127, printed at the current
// raster position. Consecutive prints continue on the same line.
#pragma once

class CFontsMgr {
  public:
    static const int kFonts = 4;

    CFontsMgr();
    ~CFontsMgr();
    void InitFonts();
    unsigned CreateBitmapFont(const char *name, int height);
    void PrintString(unsigned base, const char *text);
    unsigned GetlistBase(int index) const {
        return index >= 0 && index < kFonts ? listBase[index] : 0;
    }

    unsigned listBase[kFonts]; // 0: the font could not be created
};

extern CFontsMgr *FontsMgr;
