// The load hooks of pixavon.dll. Part of the library itself rather than of the
// core archive, so that the linker takes this DllMain and not the runtime's
// empty default.
#include <windows.h>

#include "frame/library_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            // The module instance is where LoadStringA finds the string table.
            pixavon::OnProcessAttach(instance);
            break;
        case DLL_PROCESS_DETACH:
            pixavon::OnProcessDetach();
            break;
        default:
            break;  // thread attach and detach need nothing
    }
    return TRUE;
}
