// POSIX: the error message box. With an X display it is a small dialog of our own, titled
// "Error", with the text, a warning sign and one OK button, and the calling thread waits
// until it is dismissed. Without a display the text goes to standard error as one line,
// "Error: TEXT", and the call returns at once.
#include "platform/platform.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <cstring>
#include <pthread.h>

namespace {

constexpr int dialog_width = 460;
constexpr int margin = 16;
constexpr int icon_size = 32;
constexpr int button_width = 80;
constexpr int button_height = 26;
constexpr int max_lines = 24;
constexpr int max_characters = 4096;

struct Line {
    const XChar2b *start;
    int length;
};

pthread_once_t xlib_threads_once = PTHREAD_ONCE_INIT;

void init_xlib_threads()
{
    // Dialogs from several threads may be open at once, each on its own connection.
    XInitThreads();
}

void write_to_standard_error(const char *text)
{
    char line[4200];
    snprintf(line, sizeof line, "Error: %s\n", text);
    fputs(line, stderr);
    fflush(stderr);
}

// The text as 16-bit characters, drawn with a Unicode (iso10646) font whatever the locale.
// What the font cannot show becomes '?': characters beyond the Basic Multilingual Plane,
// bytes that are not UTF-8, and, with a Latin-1 font, everything above 255.
int decode_utf8(const char *text, bool unicode_font, XChar2b *out)
{
    int count = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (*p && count < max_characters) {
        uint32_t c = *p;
        int extra = c < 0x80             ? 0
                    : (c & 0xE0) == 0xC0 ? 1
                    : (c & 0xF0) == 0xE0 ? 2
                    : (c & 0xF8) == 0xF0 ? 3
                                         : -1;
        p++;
        if (extra < 0)
            c = '?';
        else if (extra > 0)
            c &= 0x3F >> extra;
        for (int i = 0; i < extra; i++, p++) {
            if ((*p & 0xC0) != 0x80) {
                c = '?';
                break;
            }
            c = (c << 6) | (*p & 0x3F);
        }
        if (c > (unicode_font ? 0xFFFFu : 0xFFu))
            c = '?';
        out[count].byte1 = static_cast<unsigned char>(c >> 8);
        out[count].byte2 = static_cast<unsigned char>(c & 0xFF);
        count++;
    }
    return count;
}

bool is_character(const XChar2b &c, char ascii)
{
    return c.byte1 == 0 && c.byte2 == static_cast<unsigned char>(ascii);
}

// Breaks text into lines no wider than `width` pixels: at spaces where possible, anywhere
// inside a word too long for a line (a URL, say), and at every line feed.
int wrap_text(XFontStruct *font, const XChar2b *text, int length, int width, Line *lines)
{
    int count = 0;
    int p = 0;
    while (p < length && count < max_lines) {
        int line_start = p;
        int last_space = -1;
        int q = p;
        while (q < length && !is_character(text[q], '\n')) {
            if (XTextWidth16(font, text + line_start, q - line_start + 1) > width)
                break;
            if (is_character(text[q], ' '))
                last_space = q;
            q++;
        }
        bool broken_inside = q < length && !is_character(text[q], '\n');
        int end = broken_inside && last_space >= 0 ? last_space : q;
        if (end == line_start && broken_inside)
            end = q + 1; // not even one character fits: take it anyway
        lines[count++] = {text + line_start, end - line_start};
        p = end;
        if (p < length && (is_character(text[p], ' ') || is_character(text[p], '\n')))
            p++;
    }
    return count;
}

struct Dialog {
    Display *display;
    Window window;
    GC gc;
    XFontStruct *font;
    XChar2b text[max_characters];
    Line lines[max_lines];
    int line_count;
    int height;
    int button_x, button_y;
    bool pressed;
};

unsigned long named_color(Display *display, const char *name, unsigned long fallback)
{
    XColor exact, screen;
    Colormap colormap = DefaultColormap(display, DefaultScreen(display));
    if (XAllocNamedColor(display, colormap, name, &screen, &exact))
        return screen.pixel;
    return fallback;
}

void draw(Dialog *d)
{
    Display *display = d->display;
    int screen = DefaultScreen(display);
    unsigned long black = BlackPixel(display, screen);
    unsigned long white = WhitePixel(display, screen);

    XSetForeground(display, d->gc, named_color(display, "#f0f0f0", white));
    XFillRectangle(display, d->window, d->gc, 0, 0, dialog_width, d->height);

    // The warning sign: a yellow triangle with an exclamation mark.
    XPoint triangle[3] = {
        {static_cast<short>(margin + icon_size / 2), static_cast<short>(margin)},
        {static_cast<short>(margin), static_cast<short>(margin + icon_size)},
        {static_cast<short>(margin + icon_size), static_cast<short>(margin + icon_size)}};
    XSetForeground(display, d->gc, named_color(display, "#f5c400", white));
    XFillPolygon(display, d->window, d->gc, triangle, 3, Convex, CoordModeOrigin);
    XSetForeground(display, d->gc, black);
    XDrawLines(display, d->window, d->gc, triangle, 3, CoordModeOrigin);
    XDrawLine(display, d->window, d->gc, triangle[2].x, triangle[2].y, triangle[0].x,
              triangle[0].y);
    XFillRectangle(display, d->window, d->gc, margin + icon_size / 2 - 1, margin + 10, 3, 12);
    XFillRectangle(display, d->window, d->gc, margin + icon_size / 2 - 1, margin + 25, 3, 3);

    int text_x = margin * 2 + icon_size;
    int line_height = d->font->ascent + d->font->descent + 2;
    for (int i = 0; i < d->line_count; i++)
        XDrawString16(display, d->window, d->gc, text_x, margin + d->font->ascent + i * line_height,
                      d->lines[i].start, d->lines[i].length);

    XSetForeground(display, d->gc, named_color(display, d->pressed ? "#c8c8c8" : "#e1e1e1", white));
    XFillRectangle(display, d->window, d->gc, d->button_x, d->button_y, button_width,
                   button_height);
    XSetForeground(display, d->gc, black);
    XDrawRectangle(display, d->window, d->gc, d->button_x, d->button_y, button_width - 1,
                   button_height - 1);
    int label_width = XTextWidth(d->font, "OK", 2);
    XDrawString(display, d->window, d->gc, d->button_x + (button_width - label_width) / 2,
                d->button_y + (button_height + d->font->ascent - d->font->descent) / 2, "OK", 2);
    XFlush(display);
}

bool inside_button(const Dialog *d, int x, int y)
{
    return x >= d->button_x && x < d->button_x + button_width && y >= d->button_y &&
           y < d->button_y + button_height;
}

void run_dialog(Display *display, Window owner, const char *text)
{
    Dialog d = {};
    d.display = display;
    int screen = DefaultScreen(display);
    // The same face as "fixed", in its Unicode encoding where the server has it.
    d.font = XLoadQueryFont(display, "-misc-fixed-medium-r-semicondensed--13-*-*-*-*-*-iso10646-1");
    bool unicode_font = d.font != nullptr;
    if (!d.font)
        d.font = XLoadQueryFont(display, "fixed");
    if (!d.font) {
        write_to_standard_error(text);
        return;
    }
    int length = decode_utf8(text, unicode_font, d.text);
    int text_width = dialog_width - margin * 3 - icon_size;
    d.line_count = wrap_text(d.font, d.text, length, text_width, d.lines);
    int line_height = d.font->ascent + d.font->descent + 2;
    int text_height = d.line_count * line_height;
    int body = text_height > icon_size ? text_height : icon_size;
    d.height = margin + body + margin + button_height + margin;
    d.button_x = (dialog_width - button_width) / 2;
    d.button_y = d.height - margin - button_height;

    int x = (DisplayWidth(display, screen) - dialog_width) / 2;
    int y = (DisplayHeight(display, screen) - d.height) / 2;
    d.window =
        XCreateSimpleWindow(display, RootWindow(display, screen), x, y, dialog_width, d.height, 1,
                            BlackPixel(display, screen), WhitePixel(display, screen));
    XStoreName(display, d.window, "Error");
    Atom utf8_string = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, d.window, XInternAtom(display, "_NET_WM_NAME", False), utf8_string, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char *>("Error"), 5);
    Atom dialog_type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, d.window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM,
                    32, PropModeReplace, reinterpret_cast<unsigned char *>(&dialog_type), 1);
    if (owner)
        XSetTransientForHint(display, d.window, owner);
    XSizeHints *hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PPosition | PMinSize | PMaxSize;
        hints->x = x;
        hints->y = y;
        hints->min_width = hints->max_width = dialog_width;
        hints->min_height = hints->max_height = d.height;
        XSetWMNormalHints(display, d.window, hints);
        XFree(hints);
    }
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, d.window, &delete_window, 1);
    XSelectInput(display, d.window,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);
    d.gc = XCreateGC(display, d.window, 0, nullptr);
    XSetFont(display, d.gc, d.font->fid);
    XMapRaised(display, d.window);

    bool done = false;
    while (!done) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0)
                draw(&d);
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1 &&
                inside_button(&d, event.xbutton.x, event.xbutton.y)) {
                d.pressed = true;
                draw(&d);
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1) {
                done = d.pressed && inside_button(&d, event.xbutton.x, event.xbutton.y);
                d.pressed = false;
                if (!done)
                    draw(&d);
            }
            break;
        case KeyPress: {
            KeySym key = XLookupKeysym(&event.xkey, 0);
            done = key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space;
            break;
        }
        case ClientMessage:
            done = static_cast<Atom>(event.xclient.data.l[0]) == delete_window;
            break;
        case DestroyNotify:
            done = true;
            break;
        default:
            break;
        }
    }
    XFreeGC(display, d.gc);
    XDestroyWindow(display, d.window);
    XFreeFont(display, d.font);
}

} // namespace

void platform_show_error(WindowHandle owner, const char *text)
{
    const char *display_name = getenv("DISPLAY");
    if (!display_name || !*display_name) {
        write_to_standard_error(text);
        return;
    }
    pthread_once(&xlib_threads_once, init_xlib_threads);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        write_to_standard_error(text);
        return;
    }
    run_dialog(display, static_cast<Window>(reinterpret_cast<uintptr_t>(owner)), text);
    XCloseDisplay(display);
}
