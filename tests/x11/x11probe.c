/* Looks at the game's windows on the tests' X server (tests/x11/driver.sh).
 *   x11probe find TITLE  prints "ID WIDTH HEIGHT" of the viewable top-level window named TITLE
 *   x11probe look ID     prints "MAX RED COLOURS WHITE": the brightest colour channel
 *                        (0..255) in the window, how many pure red pixels its top-right
 *                        corner holds, where the game draws its health bar, how many of
 *                        the 4096 colours of 4 bits a channel show in it, and how many
 *                        pixels are near white
 *   x11probe close ID    asks the window to close, as a window manager's close button does */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Whether the UTF-8 title the toolkit sets, or else the old WM_NAME, is this one. */
static int Named(Display *d, Window w, const char *title) {
    const char *names[] = {"_NET_WM_NAME", "WM_NAME"};
    for (int i = 0; i < 2; i++) {
        Atom type;
        int format, same;
        unsigned long items, after;
        unsigned char *value = NULL;
        if (XGetWindowProperty(d, w, XInternAtom(d, names[i], False), 0, 1024, False,
                               AnyPropertyType, &type, &format, &items, &after,
                               &value) == Success &&
            value) {
            same = strcmp((char *)value, title) == 0;
            XFree(value);
            return same;
        }
    }
    return 0;
}

static int Find(Display *d, const char *title) {
    Window root, parent, *children = NULL;
    unsigned count = 0, i = 0;
    XWindowAttributes a;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
    while (i < count && !(Named(d, children[i], title) &&
                          XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable))
        i++;
    if (i < count)
        printf("0x%lx %d %d\n", children[i], a.width, a.height);
    if (children)
        XFree(children);
    return i == count;
}

static int Look(Display *d, Window w) {
    XWindowAttributes a;
    XImage *image;
    Window child;
    int x0, y0;
    unsigned max = 0, red = 0, colours = 0, white = 0;
    static unsigned char seen[4096];
    /* Read from the screen where the window shows, as the player sees it: a GL window of
       Wine's draws through a window of its own inside this one. */
    if (!XGetWindowAttributes(d, w, &a) ||
        !XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x0, &y0, &child) ||
        !(image = XGetImage(d, DefaultRootWindow(d), x0, y0, a.width, a.height, AllPlanes,
                            ZPixmap)))
        return 1;
    for (int y = 0; y < a.height; y++)
        for (int x = 0; x < a.width; x++) {
            /* The driver's server is 24-bit true colour: 8 bits each of red, green, blue. */
            unsigned long p = XGetPixel(image, x, y);
            unsigned c[3] = {p >> 16 & 255, p >> 8 & 255, p & 255};
            unsigned bucket = (c[0] >> 4) << 8 | (c[1] >> 4) << 4 | c[2] >> 4;
            colours += !seen[bucket];
            seen[bucket] = 1;
            for (int i = 0; i < 3; i++)
                max = c[i] > max ? c[i] : max;
            white += c[0] > 200 && c[1] > 200 && c[2] > 200;
            /* The bar lies between 1 and 3 hundredths of the height from the top, and
               from 100 to 130 of 133 units across. */
            red +=
                y < a.height / 20 && x > a.width * 7 / 10 && c[0] > 200 && c[1] < 60 && c[2] < 60;
        }
    XDestroyImage(image);
    printf("%u %u %u %u\n", max, red, colours, white);
    return 0;
}

static int Close(Display *d, Window w) {
    XEvent e = {.xclient = {.type = ClientMessage, .window = w, .format = 32}};
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    return !XSendEvent(d, w, False, NoEventMask, &e);
}

int main(int argc, char **argv) {
    Display *d = argc == 3 ? XOpenDisplay(NULL) : NULL;
    if (!d)
        return 2;
    Window w = (Window)strtoul(argv[2], NULL, 0);
    int result = !strcmp(argv[1], "find")    ? Find(d, argv[2])
                 : !strcmp(argv[1], "look")  ? Look(d, w)
                 : !strcmp(argv[1], "close") ? Close(d, w)
                                             : 2;
    XCloseDisplay(d);
    return result;
}
