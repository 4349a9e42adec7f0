// Modal message boxes on SDL's message box, with Windows' buttons and answers.
#include "platform/Demo.h"
#include "platform/sdl/Internal.h"

#include <SDL2/SDL.h>
#include <cstdio>
#include <cstdlib>

static int ShowBox(const char *body, const char *title, UINT type);

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    plat::State &s = plat::S();
    const char *body = text ? text : "";
    const char *title = caption ? caption : "Error";
    s.boxes.push_back({body, title, type});
    const bool yesNo = (type & 0xF) == MB_YESNO;
    // Played back, a box is not shown: the demo answers it as it was answered.
    if (demo::hook::Playing())
        return demo::hook::PlayResult(demo::Kind::Box, yesNo ? IDNO : IDOK);
    const int answer = ShowBox(body, title, type);
    if (demo::hook::Recording())
        demo::hook::RecordResult(demo::Kind::Box, answer);
    return answer;
}

static int ShowBox(const char *body, const char *title, UINT type) {
    plat::State &s = plat::S();
    const bool yesNo = (type & 0xF) == MB_YESNO;
    if (s.scripted) {
        if (s.answers.empty())
            return yesNo ? IDYES : IDOK;
        int answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }

    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    switch (type & 0xF0) {
    case MB_ICONSTOP:
        flags = SDL_MESSAGEBOX_ERROR;
        break;
    case MB_ICONEXCLAMATION:
        flags = SDL_MESSAGEBOX_WARNING;
        break;
    default:
        break;
    }
    // Enter picks the first button, Escape the last, as on Windows.
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"},
    };
    SDL_MessageBoxData data = {};
    data.flags = flags;
    data.window = nullptr;
    data.title = title;
    data.message = body;
    data.numbuttons = yesNo ? 2 : 1;
    data.buttons = yesNo ? yesNoButtons : okButton;
    // The box has an X connection of its own when the video is not up yet.
    if (!plat::VideoUp() && std::getenv("DISPLAY"))
        plat::WatchDisplay();
    int answer = 0;
    if (SDL_ShowMessageBox(&data, &answer) != 0) {
        // No desktop to show it on: the text must still reach the user.
        std::fprintf(stderr, "%s: %s\n(no message box could be shown: %s)\n", title, body,
                     SDL_GetError());
        return 0;
    }
    // Closing the box without a button counts as its Escape button.
    if (answer < 0)
        answer = yesNo ? IDNO : IDOK;
    return answer;
}
