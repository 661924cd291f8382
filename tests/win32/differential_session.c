/* One fixed session with the camera through all 14 exported functions,
 * successes and failures alike, written as a canonical transcript on stdout:
 * each call's result, the progress messages it sent, the boxes it showed and
 * the size and hash of each file it wrote. Built against libpixavon.so and
 * against pixavon.dll; tests/win32/differential.sh runs both builds on cameras
 * with copies of one card and compares everything byte for byte.
 *
 *   differential_session session   the session, in the current directory
 *   differential_session strings   GetString for every id, as UTF-8
 *
 * The emulator serving the session runs with --fail-read, --fail-write and
 * --unplug-after at the counts in differential.sh, which fail the first
 * backup and the second upload and unplug the camera in the last backup.
 * Texts are written as UTF-8 whatever the platform's encoding. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pixavon.h"

#if defined(_WIN32)
#  include <windows.h>
#  include <fcntl.h>
#  include <io.h>
#endif

enum { kMaxBoxes = 8, kBoxTextSize = 1024 };

typedef struct Box {
    int owned;
    char caption[kBoxTextSize];
    char text[kBoxTextSize];
} Box;

static unsigned long g_progress;
static Box g_boxes[kMaxBoxes];
static int g_box_count;

/* Text in the platform's encoding, as UTF-8. */
static void ToUtf8(const char *text, char *out, size_t size) {
#if defined(_WIN32)
    WCHAR wide[kBoxTextSize];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kBoxTextSize) <= 0 ||
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, (int)size, NULL, NULL) <= 0) {
        snprintf(out, size, "<not convertible>");
    }
#else
    snprintf(out, size, "%s", text);
#endif
}

static void RecordBox(int owned, const char *text, const char *caption) {
    if (g_box_count == kMaxBoxes) return;
    Box *box = &g_boxes[g_box_count++];
    box->owned = owned;
    ToUtf8(caption, box->caption, sizeof box->caption);
    ToUtf8(text, box->text, sizeof box->text);
}

#if defined(_WIN32)
/* A real window: progress arrives at its window procedure through
 * SendMessageA; boxes are recorded and closed by a CBT hook on this thread. */
static LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == PIXAVON_PROGRESS_MESSAGE && wparam == 0 && lparam == 0) {
        ++g_progress;
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static LRESULT CALLBACK BoxHook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wparam;
        char class_name[16] = {0};
        GetClassNameA(box, class_name, sizeof class_name);
        if (strcmp(class_name, "#32770") == 0) {
            char text[kBoxTextSize] = {0};
            char caption[kBoxTextSize] = {0};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text); /* the box's static text */
            GetWindowTextA(box, caption, sizeof caption);
            RecordBox(GetWindow(box, GW_OWNER) != NULL, text, caption);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(NULL, code, wparam, lparam);
}

static PixavonWindowHandle MakeHostWindow(void) {
    WNDCLASSA window_class;
    memset(&window_class, 0, sizeof window_class);
    window_class.lpfnWndProc = HostProcedure;
    window_class.hInstance = GetModuleHandleA(NULL);
    window_class.lpszClassName = "PixavonDifferentialHost";
    HWND window = NULL;
    if (RegisterClassA(&window_class) != 0) {
        window = CreateWindowA(window_class.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                               window_class.hInstance, NULL);
    }
    if (window == NULL || SetWindowsHookExA(WH_CBT, BoxHook, NULL, GetCurrentThreadId()) == NULL) {
        fprintf(stderr, "cannot make the host window and its box hook (no display?)\n");
        exit(2);
    }
    return window;
}
#else
static intptr_t CountProgress(void *context, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    (void)context;
    if (message == PIXAVON_PROGRESS_MESSAGE && wparam == 0 && lparam == 0) ++g_progress;
    return 0;
}

static int CatchBox(void *context, int owned, const char *text, const char *caption, uint32_t style) {
    (void)context;
    (void)style;
    RecordBox(owned, text, caption);
    return 1;
}

static PixavonWindowHandle MakeHostWindow(void) {
    static const PixavonWindow window = {NULL, CountProgress, CatchBox};
    return &window;
}
#endif

/* FNV-1a, 64 bits: enough to tell two files or buffers apart. */
static uint64_t Hash(const unsigned char *data, size_t size, uint64_t hash) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001B3ull;
    return hash;
}
static const uint64_t kHashStart = 0xCBF29CE484222325ull;

static void Begin(void) {
    g_progress = 0;
    g_box_count = 0;
}

/* The call's line, then one line per box it showed. */
static void End(const char *call, long long result) {
    printf("%s -> %lld progress %lu\n", call, result, g_progress);
    for (int i = 0; i < g_box_count; ++i) {
        printf("  box owned=%d caption=\"%s\" text=\"%s\"\n", g_boxes[i].owned, g_boxes[i].caption, g_boxes[i].text);
    }
}

#define CALL(expression)               \
  do {                                 \
    Begin();                           \
    const long long r_ = (expression); \
    End(#expression, r_);              \
  } while (0)

static void PrintFile(const char *path) {
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        printf("  file %s: none\n", path);
        return;
    }
    unsigned char chunk[65536];
    uint64_t hash = kHashStart;
    unsigned long long size = 0;
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        hash = Hash(chunk, got, hash);
        size += got;
    }
    fclose(file);
    printf("  file %s: %llu bytes, hash %016llx\n", path, size, (unsigned long long)hash);
}

static void PrintBuffer(const unsigned char *data, size_t size) {
    printf("  buffer: hash %016llx\n", (unsigned long long)Hash(data, size, kHashStart));
}

static int WriteBytes(const char *path, const unsigned char *data, size_t size) {
    FILE *file = fopen(path, "wb");
    if (file == NULL) return 0;
    const int ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

static void PutLe(unsigned char *at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

/* A 322 x 242, 24-bit bottom-up bitmap with a fixed pattern. */
enum { kWidth = 322, kHeight = 242, kRowSize = 968, kHeaderSize = 54, kBmpSize = kHeaderSize + kRowSize * kHeight };
static unsigned char g_bmp[kBmpSize];

static void MakeBitmap(void) {
    memset(g_bmp, 0, sizeof g_bmp);
    g_bmp[0] = 'B';
    g_bmp[1] = 'M';
    PutLe(g_bmp + 2, kBmpSize, 4);
    PutLe(g_bmp + 10, kHeaderSize, 4);
    PutLe(g_bmp + 14, 40, 4);
    PutLe(g_bmp + 18, kWidth, 4);
    PutLe(g_bmp + 22, kHeight, 4);
    PutLe(g_bmp + 26, 1, 2);
    PutLe(g_bmp + 28, 24, 2);
    PutLe(g_bmp + 34, kRowSize * kHeight, 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            unsigned char *pixel = g_bmp + kHeaderSize + y * kRowSize + x * 3;
            pixel[0] = (unsigned char)(x * 3 + y);
            pixel[1] = (unsigned char)(x ^ y);
            pixel[2] = (unsigned char)(y * 5);
        }
    }
}

static void Strings(void) {
    for (uint32_t id = 0; id <= 15; ++id) {
        char buffer[PIXAVON_STRING_BUFFER_SIZE];
        char utf8[kBoxTextSize];
        memset(buffer, 0, sizeof buffer);
        const int result = GetString(id, buffer);
        ToUtf8(buffer, utf8, sizeof utf8);
        printf("GetString(%u) -> %d \"%s\"\n", (unsigned)id, result, result ? utf8 : "");
    }
}

static unsigned char g_card_block[8192];

static void Session(void) {
    MakeBitmap();
    static const char kJunk[] = "not a bitmap";
    if (!WriteBytes("photo.bmp", g_bmp, sizeof g_bmp) ||
        !WriteBytes("junk.bmp", (const unsigned char *)kJunk, sizeof kJunk) || !WriteBytes("empty.bin", g_bmp, 0)) {
        fprintf(stderr, "cannot write the session's input files\n");
        exit(2);
    }
    const PixavonWindowHandle window = MakeHostWindow();

    /* Before any camera or catalog. */
    CALL(IsConnect());
    CALL(CloseDevice());
    CALL(ReadGBA(0, g_card_block, 512));
    CALL(OpenDevice(window));
    CALL(IsConnect());
    CALL(GetCardMemory());
    CALL(DeletePhoto(0));
    CALL(FormatGBA());
    CALL(WriteAll("empty.bin"));

    /* Catalog and photos. */
    CALL(GetPhotoCount());
    CALL(GetCardMemory());
    CALL(ReadPixavonToFile(0, "absent.bmp"));
    PrintFile("absent.bmp");
    CALL(WriteFileToGBA("missing.bmp"));
    CALL(WriteFileToGBA("junk.bmp"));
    CALL(WriteFileToGBA("photo.bmp"));
    CALL(GetPhotoCount());
    CALL(WriteFileToGBA("photo.bmp")); /* the emulator fails a write of it */
    CALL(GetPhotoCount());
    CALL(ReadPixavonToFile(0, "download.bmp"));
    PrintFile("download.bmp");
    CALL(ReadPixavonToFile(0, "no-such-folder/download.bmp"));
    CALL(DeletePhoto(1));
    CALL(DeletePhoto(0));
    CALL(GetPhotoCount());

    /* Whole card. */
    CALL(ReadAll("backup-failed.bin")); /* the emulator fails a read of it */
    PrintFile("backup-failed.bin");
    CALL(ReadAll("no-such-folder/backup.bin"));
    CALL(ReadAll("backup.bin"));
    PrintFile("backup.bin");
    CALL(WriteAll("missing.bin"));
    CALL(WriteAll("photo.bmp"));
    CALL(WriteAll("backup.bin"));
    CALL(GetPhotoCount());

    /* Raw commands: zeros written over the catalog's first block spoil it. */
    CALL(ReadGBA(0xFFE0, g_card_block, sizeof g_card_block));
    PrintBuffer(g_card_block, sizeof g_card_block);
    CALL(ReadGBA(0xFFE0, NULL, 512));
    CALL(WriteGBA(0x3FF0, NULL, 512));
    memset(g_card_block, 0, sizeof g_card_block);
    CALL(WriteGBA(0x3FF0, g_card_block, 512));
    CALL(ReadGBA(0xFFE0, g_card_block, 1024));
    PrintBuffer(g_card_block, 1024);
    CALL(ReadGBA(0, g_card_block, 100));
    CALL(ReadGBA(0, g_card_block, 700));
    PrintBuffer(g_card_block, 512);
    CALL(WriteGBA(0x3000, g_card_block, 0));
    CALL(WriteGBA(0x3001, g_card_block, 100));
    CALL(WriteGBA(0x3002, g_card_block, 700));
    CALL(GetPhotoCount());
    CALL(FormatGBA());
    CALL(GetPhotoCount());
    CALL(GetCardMemory());

    Strings();
    CALL(CloseDevice());
    CALL(CloseDevice());
    CALL(IsConnect());
    CALL(GetPhotoCount()); /* opens the camera again with the stored window */
    CALL(IsConnect());
    CALL(CloseDevice());

    /* The camera goes away in the middle of a backup. */
    CALL(OpenDevice(window));
    CALL(ReadAll("unplugged.bin"));
    PrintFile("unplugged.bin");
    CALL(IsConnect());
    CALL(CloseDevice());
    CALL(OpenDevice(window));
    CALL(IsConnect());
}

int main(int argc, char **argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); /* the same line ends on both targets */
#endif
    setvbuf(stdout, NULL, _IOFBF, 1 << 16);
    if (argc == 2 && strcmp(argv[1], "session") == 0) {
        Session();
    } else if (argc == 2 && strcmp(argv[1], "strings") == 0) {
        Strings();
    } else {
        fprintf(stderr, "usage: %s session|strings\n", argv[0]);
        return 2;
    }
    return fflush(stdout) == 0 ? 0 : 1;
}
