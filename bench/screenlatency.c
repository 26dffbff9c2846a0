/* screenlatency: times input to the screen, read back from the X server.
 *
 * Runs the program given after "--" on the current display (a virtual one
 * with a window manager, as scripts/bench-screen sets up) and prints, as
 * "screen: NAME ...", how long the screen took to show each step's result:
 *
 *   launch      exec to the first frame of the sign-in window on the screen,
 *               and to its 登录 button enabled (the server addresses in)
 *   wheel       one wheel step over 沪深A股涨幅排名 to the moved highlight
 *   wheel-page  a wheel step at the page's last row to the next page's rows
 *   pgdn, pgup  Page Down / Page Up there to the other page's rows
 *   pgup-first  Page Up on the first page to the last page's rows
 *   pgdn-last   Page Down on the last page to the first page's rows
 *   sort        a click on the 代码 header to the re-sorted rows
 *   mystock     Page Down in the first my-stock group to its next rows
 *
 * After each input the harness reads the rows' rectangle from the root
 * window every millisecond until its pixels differ from what they were just
 * before the input. It watches only columns a live push does not repaint
 * (the sequence numbers, the codes in code order), so a push is not taken
 * for the step's result; the pointer stays off the rows it watches.
 * It signs in as demo / demo through the sign-in window's fields and reaches
 * the tables by typed quick commands (60, 06), as a user does.
 */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static Display* dpy;
static Window root;
static pid_t child;

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void pause_ms(double ms)
{
    struct timespec t = {(time_t)(ms / 1000), (long)((ms - (time_t)(ms / 1000) * 1000) * 1e6)};
    nanosleep(&t, NULL);
}

static void fail(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    fprintf(stderr, "screenlatency: ");
    vfprintf(stderr, fmt, ap);
    fprintf(stderr, "\n");
    va_end(ap);
    if (child > 0)
        kill(child, SIGTERM);
    exit(1);
}

/* The client windows of the window manager's list that belong to `pid`. */
static int client_windows(pid_t pid, Window* out, int max)
{
    static Atom list_atom, pid_atom;
    if (!list_atom) {
        list_atom = XInternAtom(dpy, "_NET_CLIENT_LIST", False);
        pid_atom = XInternAtom(dpy, "_NET_WM_PID", False);
    }
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = NULL;
    int found = 0;
    if (XGetWindowProperty(dpy, root, list_atom, 0, 4096, False, XA_WINDOW, &type, &format, &n, &after, &data) !=
            Success ||
        !data)
        return 0;
    Window* wins = (Window*)data;
    for (unsigned long i = 0; i < n && found < max; ++i) {
        unsigned char* p = NULL;
        unsigned long pn = 0;
        if (XGetWindowProperty(dpy, wins[i], pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &pn, &after, &p) ==
                Success &&
            p) {
            if (pn == 1 && (pid_t)(*(unsigned long*)p) == pid)
                out[found++] = wins[i];
            XFree(p);
        }
    }
    XFree(data);
    return found;
}

typedef struct {
    int x, y, w, h;
} Rect;

/* A viewable window's rectangle on the root window; 0 when not viewable. */
static int window_rect(Window w, Rect* r)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a) || a.map_state != IsViewable)
        return 0;
    Window dummy;
    XTranslateCoordinates(dpy, w, root, 0, 0, &r->x, &r->y, &dummy);
    r->w = a.width;
    r->h = a.height;
    return 1;
}

/* The first viewable window of the program at least `min_w` wide. */
static Window program_window(int min_w, int max_w, Rect* r)
{
    Window wins[64];
    int n = client_windows(child, wins, 64);
    for (int i = 0; i < n; ++i) {
        Rect q;
        if (window_rect(wins[i], &q) && q.w >= min_w && q.w <= max_w) {
            if (r)
                *r = q;
            return wins[i];
        }
    }
    return 0;
}

static int ignore_errors(Display* d, XErrorEvent* e)
{
    (void)d;
    (void)e;
    return 0;
}

static XImage* grab(Rect r)
{
    return XGetImage(dpy, root, r.x, r.y, (unsigned)r.w, (unsigned)r.h, AllPlanes, ZPixmap);
}

static int same_image(XImage* a, XImage* b)
{
    if (!a || !b || a->width != b->width || a->height != b->height)
        return 0;
    for (int y = 0; y < a->height; ++y)
        if (memcmp(a->data + (long)y * a->bytes_per_line, b->data + (long)y * b->bytes_per_line,
                   (size_t)a->width * (size_t)(a->bits_per_pixel / 8)) != 0)
            return 0;
    return 1;
}

/* Distinct colours of an image, counted up to `cap`. */
static int colours(XImage* im, int cap)
{
    unsigned long seen[256];
    int n = 0;
    for (int y = 0; y < im->height; y += 2)
        for (int x = 0; x < im->width; x += 2) {
            unsigned long p = XGetPixel(im, x, y);
            int known = 0;
            for (int i = 0; i < n && !known; ++i)
                known = seen[i] == p;
            if (!known) {
                seen[n++] = p;
                if (n >= cap || n >= 256)
                    return n;
            }
        }
    return n;
}

/* With SCREENLATENCY_SHOTS=DIR, the screen at NAME as DIR/NAME.ppm (to check
 * what the harness looked at). */
static void shot(const char* name)
{
    const char* dir = getenv("SCREENLATENCY_SHOTS");
    if (!dir)
        return;
    XWindowAttributes a;
    XGetWindowAttributes(dpy, root, &a);
    XImage* im = XGetImage(dpy, root, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    char path[4096];
    snprintf(path, sizeof path, "%s/%s.ppm", dir, name);
    FILE* f = im ? fopen(path, "wb") : NULL;
    if (f) {
        fprintf(f, "P6\n%d %d\n255\n", im->width, im->height);
        for (int y = 0; y < im->height; ++y)
            for (int x = 0; x < im->width; ++x) {
                unsigned long p = XGetPixel(im, x, y);
                unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
                fwrite(rgb, 1, 3, f);
            }
        fclose(f);
    }
    if (im)
        XDestroyImage(im);
}

static void sync_out(void)
{
    XFlush(dpy);
    XSync(dpy, False);
}

static void key(KeySym sym)
{
    KeyCode code = XKeysymToKeycode(dpy, sym);
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    sync_out();
}

static void type_text(const char* text)
{
    for (const char* p = text; *p; ++p) {
        key((KeySym)(unsigned char)*p);
        pause_ms(30);
    }
}

static void move_to(int x, int y)
{
    XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
    sync_out();
}

static void click(int x, int y)
{
    move_to(x, y);
    pause_ms(30);
    XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    sync_out();
}

/* Waits until `r` stays the same for `quiet_ms` (at most `limit_ms`). */
static int settle(Rect r, double quiet_ms, double limit_ms)
{
    double start = now_ms(), since = start;
    XImage* last = grab(r);
    while (now_ms() - start < limit_ms) {
        pause_ms(5);
        XImage* im = grab(r);
        if (!same_image(im, last)) {
            since = now_ms();
            XDestroyImage(last);
            last = im;
        } else {
            XDestroyImage(im);
        }
        if (now_ms() - since >= quiet_ms) {
            XDestroyImage(last);
            return 1;
        }
    }
    XDestroyImage(last);
    return 0;
}

/* Sends one input (act) and returns the milliseconds until `r` differs from
 * what it showed just before; -1 when it did not change within limit_ms. */
static double timed_change(Rect r, void (*act)(void*), void* arg, double limit_ms)
{
    XImage* before = grab(r);
    double t0 = now_ms();
    /* With SCREENLATENCY_TRACE set, each input's monotonic time in seconds
     * on stderr, to line up with the program's own log (%{time boot}). */
    if (getenv("SCREENLATENCY_TRACE"))
        fprintf(stderr, "%.3f input\n", t0 / 1000);
    act(arg);
    double took = -1;
    while (now_ms() - t0 < limit_ms) {
        XImage* im = grab(r);
        int same = same_image(before, im);
        XDestroyImage(im);
        if (!same) {
            took = now_ms() - t0;
            break;
        }
        pause_ms(1);
    }
    XDestroyImage(before);
    return took;
}

static int cmp_double(const void* a, const void* b)
{
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static void report(const char* name, double* v, int n, int missed)
{
    if (n == 0) {
        printf("screen: %s no change seen (%d tries)\n", name, missed);
        fflush(stdout);
        return;
    }
    qsort(v, (size_t)n, sizeof *v, cmp_double);
    double med = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    printf("screen: %s median %.1f ms (n=%d, min %.1f, max %.1f", name, med, n, v[0], v[n - 1]);
    if (missed)
        printf(", %d without a change", missed);
    printf(")\n");
    fflush(stdout);
}

static void act_key(void* arg)
{
    key((KeySym)(long)arg);
}

static void act_button(void* arg)
{
    int b = (int)(long)arg;
    XTestFakeButtonEvent(dpy, (unsigned)b, True, CurrentTime);
    XTestFakeButtonEvent(dpy, (unsigned)b, False, CurrentTime);
    sync_out();
}

/* The table's geometry found on the screen: its selected row 0 is the
 * topmost run of the selection colour at the window's left. */
typedef struct {
    int x, row0, rows;
} Table;

static const int kRowStep = 27; /* row height 26 and a 1-pixel spacing */

static unsigned long selection_pixel(void)
{
    /* #22304C on a 24-bit TrueColor display. */
    return 0x22304CUL;
}

/* Rows from row0 down to the first whose left cell is neither the cells'
 * colour nor the selection's (the table's foot). */
static int count_rows(Rect win, int x, int row0)
{
    XImage* im = grab(win);
    int rows = 0;
    for (int y = row0 - win.y + kRowStep / 2; im && y + kRowStep / 2 < im->height; y += kRowStep) {
        const unsigned long p = XGetPixel(im, x - win.x + 2, y) & 0xFFFFFF;
        if (p != selection_pixel() && p != 0x191B1FUL)
            break;
        ++rows;
    }
    if (im)
        XDestroyImage(im);
    return rows;
}

static int find_table(Rect win, Table* t)
{
    Rect area = {win.x, win.y, win.w / 2, win.h};
    XImage* im = grab(area);
    if (!im)
        return 0;
    const unsigned long sel = selection_pixel();
    int found = 0;
    for (int y = 0; y < im->height && !found; ++y) {
        int run = 0;
        for (int x = 0; x < im->width; ++x) {
            if ((XGetPixel(im, x, y) & 0xFFFFFF) == sel) {
                if (++run == 30) {
                    t->x = win.x + x - 29;
                    t->row0 = win.y + y;
                    found = 1;
                    break;
                }
            } else {
                run = 0;
            }
        }
    }
    XDestroyImage(im);
    if (found)
        t->rows = count_rows(win, t->x, t->row0);
    return found;
}

static Window main_window(Rect* r)
{
    return program_window(1000, 100000, r);
}

int main(int argc, char** argv)
{
    int dash = 1;
    while (dash < argc && strcmp(argv[dash], "--") != 0)
        ++dash;
    if (dash + 1 >= argc) {
        fprintf(stderr, "usage: screenlatency [--reps N] -- PROGRAM [ARGS...]\n");
        return 2;
    }
    int reps = 10;
    for (int i = 1; i < dash; ++i)
        if (strcmp(argv[i], "--reps") == 0 && i + 1 < dash)
            reps = atoi(argv[++i]);
    if (reps < 1 || reps > 100)
        reps = 10;
    dpy = XOpenDisplay(NULL);
    if (!dpy)
        fail("no display");
    int ev, er, maj, min;
    if (!XTestQueryExtension(dpy, &ev, &er, &maj, &min))
        fail("the display has no XTest");
    XSetErrorHandler(ignore_errors);
    root = DefaultRootWindow(dpy);
    if (DefaultDepth(dpy, DefaultScreen(dpy)) != 24)
        fail("the display must be 24 bits deep");
    move_to(5, 5);

    /* Launch: exec to the sign-in window's first frame on the screen. */
    double t0 = now_ms();
    child = fork();
    if (child == 0) {
        execvp(argv[dash + 1], argv + dash + 1);
        _exit(127);
    }
    Rect login = {0};
    double shown = -1;
    while (now_ms() - t0 < 30000) {
        Window w = program_window(300, 900, &login);
        if (w) {
            XImage* im = grab(login);
            int n = im ? colours(im, 24) : 0;
            if (im)
                XDestroyImage(im);
            if (n >= 24) {
                shown = now_ms() - t0;
                break;
            }
        }
        if (waitpid(child, NULL, WNOHANG) == child)
            fail("the program ended before its sign-in window showed");
        pause_ms(1);
    }
    if (shown < 0)
        fail("no sign-in window within 30 s");
    shot("launch");
    /* Ready: the server addresses came and 登录 turned red (#E6000C). */
    double ready = -1;
    while (now_ms() - t0 < 30000 && ready < 0) {
        Window w = program_window(300, 900, &login);
        XImage* im = w ? grab(login) : NULL;
        int red = 0;
        for (int y = 0; im && y < im->height; y += 2)
            for (int x = 0; x < im->width; x += 2)
                red += (XGetPixel(im, x, y) & 0xFFFFFF) == 0xE6000CUL;
        if (im)
            XDestroyImage(im);
        if (red >= 200)
            ready = now_ms() - t0;
        else
            pause_ms(2);
    }
    printf("screen: launch %.1f ms to the sign-in window, %.1f ms until it can sign in\n", shown, ready);
    fflush(stdout);

    /* Sign in: the fields sit in the bar at the window's foot. */
    pause_ms(1500);
    click(login.x + 175, login.y + 260);
    pause_ms(300);
    type_text("demo");
    click(login.x + 305, login.y + 260);
    pause_ms(300);
    type_text("demo");
    Rect win = {0};
    double asked = now_ms();
    while (!main_window(&win)) {
        if (now_ms() - asked > 60000)
            fail("no main window within 60 s of signing in");
        if (program_window(300, 900, NULL))
            key(XK_Return);
        pause_ms(300);
    }
    pause_ms(4000);
    /* The notices that open with the window are closed as the window
     * manager's close button does; then the main window takes the keys
     * through a click on the free part of its tab row. */
    Window others[64];
    int count = client_windows(child, others, 64);
    Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False), del = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    for (int i = 0; i < count; ++i) {
        Rect q;
        if (!window_rect(others[i], &q) || q.w >= 1000)
            continue;
        XEvent e;
        memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = others[i];
        e.xclient.message_type = protocols;
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)del;
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, others[i], False, NoEventMask, &e);
    }
    sync_out();
    pause_ms(500);
    click(win.x + win.w / 2, win.y + 76);
    pause_ms(500);

    /* 沪深A股涨幅排名 through its quick command. */
    move_to(win.x + win.w - 5, win.y + win.h / 2);
    type_text("60");
    pause_ms(600);
    key(XK_Return);
    Table t = {0};
    double opened = now_ms();
    while (!find_table(win, &t)) {
        if (now_ms() - opened > 15000)
            fail("no ranking table with a selected row within 15 s");
        pause_ms(100);
    }
    pause_ms(2000);
    find_table(win, &t);
    if (t.rows < 8)
        fail("the ranking table shows only %d rows", t.rows);
    printf("screen: ranking table at x %d, first row at y %d, %d rows\n", t.x - win.x, t.row0 - win.y, t.rows);
    fflush(stdout);
    const int seq_w = 45;
    /* Rows 2 .. rows-2 of the sequence column: neither highlighted by a page
     * step nor repainted by a push. */
    Rect seq_mid = {t.x, t.row0 + 2 * kRowStep, seq_w, (t.rows - 4) * kRowStep};
    Rect seq_all = {t.x, t.row0, seq_w, (t.rows - 1) * kRowStep};
    XImage* first_page = grab(seq_mid);
    double v[100];
    int n, missed;

    /* Wheel steps: the pointer over row 0's name, the table given the keys. */
    const int px = t.x + 46 + 80 + 50, py = t.row0 + kRowStep / 2;
    click(px, py);
    pause_ms(800);
    n = missed = 0;
    for (int i = 0; i < reps; ++i) {
        settle(seq_all, 300, 3000);
        double ms = timed_change(seq_all, act_button, (void*)5L, 2000);
        if (ms < 0)
            ++missed;
        else
            v[n++] = ms;
    }
    report("wheel", v, n, missed);
    /* Wheel steps at the last row: the next page. */
    n = missed = 0;
    for (int i = 0; i < reps; ++i) {
        pause_ms(700); /* apart from the last click: not a double click */
        click(px, t.row0 + (t.rows - 1) * kRowStep + kRowStep / 2);
        settle(seq_mid, 300, 3000);
        /* from the last row in sight: the page turns at the page's last row */
        double ms = -1;
        for (int k = 0; k < 3 && ms < 0; ++k)
            ms = timed_change(seq_mid, act_button, (void*)5L, 1000);
        if (ms < 0)
            ++missed;
        else
            v[n++] = ms;
    }
    report("wheel-page", v, n, missed);
    shot("wheel-page");

    /* Page Down and Page Up with the pointer off the table. */
    pause_ms(700);
    click(px, py);
    move_to(win.x + win.w - 5, win.y + win.h - 5);
    pause_ms(800);
    n = missed = 0;
    for (int i = 0; i < reps; ++i) {
        settle(seq_mid, 300, 3000);
        double ms = timed_change(seq_mid, act_key, (void*)(long)XK_Next, 3000);
        if (ms < 0)
            ++missed;
        else
            v[n++] = ms;
    }
    report("pgdn", v, n, missed);
    n = missed = 0;
    for (int i = 0; i < reps; ++i) {
        settle(seq_mid, 300, 3000);
        double ms = timed_change(seq_mid, act_key, (void*)(long)XK_Prior, 3000);
        if (ms < 0)
            ++missed;
        else
            v[n++] = ms;
    }
    report("pgup", v, n, missed);
    /* Around the ends: Page Up on the first page to the last, Page Down
     * there back to the first. Page Up first leads back to the first page
     * (its sequence numbers as they showed when the table opened). */
    for (int k = 0; k < 40; ++k) {
        settle(seq_mid, 200, 3000);
        XImage* now = grab(seq_mid);
        const int there = same_image(now, first_page);
        XDestroyImage(now);
        if (there)
            break;
        timed_change(seq_mid, act_key, (void*)(long)XK_Prior, 3000);
    }
    double w[100];
    int nw = 0, missed_w = 0;
    n = missed = 0;
    for (int i = 0; i < 2 * reps; ++i) {
        settle(seq_mid, 300, 3000);
        const int up = i % 2 == 0;
        double ms = timed_change(seq_mid, act_key, (void*)(long)(up ? XK_Prior : XK_Next), 3000);
        if (ms < 0)
            ++*(up ? &missed : &missed_w);
        else if (up)
            v[n++] = ms;
        else
            w[nw++] = ms;
    }
    report("pgup-first", v, n, missed);
    report("pgdn-last", w, nw, missed_w);

    /* Header clicks on 代码: code order down, then up, and so on; the codes
     * column holds still in code order while pushes re-sort the rates. */
    Rect codes = {t.x + seq_w + 1, t.row0 + 2 * kRowStep, 80, (t.rows - 4) * kRowStep};
    const int hx = t.x + seq_w + 1 + 40, hy = t.row0 - 1 - 12;
    click(hx, hy);
    move_to(win.x + win.w - 5, win.y + win.h - 5);
    pause_ms(1500);
    n = missed = 0;
    for (int i = 0; i < reps; ++i) {
        settle(codes, 300, 3000);
        move_to(hx, hy);
        pause_ms(100);
        double ms = timed_change(codes, act_button, (void*)1L, 3000);
        if (ms < 0)
            ++missed;
        else
            v[n++] = ms;
        move_to(win.x + win.w - 5, win.y + win.h - 5);
    }
    report("sort", v, n, missed);
    shot("sort");

    /* The first my-stock group through its quick command. */
    type_text("06");
    pause_ms(600);
    key(XK_Return);
    pause_ms(3000);
    /* The group's table sits where the ranking table did (the same tab row
     * and header); its sequence column is 40 wide. */
    Table g = t;
    g.rows = count_rows(win, g.x, g.row0);
    if (g.rows < 8) {
        printf("screen: mystock table not found (%d rows)\n", g.rows);
    } else {
        Rect gseq = {g.x, g.row0 + 2 * kRowStep, 40, (g.rows - 4) * kRowStep};
        click(g.x + 150, g.row0 + kRowStep / 2);
        move_to(win.x + win.w - 5, win.y + win.h - 5);
        pause_ms(800);
        n = missed = 0;
        for (int i = 0; i < reps; ++i) {
            settle(gseq, 300, 3000);
            double ms = timed_change(gseq, act_key, (void*)(long)(i % 2 ? XK_Prior : XK_Next), 3000);
            if (ms < 0)
                ++missed;
            else
                v[n++] = ms;
        }
        report("mystock", v, n, missed);
        shot("mystock");
    }

    kill(child, SIGTERM);
    int status;
    double quit = now_ms();
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (now_ms() - quit > 5000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        pause_ms(50);
    }
    XCloseDisplay(dpy);
    return 0;
}
