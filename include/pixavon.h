/*
 * pixavon.h - the public interface of the Pixavon library, which manages the
 * photo store of the Lumetta camera.
 *
 * Every function returns a non-zero value (1 unless noted) on success and 0 on
 * failure. GetPhotoCount returns the photo count and GetCardMemory the card's
 * capacity code (26 or 52). The library is called from one thread at a time.
 *
 * Calls from several threads are taken one at a time. While a function runs,
 * a call from the same thread (a progress or box handler calling back in)
 * returns 0 at once without touching the card; only IsConnect, GetCardMemory
 * and GetString answer. A progress handler must not wait for another thread's
 * call into the library: that call waits for the running one to end.
 *
 * Calling convention: every function uses PIXAVON_CALL, which is the C calling
 * convention (__cdecl) on Windows and the platform default elsewhere. Changing
 * the convention is a one-line change of that macro.
 */
#ifndef PIXAVON_H
#define PIXAVON_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  include <windows.h>
#  define PIXAVON_CALL __cdecl
#  if defined(PIXAVON_BUILDING_LIBRARY)
#    define PIXAVON_API __declspec(dllexport)
#  else
#    define PIXAVON_API __declspec(dllimport)
#  endif
#else
#  define PIXAVON_CALL
#  if defined(PIXAVON_BUILDING_LIBRARY)
#    define PIXAVON_API __attribute__((visibility("default")))
#  else
#    define PIXAVON_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The progress message sent to the host window before each unit of work. */
#define PIXAVON_PROGRESS_MESSAGE 0x401u
/* The style of every box the library shows: error icon, one OK button. */
#define PIXAVON_BOX_STYLE 0x10u
/* GetString needs a buffer of this many bytes. */
#define PIXAVON_STRING_BUFFER_SIZE 255

#if defined(_WIN32)
/* On Windows the host window is a window handle: progress arrives as
 * SendMessage(window, WM_USER + 1, 0, 0) and card error boxes are owned by it. */
typedef HWND PixavonWindowHandle;
#else
/*
 * On POSIX the host window is a record that the host owns and keeps alive
 * while it is set with OpenDevice.
 *
 * send_message: called synchronously as send_message(context, 0x401, 0, 0)
 *   before each unit of work; NULL means no progress delivery.
 * message_box: presents a modal box and returns when the user has closed it.
 *   `owned` is 1 for card error boxes (owned by this window) and 0 for the
 *   file error box (no owner); `style` is 0x10. When no window is set or this
 *   member is NULL, the library writes the box to standard error as one line,
 *   "CAPTION: TEXT".
 */
typedef struct PixavonWindow {
    void *context;
    intptr_t (*send_message)(void *context, uint32_t message, uintptr_t wparam, intptr_t lparam);
    int (*message_box)(void *context, int owned, const char *text, const char *caption, uint32_t style);
} PixavonWindow;
typedef const PixavonWindow *PixavonWindowHandle;
#endif

/* Device link */
PIXAVON_API int PIXAVON_CALL OpenDevice(PixavonWindowHandle window);
PIXAVON_API int PIXAVON_CALL CloseDevice(void);
PIXAVON_API int PIXAVON_CALL IsConnect(void);
/* Raw commands: read addresses count 256-byte units, write addresses 512-byte blocks. */
PIXAVON_API int PIXAVON_CALL ReadGBA(uint16_t address, void *buffer, uint32_t length);
PIXAVON_API int PIXAVON_CALL WriteGBA(uint16_t address, const void *buffer, uint32_t length);

/* Catalog */
PIXAVON_API int32_t PIXAVON_CALL GetPhotoCount(void);
PIXAVON_API uint16_t PIXAVON_CALL GetCardMemory(void);
PIXAVON_API int PIXAVON_CALL DeletePhoto(int32_t position);
PIXAVON_API int PIXAVON_CALL FormatGBA(void);

/* Photos */
PIXAVON_API int PIXAVON_CALL ReadPixavonToFile(int32_t position, const char *path);
PIXAVON_API int PIXAVON_CALL WriteFileToGBA(const char *path);

/* Whole card */
PIXAVON_API int PIXAVON_CALL ReadAll(const char *path);
PIXAVON_API int PIXAVON_CALL WriteAll(const char *path);

/* User-interface texts: `buffer` must hold PIXAVON_STRING_BUFFER_SIZE bytes. */
PIXAVON_API int PIXAVON_CALL GetString(uint32_t id, char *buffer);

#ifdef __cplusplus
}
#endif

#endif /* PIXAVON_H */
