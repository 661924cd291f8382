#include "os/win32/dll_search.h"

#include <windows.h>

namespace pixavon::host::win32 {

bool restrict_dll_search() {
    static const bool done =
        ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0 && ::SetDllDirectoryW(L"") != 0;
    return done;
}

}  // namespace pixavon::host::win32
