// Where the process looks for DLLs: System32, and for a DLL loaded by full
// path its own folder; never the current folder or PATH.
#pragma once

namespace pixavon::host::win32 {

// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) and the current folder
// taken out of the search. Call first thing in main (Library does too); later
// calls change nothing. False if the system refused.
bool restrict_dll_search();

}  // namespace pixavon::host::win32
