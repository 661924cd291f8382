// Ctrl+C on Windows: the console's break events made into a request on a
// CancelToken, as SIGINT and SIGTERM are on Linux.
#pragma once

#include "cancel.h"

namespace pixavon::host::win32 {

// From now on, Ctrl+C and Ctrl+Break request `token` to stop (its signal():
// SIGINT, SIGBREAK) instead of ending the process, so the operation under way
// stops between units of work and removes what it had half written. Closing
// the console window, logging off or shutting down request it too (SIGTERM)
// and give the program the few seconds Windows allows to finish. `token` must
// outlive the program's use of the console; a later call replaces it.
// False if the handler cannot be installed.
bool cancel_on_console_break(CancelToken& token);

}  // namespace pixavon::host::win32
