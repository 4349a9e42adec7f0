/* Looks at the game's windows on a real X server for tests/x11_smoke.sh.
 *   x11probe find TITLE   prints "ID WIDTH HEIGHT" of the top-level window named TITLE
 *   x11probe max ID       prints the brightest colour channel (0..255) in the window
 *   x11probe bar ID       prints how many pure red pixels the top-right corner holds,
 *                         where the game draws its health bar
 *   x11probe close ID     asks the window to close, as a window manager's close button */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The UTF-8 title the toolkit sets, or the old WM_NAME; free with XFree. */
static char *Title(Display *d, Window w) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char *value = NULL;
    Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &items, &after,
                           &value) == Success &&
        value)
        return (char *)value;
    char *name = NULL;
    return XFetchName(d, w, &name) ? name : NULL;
}

static int Find(Display *d, const char *title) {
    Window root, parent, *children = NULL;
    unsigned count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return 1;
    int found = 1;
    for (unsigned i = 0; i < count && found; i++) {
        char *name = Title(d, children[i]);
        if (name) {
            XWindowAttributes a;
            if (strcmp(name, title) == 0 && XGetWindowAttributes(d, children[i], &a) &&
                a.map_state == IsViewable) {
                printf("0x%lx %d %d\n", children[i], a.width, a.height);
                found = 0;
            }
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

/* One pixel as 0..255 red, green and blue. */
static void Rgb(XImage *image, int x, int y, unsigned rgb[3]) {
    unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    unsigned long p = XGetPixel(image, x, y);
    for (int c = 0; c < 3; c++) {
        unsigned long m = masks[c];
        rgb[c] = 0;
        if (!m)
            continue;
        int shift = 0;
        while (!((m >> shift) & 1))
            shift++;
        rgb[c] = (unsigned)((p & m) >> shift) * 255u / (unsigned)(m >> shift);
    }
}

static int Max(Display *d, Window w, int healthBar) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return 1;
    XImage *image = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image)
        return 1;
    unsigned max = 0, red = 0;
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++) {
            unsigned rgb[3];
            Rgb(image, x, y, rgb);
            for (int c = 0; c < 3; c++)
                if (rgb[c] > max)
                    max = rgb[c];
            /* The bar lies between 1 and 3 hundredths of the height from the top, and
               from 100 to 130 of 133 units across. */
            red += y < a.height / 20 && x > a.width * 7 / 10 && rgb[0] > 200 && rgb[1] < 60 &&
                   rgb[2] < 60;
        }
    XDestroyImage(image);
    printf("%u\n", healthBar ? red : max);
    return 0;
}

static int Close(Display *d, Window w) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
    return 0;
}

int main(int argc, char **argv) {
    if (argc != 3)
        return 2;
    Display *d = XOpenDisplay(NULL);
    if (!d)
        return 2;
    int result = 2;
    if (strcmp(argv[1], "find") == 0)
        result = Find(d, argv[2]);
    else if (strcmp(argv[1], "max") == 0)
        result = Max(d, (Window)strtoul(argv[2], NULL, 0), 0);
    else if (strcmp(argv[1], "bar") == 0)
        result = Max(d, (Window)strtoul(argv[2], NULL, 0), 1);
    else if (strcmp(argv[1], "close") == 0)
        result = Close(d, (Window)strtoul(argv[2], NULL, 0));
    XCloseDisplay(d);
    return result;
}
