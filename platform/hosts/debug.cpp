// Debugging output: what a program writes for its developer goes to the host, which shows it
// where a developer looks.
#include <windows.h>

#include "host.h"

// Hands the text, as it is, to the current host; a null string writes nothing.
void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString) plat::host_current()->debug_text(lpOutputString);
}
