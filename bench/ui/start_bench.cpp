// Start-up of an X client to its painted window, measured from outside through
// the X server: the time from starting the program to its first top-level window
// being mapped ("map"), to the end of that window's first paint ("painted": the
// last change of the screen before it stays still for a moment or before a
// further top-level window is mapped), and to the end of all drawing ("settled":
// the last change before the screen stays still, whatever windows came). Used by
// start_bench.sh to put the program beside a plain X client.
//   start_bench <rounds> <quiet ms> [title] -- <program> [arguments...]
// With a title, the window watched is the first one mapped under that title
// (a program may show a smaller window first). Prints "map <ms>", "painted <ms>"
// and "settled <ms>" per round.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/extensions/damageproto.h>
#undef min
#undef max

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
int DamageEvent = -1;

double Ms(Clock::time_point From) { return std::chrono::duration<double, std::milli>(Clock::now() - From).count(); }

// Change reports of the screen reach the event queue through this converter.
Bool DamageWireToEvent(Display* D, XEvent* Out, xEvent* In) {
    auto* W = reinterpret_cast<xDamageNotifyEvent*>(In);
    Out->xany.type = W->type & 0x7F;
    Out->xany.serial = _XSetLastRequestRead(D, reinterpret_cast<xGenericReply*>(In));
    Out->xany.send_event = (W->type & 0x80) != 0;
    Out->xany.display = D;
    Out->xany.window = W->drawable;
    return True;
}

// The library's request macros name their display "dpy".
bool StartDamage(Display* dpy, Window Root) {
    int Opcode = 0, Error = 0;
    if (!XQueryExtension(dpy, "DAMAGE", &Opcode, &DamageEvent, &Error)) return false;
    XESetWireToEvent(dpy, DamageEvent + XDamageNotify, DamageWireToEvent);
    LockDisplay(dpy);
    xDamageQueryVersionReq* V;
    GetReq(DamageQueryVersion, V);
    V->reqType = static_cast<CARD8>(Opcode);
    V->damageReqType = X_DamageQueryVersion;
    V->majorVersion = 1;
    V->minorVersion = 1;
    xDamageQueryVersionReply Reply;
    const bool Ok = _XReply(dpy, reinterpret_cast<xReply*>(&Reply), 0, xTrue) != 0;
    xDamageCreateReq* C;
    GetReq(DamageCreate, C);
    C->reqType = static_cast<CARD8>(Opcode);
    C->damageReqType = X_DamageCreate;
    C->damage = static_cast<CARD32>(XAllocID(dpy));
    C->drawable = static_cast<CARD32>(Root);
    C->level = XDamageReportRawRectangles;
    UnlockDisplay(dpy);
    SyncHandle();
    return Ok;
}

// A window may be gone by the time it is looked at (a short-lived window of the
// program): its errors are ignored rather than ending the watch, which would
// leave the program running.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

bool HasTitle(Display* D, Window W, const std::string& Title) {
    if (Title.empty()) return true;
    char* Name = nullptr;
    const bool Same = XFetchName(D, W, &Name) && Name && Title == Name;
    if (Name) XFree(Name);
    return Same;
}

}  // namespace

int main(int argc, char** argv) {
    const bool Titled = argc >= 6 && std::string_view(argv[4]) == "--";
    if (argc < 5 || (!Titled && std::string_view(argv[3]) != "--")) {
        std::fprintf(stderr, "usage: %s <rounds> <quiet ms> [title] -- <program> [arguments...]\n", argv[0]);
        return 2;
    }
    const int Rounds = std::atoi(argv[1]);
    const int QuietMs = std::atoi(argv[2]);
    const std::string Title = Titled ? argv[3] : "";
    char** Command = argv + (Titled ? 5 : 4);
    Display* D = XOpenDisplay(nullptr);
    if (!D) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreError);
    const Window Root = DefaultRootWindow(D);
    XSelectInput(D, Root, SubstructureNotifyMask);
    if (!StartDamage(D, Root)) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 1;
    }
    for (int R = 0; R < Rounds; ++R) {
        XSync(D, False);
        while (XPending(D)) {
            XEvent E;
            XNextEvent(D, &E);
        }
        const auto Start = Clock::now();
        pid_t Pid = -1;
        if (posix_spawnp(&Pid, Command[0], nullptr, nullptr, Command, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", Command[0]);
            return 1;
        }
        double Map = -1, Painted = -1, Settled = -1;
        Window First = 0;
        bool FirstPaintOver = false;  // another top-level window came
        auto LastChange = Clock::now();
        for (;;) {
            if (!XPending(D)) {
                const int Left = Map < 0 ? 30000 : QuietMs - static_cast<int>(Ms(LastChange));
                if (Map >= 0 && Left <= 0) break;
                pollfd P{ConnectionNumber(D), POLLIN, 0};
                if (poll(&P, 1, Left) == 0) {
                    if (Map < 0) break;  // nothing came at all
                    continue;
                }
            }
            XEvent E;
            XNextEvent(D, &E);
            if (E.type == MapNotify && E.xmap.event == Root) {
                XWindowAttributes A;
                if (XGetWindowAttributes(D, E.xmap.window, &A) && A.width > 1 && A.height > 1) {
                    if (Map < 0 && !HasTitle(D, E.xmap.window, Title)) {
                        continue;
                    } else if (Map < 0) {
                        Map = Ms(Start);
                        Painted = Settled = Map;
                        First = E.xmap.window;
                        LastChange = Clock::now();
                    } else if (E.xmap.window != First) {
                        FirstPaintOver = true;
                    }
                }
            } else if (E.type == DamageEvent + XDamageNotify && Map >= 0) {
                Settled = Ms(Start);
                if (!FirstPaintOver) Painted = Settled;
                LastChange = Clock::now();
            }
        }
        kill(Pid, SIGKILL);
        waitpid(Pid, nullptr, 0);
        if (Map < 0) {
            std::fprintf(stderr, "%s mapped no window\n", Command[0]);
            return 1;
        }
        std::printf("map %.1f\npainted %.1f\nsettled %.1f\n", Map, Painted, Settled);
        std::fflush(stdout);
    }
    XCloseDisplay(D);
    return 0;
}
