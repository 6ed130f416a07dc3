/* windriver: runs a PLAKO program's Windows build, plays the script PLAKO.SCR of a directory through
 * the program's own Playback command, and writes the graphics window's client area as a binary PPM.
 *
 *   windriver PROGRAM.exe DIR OUT.ppm
 *
 * The program starts in DIR, with windriver_hook.dll (beside this program) hooked into its thread.
 * As soon as its graphics window exists, Halt and then Playback are sent to it (WM_COMMAND with the
 * Run menu's ids); once the Playback item's check mark has gone, the client area is read back with
 * GetDC, BitBlt and GetDIBits, and Quit is sent.
 *
 * Determinism: the program animates from its start, and its first tick (a 100 ms timer set after the
 * graphics window was created) would draw a frame before the script's first event. Sent messages are
 * handled before any timer message, so the run matches a run that chose Playback at the first wait
 * when both commands were queued less than 100 ms after the window appeared. The window appeared
 * after the last poll that did not find it; when the commands were queued too late to be sure, the
 * program is ended and started again (at most ATTEMPTS times). Exit status: 0 when the picture was
 * written, 1 on any failure, 2 for a bad command line. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

/* The Run menu's command ids and the graphics window's names, as the package defines them. */
#define CMD_HALT 2
#define CMD_PLAYBACK 6
#define CMD_QUIT 8
#define GRAPHICS_CLASS "DrawWndClass"
#define GRAPHICS_TITLE "PLAKO Graphics"
#define HOOK_DLL "windriver_hook.dll"
#define PLAYBACK_PROP "windriver.playback" /* set by the hook */

#define ATTEMPTS 5
#define SAFE_MS 90.0          /* below the tick period, with room for a timer that fires a little early */
#define WINDOW_WAIT_MS 60000  /* for the window to appear */
#define SCRIPT_WAIT_MS 600000 /* for the script to end */
#define SEND_TIMEOUT_MS 10000

static double now_ms(void) {
    static LARGE_INTEGER freq;
    LARGE_INTEGER t;
    if (freq.QuadPart == 0) QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)freq.QuadPart;
}

/* Counts the replies to the commands sent with SendMessageCallbackA. */
static volatile LONG replies;
static VOID CALLBACK on_reply(HWND hwnd, UINT msg, ULONG_PTR data, LRESULT result) {
    (void)hwnd;
    (void)msg;
    (void)data;
    (void)result;
    replies++;
}

/* Handles this thread's pending messages, among them the replies of on_reply. */
static void pump_own(void) {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

/* The graphics window of process pid, or NULL. */
static HWND find_graphics(DWORD pid) {
    HWND w = NULL;
    while ((w = FindWindowExA(NULL, w, GRAPHICS_CLASS, GRAPHICS_TITLE)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) return w;
    }
    return NULL;
}

/* Waits until the program has handled everything sent before: three round trips, so that at least
 * one whole pass of its message loop (and the copy of its canvas to the window) lies between. */
static int settle(HWND w) {
    DWORD_PTR r;
    for (int i = 0; i < 3; i++)
        if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &r)) return 0;
    return 1;
}

/* The Playback item's check mark: 1 checked, 0 not, -1 when it cannot be read. A menu of another
 * process cannot be read from here, so the hook of windriver_hook.dll reads it inside the program
 * when a WM_NULL reaches the window, and leaves it in a window property before the reply. Every
 * reading comes after Playback was chosen, so an unchecked item means the script has ended. */
static int playback_checked(HWND w) {
    DWORD_PTR r;
    if (!SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &r)) return -1;
    UINT_PTR value = (UINT_PTR)GetPropA(w, PLAYBACK_PROP);
    return value == 1 ? 1 : value == 2 ? 0 : -1;
}

/* Installs the hook of windriver_hook.dll (beside this program) on the thread of w; NULL on failure. */
static HHOOK install_hook(HWND w) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/') n--;
    if (n == 0 || n + sizeof HOOK_DLL > sizeof path) return NULL;
    memcpy(path + n, HOOK_DLL, sizeof HOOK_DLL);
    HMODULE dll = LoadLibraryA(path);
    HOOKPROC proc = dll ? (HOOKPROC)(void (*)(void))GetProcAddress(dll, "windriver_hook") : NULL;
    if (proc == NULL) return NULL;
    return SetWindowsHookExA(WH_CALLWNDPROC, proc, dll, GetWindowThreadProcessId(w, NULL));
}

/* Reads the client area of w as 0x00RRGGBB pixels, top row first; NULL on failure. */
static unsigned int *read_client(HWND w, int *width, int *height) {
    RECT rc;
    if (!GetClientRect(w, &rc)) return NULL;
    int cw = rc.right - rc.left, ch = rc.bottom - rc.top;
    if (cw <= 0 || ch <= 0) return NULL;
    unsigned int *px = malloc((size_t)cw * ch * 4);
    HDC wdc = GetDC(w);
    HDC mem = wdc ? CreateCompatibleDC(wdc) : NULL;
    HBITMAP bmp = wdc ? CreateCompatibleBitmap(wdc, cw, ch) : NULL;
    int ok = 0;
    if (px && mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, cw, ch, wdc, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        BITMAPINFO bi;
        memset(&bi, 0, sizeof bi);
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = cw;
        bi.bmiHeader.biHeight = -ch; /* top-down */
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        if (ok) ok = GetDIBits(mem, bmp, 0, (UINT)ch, px, &bi, DIB_RGB_COLORS) == ch;
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    if (wdc) ReleaseDC(w, wdc);
    if (!ok) {
        free(px);
        return NULL;
    }
    for (size_t i = 0; i < (size_t)cw * ch; i++) px[i] &= 0xffffff; /* BGRA in memory: 0x00RRGGBB */
    *width = cw;
    *height = ch;
    return px;
}

static int write_ppm(const char *path, const unsigned int *px, int w, int h) {
    FILE *f = fopen(path, "wb");
    if (f == NULL) return 0;
    fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (size_t i = 0; i < (size_t)w * h; i++) {
        unsigned char rgb[3] = {(unsigned char)(px[i] >> 16), (unsigned char)(px[i] >> 8),
                                (unsigned char)px[i]};
        fwrite(rgb, 1, 3, f);
    }
    return fclose(f) == 0;
}

/* Ends the program: Quit, then the process is ended if it has not gone after a while. */
static void finish(PROCESS_INFORMATION *pi, HWND w) {
    if (w) PostMessageA(w, WM_COMMAND, CMD_QUIT, 0);
    if (WaitForSingleObject(pi->hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi->hProcess, 1);
        WaitForSingleObject(pi->hProcess, 10000);
    }
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
}

/* One run; returns 0 done, 1 failed, -1 to try again (the commands may have come after a tick). */
static int run_once(const char *program, const char *dir, const char *out) {
    char cmdline[MAX_PATH + 3];
    snprintf(cmdline, sizeof cmdline, "\"%s\"", program);
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(program, cmdline, NULL, NULL, FALSE, 0, NULL, dir, &si, &pi)) {
        fprintf(stderr, "windriver: cannot start %s in %s (error %lu)\n", program, dir, GetLastError());
        return 1;
    }
    /* The window exists from some moment after the last poll that did not find it. */
    double missed_at = now_ms(), start = missed_at;
    HWND w = NULL;
    while ((w = find_graphics(pi.dwProcessId)) == NULL) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 || now_ms() - start > WINDOW_WAIT_MS) {
            fprintf(stderr, "windriver: %s made no window \"%s\"\n", program, GRAPHICS_TITLE);
            finish(&pi, NULL);
            return 1;
        }
        missed_at = now_ms();
        Sleep(1);
    }
    replies = 0;
    int sent = SendMessageCallbackA(w, WM_COMMAND, CMD_HALT, 0, on_reply, 0) &&
               SendMessageCallbackA(w, WM_COMMAND, CMD_PLAYBACK, 0, on_reply, 0);
    double queued_ms = now_ms() - missed_at;
    if (!sent) {
        fprintf(stderr, "windriver: cannot send to the window (error %lu)\n", GetLastError());
        finish(&pi, w);
        return 1;
    }
    fprintf(stderr, "windriver: Halt and Playback queued %.1f ms after the window appeared\n", queued_ms);
    if (queued_ms >= SAFE_MS) {
        fprintf(stderr, "windriver: too late to be sure no tick came first; starting again\n");
        TerminateProcess(pi.hProcess, 1);
        finish(&pi, NULL);
        return -1;
    }
    /* Both replies: Playback has been chosen, so a missing check mark now means the script ended. */
    while (replies < 2) {
        if (now_ms() - start > WINDOW_WAIT_MS) {
            fprintf(stderr, "windriver: the program does not take the Playback command\n");
            finish(&pi, w);
            return 1;
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        pump_own();
    }
    HHOOK hook = install_hook(w);
    if (hook == NULL) {
        fprintf(stderr, "windriver: cannot hook the program (error %lu)\n", GetLastError());
        finish(&pi, w);
        return 1;
    }
    double playing = now_ms();
    int checked;
    while ((checked = playback_checked(w)) == 1) {
        if (now_ms() - playing > SCRIPT_WAIT_MS || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(5);
    }
    UnhookWindowsHookEx(hook);
    if (checked != 0) {
        fprintf(stderr, "windriver: %s\n",
                checked < 0 ? "cannot read the Run menu" : "the script did not end");
        finish(&pi, w);
        return 1;
    }
    /* The window shows the last frame once the program has been through its loop again. Two equal
     * readings more than a tick apart make sure the display has caught up with it, and that the
     * program does not animate on its own. */
    unsigned int *px = NULL, *prev = NULL;
    int width = 0, height = 0, same = 0;
    for (int i = 0; i < 20 && !same; i++) {
        if (!settle(w)) break;
        Sleep(150);
        free(prev);
        prev = px;
        px = read_client(w, &width, &height);
        if (px == NULL) break;
        same = prev != NULL && memcmp(prev, px, (size_t)width * height * 4) == 0;
    }
    free(prev);
    int status = 1;
    if (!same)
        fprintf(stderr, "windriver: cannot read a steady client area\n");
    else if (!write_ppm(out, px, width, height))
        fprintf(stderr, "windriver: cannot write %s\n", out);
    else
        status = 0;
    free(px);
    finish(&pi, w);
    return status;
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: windriver PROGRAM.exe DIR OUT.ppm\n");
        return 2;
    }
    for (int attempt = 1; attempt <= ATTEMPTS; attempt++) {
        int r = run_once(argv[1], argv[2], argv[3]);
        if (r >= 0) return r;
    }
    fprintf(stderr, "windriver: no run had its commands queued in time (%d attempts)\n", ATTEMPTS);
    return 1;
}
