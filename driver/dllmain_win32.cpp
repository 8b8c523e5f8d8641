#include <windows.h>

#include "address/dialog.h"

// The driver keeps no per-thread state, so it asks for no thread attach and
// detach notifications. It keeps its own module handle for the dialog, whose
// template lives in this file's resources: the host may load the file under
// any name and from any folder. Nothing else happens at load or unload.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        zid::SetDialogModule(instance);
    }
    return TRUE;
}
