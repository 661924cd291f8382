// Text, the system's error texts, the environment and thread priorities on
// Windows; see os.h. Every text inside the host is UTF-8; the console gets
// UTF-16 at the edge (win32/text.h).
#include <windows.h>

#include <cstdlib>

#include "os/os.h"
#include "os/win32/text.h"

namespace pixavon::host::os {

std::string locale_codeset() { return "UTF-8"; }

// Names and texts are UTF-8 throughout: nothing to convert.
std::string convert_text(const std::string& text, const std::string&, const std::string&) { return text; }

std::string error_text(int error) { return win32::system_message(static_cast<DWORD>(error)); }

void set_environment(const char* name, const std::string& value) {
    try {
        ::SetEnvironmentVariableW(win32::to_utf16(name).c_str(), win32::to_utf16(value).c_str());
        ::_wputenv_s(win32::to_utf16(name).c_str(), win32::to_utf16(value).c_str());
    } catch (const std::invalid_argument&) {
        // A value that is not UTF-8 is not set.
    }
}

bool local_time(std::time_t when, std::tm* out) { return ::localtime_s(out, &when) == 0; }

void lower_thread_priority(int niceness) {
    ::SetThreadPriority(::GetCurrentThread(), niceness > 0 ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL);
}

}  // namespace pixavon::host::os
