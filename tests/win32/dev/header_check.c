/* pixavon.h as a Windows host compiles it, in C and in C++: what the DLL
 * exports must be what the header declares. Compiled by header_check.sh with
 * each compiler, in each language, also with another default calling
 * convention and with other structure packing; that script then reads the
 * object's undefined symbols. */
#include <pixavon.h> /* first: it includes <windows.h> itself */

#include <windows.h>

#if defined(__cplusplus)
#  define CHECK(condition, what) static_assert(condition, what)
#else /* C99 has no _Static_assert: an array of negative size instead */
#  define CHECK_NAME(line) check_at_line_##line
#  define CHECK_AT(condition, line) typedef char CHECK_NAME(line)[(condition) ? 1 : -1]
#  define CHECK(condition, what) CHECK_AT(condition, __LINE__)
#endif

CHECK(sizeof(void *) == 4, "a 32-bit build");
CHECK(sizeof(PixavonWindowHandle) == sizeof(HWND), "the host window is a window handle");
CHECK(PIXAVON_PROGRESS_MESSAGE == WM_USER + 1, "progress is WM_USER + 1");
CHECK(PIXAVON_BOX_STYLE == (MB_ICONERROR | MB_OK), "the boxes' style");
CHECK(PIXAVON_STRING_BUFFER_SIZE == 255, "GetString's buffer");

/* Every function through a pointer of its exact type: the __cdecl convention
 * and fixed-width parameters and results, whatever the compiler's defaults. A
 * mismatch is an error in C++ and a warning (an error with -Werror) in C. */
int uses_every_function(void);
int uses_every_function(void) {
    int(__cdecl * open_device)(HWND) = OpenDevice;
    int(__cdecl * close_device)(void) = CloseDevice;
    int(__cdecl * is_connect)(void) = IsConnect;
    int(__cdecl * read_gba)(uint16_t, void *, uint32_t) = ReadGBA;
    int(__cdecl * write_gba)(uint16_t, const void *, uint32_t) = WriteGBA;
    int32_t(__cdecl * get_photo_count)(void) = GetPhotoCount;
    uint16_t(__cdecl * get_card_memory)(void) = GetCardMemory;
    int(__cdecl * delete_photo)(int32_t) = DeletePhoto;
    int(__cdecl * format_gba)(void) = FormatGBA;
    int(__cdecl * read_to_file)(int32_t, const char *) = ReadPixavonToFile;
    int(__cdecl * write_from_file)(const char *) = WriteFileToGBA;
    int(__cdecl * read_all)(const char *) = ReadAll;
    int(__cdecl * write_all)(const char *) = WriteAll;
    int(__cdecl * get_string)(uint32_t, char *) = GetString;
    char text[PIXAVON_STRING_BUFFER_SIZE];
    unsigned char block[512];
    return open_device(NULL) + close_device() + is_connect() + read_gba(0, block, sizeof block) +
           write_gba(0, block, sizeof block) + get_photo_count() + get_card_memory() + delete_photo(0) + format_gba() +
           read_to_file(0, "a.bmp") + write_from_file("a.bmp") + read_all("card.bin") + write_all("card.bin") +
           get_string(1, text);
}
