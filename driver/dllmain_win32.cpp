#include <windows.h>

// The driver keeps no per-thread state, so it asks for no thread attach and
// detach notifications; nothing else happens at load or unload.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
