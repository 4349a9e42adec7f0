// A hundred resolution changes from the options screen, made as a player makes them,
// through the main loop: each kills the GL window and makes a new one, which loads the
// pictures, the fonts and the map again. After every change there is exactly one window,
// one context and one set of devices, the new context holds exactly one set of textures
// and font lists (probed name by name, so a second load or names that outlive their
// context show), the same files are open as after the first change, and the resident
// memory after the hundredth change is not more than a little above that after the
// tenth. Then the game itself starts in the last window and draws with its textures.
#include "Descriptors.h"
#include "GameTest.h"
#include "Sanitizers.h"

#include "hud/FontsMgr.h"
#include "hud/Hud.h"
#include "world/TextureMgr.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const int kChanges = 100;
const int kPictures =
    CTextureMgr::kSprites + CTextureMgr::kFloors + CTextureMgr::kWalls + CTextureMgr::kMenus;
const int kGlyphs = 96; // one list per character 32..127
const long kResidentSlack = 5L * 1024 * 1024;

// Resident memory of the process in bytes; 0 when it cannot be read.
long ResidentBytes() {
    std::FILE *f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    long size = 0, resident = 0;
    const int read = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
}

// The texture names the game keeps, the pictures that failed (name 0) left out.
std::set<GLuint> GameTextures() {
    std::set<GLuint> names;
    for (int i = 0; i < CTextureMgr::kSprites; i++)
        names.insert(TextureMgr->sprites[i]);
    for (int i = 0; i < CTextureMgr::kFloors; i++)
        names.insert(TextureMgr->floors[i]);
    for (int i = 0; i < CTextureMgr::kWalls; i++)
        names.insert(TextureMgr->walls[i]);
    for (int i = 0; i < CTextureMgr::kMenus; i++)
        names.insert(TextureMgr->menus[i]);
    names.erase(0);
    return names;
}

// How many names from 1 to `last` the current context knows as textures / display lists.
int LiveTextures(GLuint last) {
    int n = 0;
    for (GLuint name = 1; name <= last; name++)
        n += glIsTexture(name) == GL_TRUE;
    return n;
}
int LiveLists(GLuint last) {
    int n = 0;
    for (GLuint name = 1; name <= last; name++)
        n += glIsList(name) == GL_TRUE;
    return n;
}

// Far enough past the highest name in use that a second set, given the next free names
// in the same context, would be counted.
GLuint ProbeLimit(GLuint highest) {
    return std::max<GLuint>(4096, 4 * highest);
}

class ResolutionChangeTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        seams::UseVirtualClock(1000);
        OpenWindow();
    }

    // One pass of the main loop, which must go on.
    static void Pass() {
        int code = 0;
        ASSERT_TRUE(MainLoopPass(code));
    }
    // A key down for one poll, then up for the next.
    static void Tap(uint8_t key) {
        seams::KeyEvent(key, true);
        Pass();
        seams::KeyEvent(key, false);
        Pass();
    }

    // One window with its context current, one set of input devices, and in the new
    // context exactly the textures and font lists the game holds names of.
    static void ExpectOneSet(int resolution) {
        EXPECT_EQ(seams::LiveWindows(), 1);
        EXPECT_EQ(seams::HeldDCs(), 1);
        EXPECT_EQ(seams::LiveContexts(), 1);
        EXPECT_TRUE(seams::ContextCurrent());
        EXPECT_EQ(seams::LiveDirectInputs(), 1);
        EXPECT_EQ(seams::LiveKeyboards(), 1);
        EXPECT_EQ(seams::LiveMice(), 1);
        int width = 0, height = 0;
        seams::ClientSize(width, height);
        EXPECT_EQ(width, kResolutions[resolution].width);
        EXPECT_EQ(height, kResolutions[resolution].height);

        const std::set<GLuint> textures = GameTextures();
        EXPECT_EQ(textures.size(), size_t(kPictures)) << "every picture has a name of its own";
        int loaded = 0;
        for (GLuint name : textures)
            loaded += glIsTexture(name) == GL_TRUE;
        EXPECT_EQ(loaded, int(textures.size())) << "names the game holds but the context lacks";
        const GLuint highestTexture = textures.empty() ? 0 : *textures.rbegin();
        EXPECT_EQ(LiveTextures(ProbeLimit(highestTexture)), int(textures.size()))
            << "textures in the context besides the game's one set";

        GLuint highestList = 0;
        int fontLists = 0;
        for (int font = 0; font < CFontsMgr::kFonts; font++) {
            const GLuint base = FontsMgr->GetlistBase(font);
            EXPECT_NE(base, 0u) << "font " << font;
            if (!base)
                continue;
            for (GLuint list = base; list < base + kGlyphs; list++)
                fontLists += glIsList(list) == GL_TRUE;
            highestList = std::max(highestList, base + kGlyphs - 1);
        }
        EXPECT_EQ(fontLists, CFontsMgr::kFonts * kGlyphs) << "font lists the context lacks";
        EXPECT_EQ(LiveLists(ProbeLimit(highestList)), CFontsMgr::kFonts * kGlyphs)
            << "display lists in the context besides the fonts' one set";
    }
};

TEST_F(ResolutionChangeTest, AHundredChangesLeaveOneWindowOneSetOfTexturesAndNoLeak) {
    ASSERT_EQ(Hud->currentResolution, 1); // 800x600
    ExpectOneSet(1);
    const size_t contextsBefore = seams::SwapIntervals().size(); // one entry per context made

    std::map<int, std::string> filesAfterFirst;
    // The windows' own buffers differ by some megabytes between the resolutions, so
    // the hundredth change is also held against the first one at its own resolution
    // from the tenth on.
    long residentAfterTenth = 0, residentAfterLast = 0, residentSameSize = 0;
    Tap(DIK_DOWN); // "Options"
    for (int change = 1; change <= kChanges; change++) {
        SCOPED_TRACE("change " + std::to_string(change));
        Tap(DIK_RETURN); // the options screen, its cursor on the resolution
        ASSERT_TRUE(Hud->optionsShown);
        ASSERT_EQ(Hud->menuCursor, 0);
        Tap(DIK_RIGHT); // the next resolution, round the table
        const int resolution = (Hud->currentResolution + 1) % 4;
        ASSERT_EQ(Hud->chosenResolution, resolution);
        Tap(DIK_DOWN); // "Accept"
        seams::KeyEvent(DIK_RETURN, true);
        Pass(); // the old window goes, the new one comes, within this pass
        ASSERT_EQ(seams::SwapIntervals().size(), contextsBefore + size_t(change))
            << "one new context a change";
        ASSERT_FALSE(Hud->optionsShown);
        ASSERT_EQ(Hud->currentResolution, resolution);
        ExpectOneSet(resolution);
        if (change == 1)
            filesAfterFirst = OpenDescriptors();
        const auto files = OpenDescriptors();
        EXPECT_SAME_DESCRIPTORS(filesAfterFirst, files);
        if (change == 10)
            residentAfterTenth = ResidentBytes();
        if (change >= 10 && change % 4 == kChanges % 4 && !residentSameSize)
            residentSameSize = ResidentBytes();
        if (change == kChanges)
            residentAfterLast = ResidentBytes();
        seams::KeyEvent(DIK_RETURN, false);
        Pass();
        if (HasFailure())
            return; // one change's failures are enough to read
    }
    ASSERT_GT(residentAfterTenth, 0);
    if (kResidentMemoryIsOurs) {
        EXPECT_LT(residentAfterLast - residentAfterTenth, kResidentSlack)
            << "resident after change 10: " << residentAfterTenth / 1024 << " KiB, after change "
            << kChanges << ": " << residentAfterLast / 1024 << " KiB";
        EXPECT_LT(residentAfterLast - residentSameSize, kResidentSlack)
            << "resident after change " << 10 + (kChanges - 10) % 4 << ": "
            << residentSameSize / 1024 << " KiB, after change " << kChanges << ": "
            << residentAfterLast / 1024 << " KiB, both at "
            << kResolutions[Hud->currentResolution].label;
    }

    // Into the game in the last window: a frame of the map drawn with the new context's
    // textures.
    Tap(DIK_UP); // "Start Game"
    Tap(DIK_RETURN);
    ASSERT_EQ(Main.screen, 1);
    Main.drawDistance = 8; // cheap frames
    for (int k = 0; k < 3; k++)
        Pass();
    Main.Render();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    const std::set<GLuint> textures = GameTextures();
    EXPECT_TRUE(textures.count(GLuint(bound))) << "bound: " << bound;
    EXPECT_TRUE(glIsTexture(GLuint(bound)));
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_GT(width, 0) << "the bound texture has a picture in this context";
    // The textured ground shows many colours; untextured quads only a few flat ones.
    std::vector<uint8_t> p(size_t(Main.width) * Main.height * 4);
    glReadPixels(0, 0, Main.width, Main.height, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    std::set<uint32_t> colours;
    for (size_t k = 0; k < p.size(); k += 4)
        colours.insert(uint32_t(p[k]) << 16 | uint32_t(p[k + 1]) << 8 | p[k + 2]);
    EXPECT_GT(colours.size(), 50u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
