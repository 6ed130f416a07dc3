/* The part of windriver that runs inside the driven program: a hook called before each of the
 * program's window procedures runs. It copies the Run menu's Playback check mark into a property
 * of the graphics window, which the driver can read from its own process (a menu cannot be). */
#include <windows.h>

#define CMD_PLAYBACK 6
#define PLAYBACK_PROP "windriver.playback"

/* Property value: 1 while Playback is checked, 2 when it is not, 3 when the menu cannot be read. */
__declspec(dllexport) LRESULT CALLBACK windriver_hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION) {
        const CWPSTRUCT *m = (const CWPSTRUCT *)lparam;
        char cls[32];
        if (m->message == WM_NULL && GetClassNameA(m->hwnd, cls, sizeof cls) > 0 &&
            lstrcmpA(cls, "DrawWndClass") == 0) {
            HMENU bar = GetMenu(m->hwnd);
            HMENU run = bar ? GetSubMenu(bar, 0) : NULL;
            UINT state = run ? GetMenuState(run, CMD_PLAYBACK, MF_BYCOMMAND) : (UINT)-1;
            UINT_PTR value = state == (UINT)-1 ? 3 : (state & MF_CHECKED) ? 1 : 2;
            SetPropA(m->hwnd, PLAYBACK_PROP, (HANDLE)value);
        }
    }
    return CallNextHookEx(NULL, code, wparam, lparam);
}
