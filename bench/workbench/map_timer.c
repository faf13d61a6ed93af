/* map_timer COMMAND [ARG...]: starts the command with the display of $DISPLAY and prints
 * "MILLISECONDS CPU_MILLISECONDS WIDTHxHEIGHT": the time from just before the fork to the first
 * MapNotify of a top-level window, the processor time the command's threads had used by then
 * (from the scheduler's own count, to the nanosecond, so that a loaded machine's waiting is left
 * out), and that window's size. Then it kills the command, waits for it and for its
 * window to go, so that the next run meets a quiet server. Meant for a private Xvfb without a
 * window manager, where top-level windows are children of the root window (the root's
 * SubstructureNotify reports their mapping at once, with no polling). Exit 1 when no window
 * mapped within 60 s or the command ended first. */
#include <X11/Xlib.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Ms(const struct timespec* a, const struct timespec* b) {
    return (double)(b->tv_sec - a->tv_sec) * 1e3 + (double)(b->tv_nsec - a->tv_nsec) / 1e6;
}

/* The next event, or 0 when none came within the deadline (milliseconds from start). */
static int NextEvent(Display* display, XEvent* event, const struct timespec* start, double deadline) {
    while (!XPending(display)) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double left = deadline - Ms(start, &now);
        if (left <= 0) return 0;
        struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, left > 1000 ? 1000 : (int)left + 1);
    }
    XNextEvent(display, event);
    return 1;
}

/* The processor time of every thread of the process so far, in milliseconds; -1 if unknown. */
static double ProcessorMs(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/task", (int)pid);
    DIR* tasks = opendir(path);
    if (!tasks) return -1;
    double total = 0;
    for (struct dirent* task; (task = readdir(tasks));) {
        if (task->d_name[0] == '.') continue;
        char stat[128];
        snprintf(stat, sizeof stat, "/proc/%d/task/%s/schedstat", (int)pid, task->d_name);
        FILE* in = fopen(stat, "r");
        unsigned long long ns = 0;
        if (in && fscanf(in, "%llu", &ns) == 1) total += (double)ns / 1e6;
        if (in) fclose(in);
    }
    closedir(tasks);
    return total;
}

/* A window that went meanwhile (the command ended) is no reason to stop the bench. */
static int IgnoreError(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: map_timer COMMAND [ARG...]\n");
        return 64;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "map_timer: cannot open the display\n");
        return 69;
    }
    XSetErrorHandler(IgnoreError);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    struct timespec start, mapped;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        close(ConnectionNumber(display));
        execvp(argv[1], argv + 1);
        perror(argv[1]);
        _exit(127);
    }
    if (child < 0) return 71;

    XEvent event;
    Window window = 0;
    int width = 0, height = 0;
    double processor = -1;
    while (!window && NextEvent(display, &event, &start, 60000)) {
        /* Tool tips and menus bypass the window manager (override-redirect): not the window. */
        if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
            clock_gettime(CLOCK_MONOTONIC, &mapped);
            processor = ProcessorMs(child);
            window = event.xmap.window;
        }
    }
    if (window) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes)) {
            width = attributes.width;
            height = attributes.height;
        }
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    /* The server frees the killed client's windows; wait for that before the next run. */
    if (window) {
        struct timespec gone;
        clock_gettime(CLOCK_MONOTONIC, &gone);
        while (NextEvent(display, &event, &gone, 5000))
            if (event.type == DestroyNotify && event.xdestroywindow.window == window) break;
    }
    XCloseDisplay(display);
    if (!window) {
        fprintf(stderr, "map_timer: %s mapped no window\n", argv[1]);
        return 1;
    }
    printf("%.3f %.3f %dx%d\n", Ms(&start, &mapped), processor, width, height);
    return 0;
}
