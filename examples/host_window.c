/*
 * host_window.c: a small Windows host of pixavon.dll.
 *
 * A window that lists the photos on the camera's card and saves the one you
 * select as a bitmap file, with a progress bar while it is saved. It shows
 * how a host uses the library on Windows:
 *
 *  - The library's calls run on a worker thread, one at a time, so that the
 *    window stays responsive during long operations.
 *  - OpenDevice() is given the window: before each unit of work the library
 *    sends it PIXAVON_PROGRESS_MESSAGE (WM_USER + 1) with SendMessage from
 *    the worker thread, and waits until the window procedure has handled it.
 *    The window's thread therefore keeps running its message loop while a
 *    call is under way, and never waits for the worker itself.
 *  - The library shows its own error boxes, owned by the window, before a
 *    call returns 0; the host only says in its status line what failed.
 *  - The window outlives every call that may send it messages: closing it
 *    while a call runs waits for the call to end.
 *
 * Build it with the CMake project beside it (find_package(pixavon)), or by
 * hand, for example with MSVC from this folder of the developer package:
 *
 *   cl /W4 host_window.c /I..\include ..\lib\pixavon.lib user32.lib gdi32.lib comctl32.lib comdlg32.lib
 *
 * and put pixavon.dll beside host_window.exe. The DLL is 32-bit: build the
 * host for x86.
 *
 *   host_window                 the window
 *   host_window PHOTO.bmp       unattended: lists the card, saves its first
 *                               photo as PHOTO.bmp, writes one line on
 *                               standard output and ends, with exit code 0 if
 *                               the photo was saved
 */
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <stdio.h>
#include <string.h>

#include <pixavon.h>

/* What the worker thread posts to the window when a call has ended:
 * wParam the job, lParam its result. */
#define WM_JOB_DONE (WM_APP + 1)

enum { ID_LIST = 100, ID_PROGRESS, ID_STATUS, ID_RELOAD, ID_SAVE };
enum job_kind { JOB_LIST, JOB_SAVE };

/* ReadPixavonToFile() sends one progress message per 16 KiB it reads. */
enum { SAVE_PROGRESS_STEPS = 20 };

struct job {
    enum job_kind kind;
    int position;
    char path[MAX_PATH];
};

static HWND list_view, progress_bar, status_line, reload_button, save_button;
static struct job current_job;
static int busy;            /* a job runs on the worker thread */
static int close_when_done; /* the window was asked to close during a job */
static int photo_count;
static unsigned progress_messages; /* of the job that runs */
static char unattended_path[MAX_PATH];
static int exit_code = 1;

static void set_status(const char *text) { SetWindowTextA(status_line, text); }

/* The worker thread: one call into the library, then the result to the
 * window. PostMessage, not SendMessage: the window may be waiting for
 * nothing, and must never wait for this thread. */
static DWORD WINAPI run_job(LPVOID parameter) {
    HWND window = (HWND)parameter;
    LPARAM result;
    if (current_job.kind == JOB_LIST) {
        /* -1: no camera; else the number of photos (0 also when the card's
         * list could not be read, after the library's box). */
        result = OpenDevice(window) ? GetPhotoCount() : -1;
    } else {
        result = ReadPixavonToFile(current_job.position, current_job.path);
    }
    PostMessageA(window, WM_JOB_DONE, (WPARAM)current_job.kind, result);
    return 0;
}

static void start_job(HWND window, enum job_kind kind, int position, const char *path) {
    HANDLE thread;
    current_job.kind = kind;
    current_job.position = position;
    current_job.path[0] = '\0';
    if (path != NULL) lstrcpynA(current_job.path, path, MAX_PATH);
    progress_messages = 0;
    SendMessageA(progress_bar, PBM_SETRANGE32, 0, kind == JOB_SAVE ? SAVE_PROGRESS_STEPS : 1);
    SendMessageA(progress_bar, PBM_SETPOS, 0, 0);
    busy = 1;
    EnableWindow(reload_button, FALSE);
    EnableWindow(save_button, FALSE);
    set_status(kind == JOB_LIST ? "Reading the card..." : "Saving the photo...");
    thread = CreateThread(NULL, 0, run_job, window, 0, NULL);
    if (thread == NULL) {
        busy = 0;
        EnableWindow(reload_button, TRUE);
        set_status("The work could not be started.");
        return;
    }
    CloseHandle(thread);
}

static void show_photos(int count) {
    char text[64];
    LVITEMA item;
    int i;
    SendMessageA(list_view, LVM_DELETEALLITEMS, 0, 0);
    for (i = 0; i < count; ++i) {
        snprintf(text, sizeof text, "Photo %d", i + 1);
        memset(&item, 0, sizeof item);
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        SendMessageA(list_view, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    photo_count = count;
}

static void finish_unattended(HWND window, const char *line, int code) {
    fputs(line, stdout);
    fflush(stdout);
    exit_code = code;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static void job_done(HWND window, enum job_kind kind, LPARAM result) {
    char text[MAX_PATH + 64];
    busy = 0;
    EnableWindow(reload_button, TRUE);
    if (kind == JOB_LIST) {
        if (result < 0) {
            show_photos(0);
            set_status("No camera found. Plug it in and choose Reload.");
        } else {
            show_photos((int)result);
            snprintf(text, sizeof text, "%d photos, room for %u more.", photo_count,
                     (unsigned)GetCardMemory() - (unsigned)photo_count);
            set_status(text);
        }
    } else {
        if (result) {
            snprintf(text, sizeof text, "Photo %d saved as %s.", current_job.position + 1, current_job.path);
        } else {
            snprintf(text, sizeof text, "Photo %d was not saved.", current_job.position + 1);
        }
        set_status(text);
    }
    EnableWindow(save_button, photo_count > 0);

    if (close_when_done) {
        DestroyWindow(window);
    } else if (unattended_path[0] != '\0') {
        if (kind == JOB_LIST && photo_count > 0) {
            start_job(window, JOB_SAVE, 0, unattended_path);
        } else if (kind == JOB_LIST) {
            finish_unattended(window, result < 0 ? "no camera\n" : "no photos on the card\n", 1);
        } else {
            snprintf(text, sizeof text, "%d photos; photo 1 %s after %u progress messages\n", photo_count,
                     result ? "saved" : "not saved", progress_messages);
            finish_unattended(window, text, result && progress_messages == SAVE_PROGRESS_STEPS ? 0 : 1);
        }
    }
}

static void save_selected(HWND window) {
    char path[MAX_PATH];
    OPENFILENAMEA dialog;
    int position = (int)SendMessageA(list_view, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (position < 0) {
        set_status("Select a photo first.");
        return;
    }
    snprintf(path, sizeof path, "photo-%d.bmp", position + 1);
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = "Bitmap (*.bmp)\0*.bmp\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrDefExt = "bmp";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (GetSaveFileNameA(&dialog)) start_job(window, JOB_SAVE, position, path);
}

static void create_controls(HWND window, HINSTANCE instance) {
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    LVCOLUMNA column;
    HWND controls[5];
    int i;
    list_view = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0, 0,
                                window, (HMENU)ID_LIST, instance, NULL);
    memset(&column, 0, sizeof column);
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 200;
    column.pszText = "Photos on the card";
    SendMessageA(list_view, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    progress_bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                   (HMENU)ID_PROGRESS, instance, NULL);
    SendMessageA(progress_bar, PBM_SETSTEP, 1, 0);
    status_line = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 0, window,
                                  (HMENU)ID_STATUS, instance, NULL);
    reload_button = CreateWindowExA(0, "BUTTON", "&Reload", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, window,
                                    (HMENU)ID_RELOAD, instance, NULL);
    save_button = CreateWindowExA(0, "BUTTON", "&Save photo...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 0, 0,
                                  0, 0, window, (HMENU)ID_SAVE, instance, NULL);
    controls[0] = list_view;
    controls[1] = progress_bar;
    controls[2] = status_line;
    controls[3] = reload_button;
    controls[4] = save_button;
    for (i = 0; i < 5; ++i) SendMessageA(controls[i], WM_SETFONT, (WPARAM)font, FALSE);
}

static void lay_out(int width, int height) {
    const int margin = 8, button_width = 110, row = 26;
    int bottom = height - margin - row;
    MoveWindow(list_view, margin, margin, width - 2 * margin, bottom - 2 * row - 3 * margin, TRUE);
    MoveWindow(progress_bar, margin, bottom - 2 * row - margin, width - 2 * margin, 18, TRUE);
    MoveWindow(status_line, margin, bottom - row, width - 2 * margin, 20, TRUE);
    MoveWindow(reload_button, margin, bottom, button_width, row, TRUE);
    MoveWindow(save_button, 2 * margin + button_width, bottom, button_width, row, TRUE);
}

static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case PIXAVON_PROGRESS_MESSAGE:
            /* Sent by the library from the worker thread, which waits until it
             * is handled: keep it short. */
            ++progress_messages;
            SendMessageA(progress_bar, PBM_STEPIT, 0, 0);
            return 0;
        case WM_JOB_DONE:
            job_done(window, (enum job_kind)wparam, lparam);
            return 0;
        case WM_CREATE:
            create_controls(window, ((const CREATESTRUCTA *)lparam)->hInstance);
            start_job(window, JOB_LIST, 0, NULL);
            return 0;
        case WM_SIZE:
            lay_out(LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wparam) == ID_RELOAD && !busy) start_job(window, JOB_LIST, 0, NULL);
            if (LOWORD(wparam) == ID_SAVE && !busy) save_selected(window);
            return 0;
        case WM_CLOSE:
            /* The library may still send progress to this window: it goes once
             * the call has ended (job_done). */
            if (busy) {
                close_when_done = 1;
                set_status("Closing once the card's work is done...");
            } else {
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

/* The command line's one argument, without the quotes around it. */
static void read_argument(const char *command_line) {
    size_t length;
    while (*command_line == ' ') ++command_line;
    if (*command_line == '"') ++command_line;
    lstrcpynA(unattended_path, command_line, MAX_PATH);
    length = strlen(unattended_path);
    while (length > 0 && (unattended_path[length - 1] == ' ' || unattended_path[length - 1] == '"')) {
        unattended_path[--length] = '\0';
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    INITCOMMONCONTROLSEX common_controls;
    WNDCLASSEXA window_class;
    HWND window;
    MSG message;
    (void)previous;

    read_argument(command_line);
    common_controls.dwSize = sizeof common_controls;
    common_controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&common_controls);

    memset(&window_class, 0, sizeof window_class);
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    window_class.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    window_class.lpszClassName = "PixavonHostWindow";
    if (!RegisterClassExA(&window_class)) return 1;
    window = CreateWindowExA(0, window_class.lpszClassName, "Photos on the camera", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 480, 400, NULL, NULL, instance, NULL);
    if (window == NULL) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    /* No call runs any more: the camera can be closed from this thread. */
    CloseDevice();
    return unattended_path[0] != '\0' ? exit_code : 0;
}
