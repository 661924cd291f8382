/* The few declarations of <windows.h> that pixavon.h and header_check.c use,
 * as Microsoft's headers declare them (STRICT): header_check.sh compiles C++
 * for the MSVC ABI against this, since wine's <windows.h> is not valid C++ for
 * clang on 32-bit x86 (it defines functions that clang knows as intrinsics). */
#ifndef PIXAVON_WINDOWS_STAND_IN_H
#define PIXAVON_WINDOWS_STAND_IN_H
struct HWND__ {
    int unused;
};
typedef struct HWND__ *HWND;
#define WM_USER 0x0400
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#endif
