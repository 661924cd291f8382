/* What MSVC's C runtime does before a GUI program's WinMain, for the sample's
 * MSVC-style build (dev_checks.sh): wine's C runtime, which that build links
 * with in place of Microsoft's, starts programs at main only. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

int main(void) {
    /* The command line after the program's name, as WinMain receives it. */
    char *line = GetCommandLineA();
    STARTUPINFOA startup;
    if (*line == '"') {
        ++line;
        while (*line != '\0' && *line != '"') ++line;
        if (*line == '"') ++line;
    } else {
        while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    GetStartupInfoA(&startup);
    return WinMain(GetModuleHandleA(NULL), NULL, line,
                   (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT);
}
