/**
 * @file pixavon.h
 * @brief The public interface of libpixavon, which manages the photo store of
 * the Lumetta camera.
 *
 * libpixavon opens the Lumetta camera, reads the list of photos on its flash
 * card (8 MiB for 26 photos or 16 MiB for 52), saves photos as bitmap files,
 * puts bitmap files on the card, deletes photos, formats the card, backs the
 * whole card up into one file and restores it. Its whole interface is the 14
 * plain C functions of this header.
 *
 * @section results Results
 * Every function returns 1 on success and 0 on failure, except
 * GetPhotoCount() (the number of photos) and GetCardMemory() (the capacity
 * code). There are no error codes and `errno` means nothing after a call.
 * Where the user should learn why a call failed, the library has already told
 * them in a box (see @ref boxes) before the call returns 0.
 *
 * @section order Calling order
 * 1. OpenDevice(window) with the host's window (or `NULL`).
 * 2. GetPhotoCount(): loads the card's catalog. Everything that changes the
 *    card, and every download, works from the catalog that the last
 *    GetPhotoCount() loaded: call it again after every upload, delete,
 *    format and restore, before the next download, upload or delete.
 * 3. ReadPixavonToFile(), WriteFileToGBA(), DeletePhoto(), FormatGBA(),
 *    ReadAll(), WriteAll().
 * 4. CloseDevice(). Unloading the library also closes an open camera.
 *
 * Positions count from 0 in list order. Deleting a photo moves every later
 * photo down by one position, so delete several photos highest position first.
 *
 * @section progress Progress messages
 * Before each unit of work of a long operation the library sends the host
 * window the message #PIXAVON_PROGRESS_MESSAGE (0x401, both parameters 0) and
 * waits until the window has handled it. The message carries no count; the
 * host knows the total from the operation and GetCardMemory(). On success:
 *
 * - ReadPixavonToFile(): 20, one per 16 KiB read.
 * - WriteFileToGBA(): 624, 608 for the photo's blocks and 16 for the catalog.
 * - DeletePhoto(): 16, one per catalog block.
 * - ReadAll(): 256 on a 26-photo card (and before any catalog was loaded),
 *   512 on a 52-photo card, one per 32 KiB.
 * - WriteAll(): 16,384 on a 26-photo card, 32,768 on a 52-photo card, one per
 *   512-byte block; none before any catalog was loaded.
 * - Every other function: none.
 *
 * A failing operation stops early and sends fewer. Without a window, or on
 * POSIX with a window whose `send_message` is `NULL`, no message is sent.
 *
 * @section boxes Boxes
 * The library shows two kinds of modal box, always with #PIXAVON_BOX_STYLE
 * (error icon, one OK button), and returns only once the user has closed it:
 * - Card errors, caption "Lumetta", owned by the host window: the text of
 *   string 13 ("read card error,work incomplete": the card's catalog is not a
 *   valid one) or string 14 ("write card error,work incomplete": an erase or
 *   a write on the card failed), in the user's language.
 * - The file error, caption "Error", owned by no window, text
 *   "Open(Create) File Failed...": a host file could not be opened, created,
 *   read or written.
 *
 * Each function's description names the boxes it may show. Other failures
 * (no camera, a failed read from the card, a precondition not met) return 0
 * without a box.
 *
 * @section threads Threads
 * Every function may be called from any thread. The library takes calls one
 * at a time under one process-wide lock: a call waits while another thread's
 * call runs, which for a whole-card backup or restore is a long time. The
 * progress handler and the box are called on the calling thread, while that
 * lock is held.
 *
 * While an exported function runs on a thread, a call into the library from
 * that same thread (a progress handler or a box calling back) to any function
 * other than IsConnect(), GetCardMemory() and GetString() returns 0 at once
 * without touching the card or the connection; those three still answer.
 * A progress handler or box must not wait for another thread's call into the
 * library: that call waits for the lock that the handler's own thread holds.
 *
 * On Windows progress arrives through `SendMessage`: when a worker thread
 * calls the library, the window's own thread must keep handling messages
 * until the call returns.
 *
 * @section paths Paths and texts
 * File paths are passed to the operating system unchanged: on POSIX as the
 * byte string that `open()` takes (UTF-8 in a UTF-8 locale), on Windows in the
 * process's ANSI code page (`CreateFileA`), so a file whose name that code
 * page cannot spell cannot be reached. The texts of GetString() and of the
 * card error boxes are in the encoding of the user's locale (see GetString()).
 *
 * @section posix Cameras on POSIX
 * Cameras are the entries of a device directory: `$PIXAVON_DEVICE_DIR`, else
 * `$XDG_RUNTIME_DIR/pixavon`, else `/tmp/pixavon-UID`. The first entry in byte
 * order of names is opened. The directory must belong to the user and must
 * not be writable by group or others. An entry is a character device or a
 * Unix socket served by a driver process such as `pixavon-emu`, run by the same
 * user or by root: a socket whose peer is another user is no camera. Every
 * transfer has a deadline for the whole of it (10 s plus 1 s per 64 KiB), after
 * which it fails as a failed transfer does.
 *
 * @mainpage libpixavon
 * The whole interface, with the rules that hold for every call, is described
 * in pixavon.h.
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
/**
 * @brief The calling convention of every exported function: `__cdecl` on
 * Windows, the platform's default elsewhere.
 */
#  define PIXAVON_CALL
#  if defined(PIXAVON_BUILDING_LIBRARY)
#    define PIXAVON_API __attribute__((visibility("default")))
#  else
/**
 * @brief Marks the exported functions: exported while the library itself is
 * built, imported (`__declspec(dllimport)` on Windows) by its hosts.
 */
#    define PIXAVON_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/**
 * @brief The progress message sent to the host window before each unit of
 * work: `WM_USER + 1` on Windows. Its two parameters are 0.
 * @see @ref progress
 */
#define PIXAVON_PROGRESS_MESSAGE 0x401u
/** @brief The style of every box the library shows: error icon, one OK button
 * (`MB_ICONERROR | MB_OK` on Windows). */
#define PIXAVON_BOX_STYLE 0x10u
/** @brief The number of bytes that the buffer passed to GetString() must hold. */
#define PIXAVON_STRING_BUFFER_SIZE 255

#if defined(_WIN32)
/* On Windows the host window is a window handle: progress arrives as
 * SendMessage(window, WM_USER + 1, 0, 0) and card error boxes are owned by it. */
typedef HWND PixavonWindowHandle;
#else
/**
 * @brief The host window on POSIX: how the library reaches the host.
 *
 * The host owns the record and keeps it alive as long as the library may use
 * it: from OpenDevice(window) until OpenDevice() is called with another
 * window (or `NULL`) or the library is unloaded. CloseDevice() does not forget
 * the window, and GetPhotoCount() reopens the camera with it.
 *
 * On Windows the window is an `HWND` instead: progress arrives as
 * `SendMessage(window, WM_USER + 1, 0, 0)` and card error boxes are owned by
 * that window.
 */
typedef struct PixavonWindow {
    /** @brief Passed unchanged as the first argument of both callbacks. */
    void *context;
    /**
     * @brief Receives #PIXAVON_PROGRESS_MESSAGE, called as
     * `send_message(context, 0x401, 0, 0)` before each unit of work; the
     * operation goes on when it returns, and its result is ignored. `NULL`:
     * no progress is delivered.
     */
    intptr_t (*send_message)(void *context, uint32_t message, uintptr_t wparam, intptr_t lparam);
    /**
     * @brief Presents a modal box and returns when the user has closed it.
     * `owned` is 1 for card error boxes (owned by this window) and 0 for the
     * file error box (no owner); `style` is #PIXAVON_BOX_STYLE. `text` is in
     * the encoding of the user's locale. `NULL` (or no window at all): the
     * library writes the box to standard error as one line, "CAPTION: TEXT".
     */
    int (*message_box)(void *context, int owned, const char *text, const char *caption, uint32_t style);
} PixavonWindow;
/** @brief What OpenDevice() takes as the host window: `HWND` on Windows, a
 * pointer to a #PixavonWindow elsewhere; `NULL` for none. */
typedef const PixavonWindow *PixavonWindowHandle;
#endif

/**
 * @name Device link
 * @{
 */

/**
 * @brief Opens the first camera and makes @p window the host window.
 *
 * A camera that is open already is closed first. @p window is stored before
 * the open is tried, whatever its outcome; it receives every later progress
 * message and owns every later card error box, also after CloseDevice(),
 * until OpenDevice() is called again.
 *
 * @param window The host window, or `NULL` for none (no progress messages;
 *        boxes without an owner, on POSIX written to standard error).
 * @return 1 if a camera is now open, 0 if none could be opened. No box, no
 *         progress message.
 */
PIXAVON_API int PIXAVON_CALL OpenDevice(PixavonWindowHandle window);

/**
 * @brief Closes the open camera.
 *
 * The host window, the capacity code and the list that GetPhotoCount() loaded
 * are kept.
 *
 * @return 1 if a camera was open and closing it succeeded; 0 if closing it
 *         failed (it counts as closed all the same) or none was open.
 */
PIXAVON_API int PIXAVON_CALL CloseDevice(void);

/**
 * @brief Tells whether a camera is open.
 *
 * It does no input or output, so it does not notice a camera unplugged after
 * it was opened; the next transfer fails instead.
 *
 * @return 1 if a camera is open, else 0.
 */
PIXAVON_API int PIXAVON_CALL IsConnect(void);

/**
 * @brief Sends a raw read command and reads the data it delivers.
 *
 * For diagnostics; the other functions do all the reading a host needs.
 * Reads `length / 512` blocks of 512 bytes after a 10 ms pause; a @p length
 * below 512 reads nothing, and a remainder below 512 is not read.
 *
 * @param address Where the data starts, in units of 256 bytes: the data
 *        starts at byte `address * 256` of the card. Note that the card's
 *        catalog (its last 8 KiB) is read at 0xFFE0 on both card sizes.
 * @param buffer Receives the data; at least @p length bytes.
 * @param length Number of bytes, a multiple of 512.
 * @return 1 if every block was read whole; 0 if no camera is open, @p buffer
 *         is `NULL` with a non-zero @p length, or the camera failed (the
 *         buffer's content is then not defined). No box, no progress message.
 */
PIXAVON_API int PIXAVON_CALL ReadGBA(uint16_t address, void *buffer, uint32_t length);

/**
 * @brief Sends a raw write command and writes @p length bytes.
 *
 * For diagnostics. Nothing is erased first, and the library exports no erase:
 * flash written since its last erase normally only clears bits, so such a
 * block need not hold what was written. Writing into the catalog or into a
 * listed photo's slot changes the card behind the library's back.
 *
 * @param address Where the data goes, in blocks of 512 bytes: byte
 *        `address * 512` of the card.
 * @param buffer The data, at least @p length bytes.
 * @param length Number of bytes.
 * @return 1 if the data was written; 0 if no camera is open, @p buffer is
 *         `NULL` with a non-zero @p length, or the camera refused. No box, no
 *         progress message.
 */
PIXAVON_API int PIXAVON_CALL WriteGBA(uint16_t address, const void *buffer, uint32_t length);

/** @} */

/**
 * @name Catalog
 * @{
 */

/**
 * @brief Loads the card's catalog: the list of photos and the card's size.
 *
 * When no camera is open, it first calls OpenDevice() itself with the stored
 * host window, and so may open a camera after CloseDevice(). It then reads the
 * catalog afresh. The list it loads is what ReadPixavonToFile(),
 * WriteFileToGBA(), DeletePhoto() and FormatGBA() work from: call it again
 * after every change to the card before the next of them.
 *
 * @return The number of photos, 0 to 255. 0 also on any failure, so 0 means
 *         "an empty card" only when the call was otherwise sound: then
 *         GetCardMemory() reports the card's capacity code.
 *         Failures: no camera could be opened (no box; the list from before
 *         is kept); the catalog could not be read (no box; the list is now
 *         empty); the catalog is not a valid one, for example after an
 *         interrupted change (box with string 13; the list is now empty).
 *         No progress message.
 */
PIXAVON_API int32_t PIXAVON_CALL GetPhotoCount(void);

/**
 * @brief The capacity code of the card: 26 (8 MiB card) or 52 (16 MiB card).
 *
 * No input or output.
 *
 * @return The code of the last catalog that GetPhotoCount() loaded, valid but
 *         possibly empty; 26 until one has been loaded.
 */
PIXAVON_API uint16_t PIXAVON_CALL GetCardMemory(void);

/**
 * @brief Deletes the photo at @p position from the card's list.
 *
 * Reads the catalog afresh, removes the entry (the later photos move down one
 * position), erases the catalog's area and writes the catalog back in 16
 * blocks; a failed write is retried twice from the erase before it gives up.
 * The photo's slot is not erased: it is free for the next upload. Requires a
 * catalog loaded by GetPhotoCount() since the library was loaded.
 *
 * @param position 0 to count - 1 of the catalog on the card.
 * @return 1 if the catalog was written back. 0 with nothing written, no box:
 *         no catalog loaded yet, no camera open, @p position outside the list,
 *         the catalog could not be read. 0 after a box with string 13: the
 *         catalog on the card is not a valid one. 0 after a box with string
 *         14: the catalog could not be written back (the card's list is then
 *         damaged; a restore of a backup or FormatGBA() repairs it).
 *         Progress: 16 messages on success.
 */
PIXAVON_API int PIXAVON_CALL DeletePhoto(int32_t position);

/**
 * @brief Empties the card: erases the catalog and writes a fresh, empty one.
 *
 * The old catalog is read first but not checked, so a damaged catalog is
 * repaired too, as long as a catalog was loaded by GetPhotoCount() since the
 * library was loaded (it gives the card's size). The photos' slots are not
 * erased; they are simply no longer listed.
 *
 * @return 1 if the fresh catalog was written. 0 with the card unchanged, no
 *         box: no catalog loaded yet, no camera open, the old catalog could
 *         not be read, the erase was refused. 0 after a box with string 14:
 *         the fresh catalog could not be written, also on two retries (the
 *         card then has no valid catalog). No progress message.
 */
PIXAVON_API int PIXAVON_CALL FormatGBA(void);

/** @} */

/**
 * @name Photos
 * @{
 */

/**
 * @brief Saves the photo at @p position as a bitmap file.
 *
 * The photo is read whole, in 20 reads of 16 KiB, before the file is created,
 * so a failed read leaves any file at @p path untouched. The file is a
 * 234,310-byte BMP: 322 x 242 pixels, 24 bits per pixel, uncompressed, rows
 * bottom-up. The card does not store the right-most 100 pixels of the bottom
 * row; they are black.
 *
 * @param position 0 to count - 1 of the list that the last GetPhotoCount()
 *        loaded.
 * @param path The file to create; an existing file is replaced (see
 *        @ref paths).
 * @return 1 if the whole file was written. 0 without a box and without a
 *         file: @p position outside the loaded list, no camera open, a read
 *         from the card failed. 0 after the file error box: the file could
 *         not be created, or not written whole (what was written is removed).
 *         Progress: 20 messages on success, all before the file is created.
 */
PIXAVON_API int PIXAVON_CALL ReadPixavonToFile(int32_t position, const char *path);

/**
 * @brief Puts a bitmap file on the card as a new photo, at the end of the
 * list.
 *
 * The file must be a 322 x 242, 24-bit, uncompressed BMP (bottom-up or
 * top-down), such as ReadPixavonToFile() writes; a host converts other
 * pictures first. The photo goes into the lowest slot that the list loaded by
 * the last GetPhotoCount() leaves free; once it is listed, its slot is added
 * to that list, so a second upload without a GetPhotoCount() between takes
 * another slot. A loaded list that names a slot the card does not have, or
 * one slot twice, leaves the free slot unknown: the upload is then refused
 * before the card is touched.
 *
 * Requires a catalog loaded by GetPhotoCount() with fewer photos than
 * GetCardMemory().
 *
 * @param path The bitmap file (see @ref paths).
 * @return 1 if the photo was written and listed. 0 with the card unchanged,
 *         no box: no catalog loaded yet, the loaded list is full. 0 with the
 *         card unchanged after the file error box: the file cannot be opened
 *         or read, or is not such a bitmap. 0 with the card unchanged after a
 *         box with string 13: the loaded list names a slot at or above the
 *         capacity code or one slot twice. 0 after a box with string 14: an
 *         erase or write of the photo failed, also for want of an open camera
 *         (the catalog is unchanged), or writing the catalog back failed.
 *         0 after a box with string 13: the catalog on the card is not a valid
 *         one. 0 without a box, with the photo written but not listed: the
 *         catalog could not be read, the card's own list is full.
 *         Progress: 624 messages on success, 608 for the photo's blocks and
 *         16 for the catalog.
 */
PIXAVON_API int PIXAVON_CALL WriteFileToGBA(const char *path);

/** @} */

/**
 * @name Whole card
 * @{
 */

/**
 * @brief Backs the whole card up into one file: the card's bytes in order,
 * photos and catalog alike.
 *
 * The size comes from the last catalog loaded: 16 MiB after GetPhotoCount()
 * found a 52-photo card, otherwise 8 MiB, so load the catalog first or a
 * 16 MiB card is saved only in part. The file can be restored with
 * WriteAll(), and `pixavon-emu` and `pixavon --card` take it as a card.
 *
 * @param path The file to create; an existing file is replaced (see
 *        @ref paths).
 * @return 1 if the whole card was saved. 0 without a box: a read from the
 *         card failed or no camera is open (the file keeps what was saved
 *         until then, possibly nothing). 0 after the file error box: the file
 *         could not be created or written.
 *         Progress: 256 messages (8 MiB) or 512 (16 MiB), one per 32 KiB.
 */
PIXAVON_API int PIXAVON_CALL ReadAll(const char *path);

/**
 * @brief Restores the whole card from a file that ReadAll() wrote, replacing
 * everything on it.
 *
 * The file's size must be that of the card of the last catalog loaded by
 * GetPhotoCount(): 8 MiB or 16 MiB. Before any catalog was loaded the card's
 * size is taken as 0 bytes, so only an empty file passes, and nothing is sent
 * to the card and the result is 1; load the catalog first (a card whose
 * catalog is damaged can be restored only if a catalog was loaded earlier in
 * this process). The catalog travels inside the image: call GetPhotoCount()
 * afterwards.
 *
 * @param path The image file (see @ref paths).
 * @return 1 if every block was written. 0 with the card unchanged: the file
 *         has the wrong size (no box) or cannot be opened (file error box).
 *         0 after a box with string 14: an erase or a write failed, also for
 *         want of an open camera (the blocks before it are restored, the rest
 *         of its erase unit is left erased, and the card after that unit is
 *         as it was). 0 after the file error box at the end: parts of the
 *         file could not be read; their blocks are left erased and everything
 *         else is restored. Progress: 16,384 messages (8 MiB) or 32,768
 *         (16 MiB) on success, one per 512-byte block; none for an empty file
 *         before a load.
 */
PIXAVON_API int PIXAVON_CALL WriteAll(const char *path);

/** @} */

/**
 * @name Texts
 * @{
 */

/**
 * @brief Copies text @p id of the library's string table, in the user's
 * language, into @p buffer.
 *
 * The texts are those of the camera's application: 1 "Lumetta" (the window's
 * title), 2 "%d is used up %d is available" (a format with two integers, used
 * and free photos), 3 to 12 the button labels DELETE, UPLOAD, BACKUP,
 * DISPLAY, FORMAT, ABOUT, READ CARD, WRITE CARD, CATALOG, EXIT, and 13 and 14
 * the card error messages; each in English, Traditional Chinese, Simplified
 * Chinese and Japanese.
 *
 * On POSIX the language and the encoding come from the locale as gettext
 * chooses them (`LANGUAGE`, then `LC_ALL`, `LC_MESSAGES`, `LANG`), read at
 * each call: Traditional Chinese for zh_TW, zh_HK, zh_MO; Simplified Chinese
 * for zh_CN, zh_SG and zh; Japanese for ja; English otherwise. The text is
 * UTF-8 unless the locale names another codeset (`zh_TW.Big5`, `ja_JP.eucJP`,
 * `zh_CN.GBK`, ...); a codeset that cannot spell the text gets the English
 * one. On Windows the resource loader chooses the language, and the text is
 * in the process's ANSI code page.
 *
 * @param id 1 to 14.
 * @param buffer Receives the text and a terminating zero; must hold
 *        #PIXAVON_STRING_BUFFER_SIZE (255) bytes. Longer texts are cut, at a
 *        character boundary, to 254 bytes.
 * @return 1 if a text was copied; 0 for an id without a text or a `NULL`
 *         buffer (the buffer's content is then not defined). No card access,
 *         no box, no progress message; it needs no camera.
 */
PIXAVON_API int PIXAVON_CALL GetString(uint32_t id, char *buffer);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* PIXAVON_H */
