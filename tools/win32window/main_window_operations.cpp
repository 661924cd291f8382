// The main window's operations on the card (see main_window.h): asking what
// each needs (files, folders, the import's choices), starting it on the
// card's thread with the window busy until it ends, taking the card's reports
// (the card read, its photos, progress, questions, the end) and telling how
// each ended, including what follows one (a rescue asking the card's size,
// putting rescued pictures back after a format). The grid's photos and the
// photo viewer are here too.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "desktop/phrases.h"
#include "desktop/words.h"
#include "dialogs.h"
#include "main_window.h"
#include "pictures.h"
#include "requests.h"
#include "ui_text.h"

#ifndef PIXAVON_VERSION
#  define PIXAVON_VERSION "unknown"
#endif

namespace pixavon::win32window {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Pixavon\\Window";
constexpr wchar_t kImportFolderValue[] = L"ImportFolder";

// A file name the core made ("folder/photo-3.png") as Windows writes it.
std::string shown_path(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

// The picture files in `folder` with the extension `extension`, by name.
std::vector<std::string> files_in(const std::string& folder, const std::wstring& extension) {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(std::filesystem::path(wide(folder)), error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error) && it->path().extension() == extension) {
            files.push_back(host::win32::to_utf8(it->path().wstring()));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void complain(const std::string& text) { host::win32::write_stderr("pixavon-window: " + text + "\n"); }

// The photo viewer: one photo at its size on a screen of the window's
// density, in a window of its own.
constexpr wchar_t kViewerClass[] = L"PixavonPhoto";

LRESULT CALLBACK viewer_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* created = reinterpret_cast<const CREATESTRUCTW*>(lparam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
            break;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = ::BeginPaint(window, &paint);
            auto* bitmap = reinterpret_cast<HBITMAP>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            RECT client{};
            ::GetClientRect(window, &client);
            if (bitmap != nullptr) {
                HDC memory = ::CreateCompatibleDC(dc);
                HGDIOBJ before = ::SelectObject(memory, bitmap);
                ::BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
                ::SelectObject(memory, before);
                ::DeleteDC(memory);
            }
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_KEYDOWN:
            if (wparam == VK_ESCAPE || wparam == VK_SPACE) ::DestroyWindow(window);
            return 0;
        case WM_NCDESTROY: {
            auto* bitmap = reinterpret_cast<HBITMAP>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            if (bitmap != nullptr) ::DeleteObject(bitmap);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
        }
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

template <typename Work>
void MainWindow::start(desktop::Operation operation, Work&& work) {
    // One operation at a time: one asked for from a dialog that stayed open
    // while another began is not started.
    if (busy_) return;
    busy_ = true;
    operation_ = operation;
    started_ = std::chrono::steady_clock::now();
    activity_.clear();
    update_actions();
    show_status();
    // Reading the card is quick and said in the status bar; everything else
    // has its progress window, with Cancel but for a restore (stopped
    // half-way it would leave the card's old list over the new pictures).
    if (operation != desktop::Operation::kReload && operation != desktop::Operation::kOpenImage) {
        const std::wstring title_text = [this] {
            wchar_t text[512] = {};
            ::GetWindowTextW(window_, text, 512);
            return std::wstring(text);
        }();
        progress_->open(window_, host::win32::to_utf8(title_text), operation != desktop::Operation::kRestore, font_,
                        dpi_);
    }
    thread_.post(std::forward<Work>(work));
}

void MainWindow::reload() {
    start(desktop::Operation::kReload, [](desktop::CardWork& work) { work.reload(); });
}

void MainWindow::warn(const desktop::Trouble& warning) { tell(desktop::warning(warning)); }

void MainWindow::on_event(CardEvent& event) {
    if (auto* loaded = std::get_if<CardLoaded>(&event)) {
        on_card_loaded(*loaded);
    } else if (auto* photo = std::get_if<PhotoLoaded>(&event)) {
        on_photo(photo->generation, photo->position, &photo->photo, photo->imported_as);
    } else if (auto* failed = std::get_if<PhotoFailed>(&event)) {
        on_photo(failed->generation, failed->position, nullptr, {});
    } else if (auto* progress = std::get_if<desktop::Progress>(&event)) {
        on_progress(*progress);
    } else if (auto* asked = std::get_if<Asked>(&event)) {
        asked->answer.set_value(on_question(asked->question));
    } else if (auto* result = std::get_if<desktop::Result>(&event)) {
        on_finished(*result);
    } else if (auto* warning = std::get_if<desktop::Trouble>(&event)) {
        warn(*warning);
    }
}

void MainWindow::on_card_loaded(CardLoaded& loaded) {
    generation_ = loaded.generation;
    card_ = std::move(loaded.card);
    state_ = card_.state();
    const std::wstring title = wide(desktop::window_title(state_));
    ::SetWindowTextW(window_, title.c_str());
    desktop::follow_card(rescued_, state_);
    photos_.assign(card_.slots.size(), Photo{});
    contents_changed();
    if (!card_.connected && card_.image.empty()) {
        ::SetTimer(window_, kLookForCameraTimer, 3000, nullptr);
    } else {
        ::KillTimer(window_, kLookForCameraTimer);
    }
    update_notice();
    update_actions();
    request_photos();
}

void MainWindow::contents_changed() {
    // The grid shares the list: it is the window's to destroy, once the
    // grid holds the new one.
    HIMAGELIST before = thumbnails_;
    thumbnails_ = ::ImageList_Create(thumb_width_, thumb_height_, ILC_COLOR32, static_cast<int>(photos_.size()) + 2, 8);
    // 0: a photo being read; 1: one that could not be.
    for (const bool failed : {false, true}) {
        HBITMAP frame = placeholder(thumb_width_, thumb_height_, failed);
        ::ImageList_Add(thumbnails_, frame, nullptr);
        if (frame != nullptr) ::DeleteObject(frame);
    }
    ListView_SetImageList(grid_, thumbnails_, LVSIL_NORMAL);
    if (before != nullptr) ::ImageList_Destroy(before);
    ::SendMessageW(grid_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(grid_);
    for (size_t position = 0; position < photos_.size(); ++position) {
        photos_[position].image = -1;
        std::wstring text = wide(desktop::num(static_cast<int64_t>(position) + 1));
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(position);
        item.pszText = text.data();
        item.iImage = 0;
        ::SendMessageW(grid_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        show_photo(static_cast<uint32_t>(position));
    }
    ::SendMessageW(grid_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(grid_, nullptr, TRUE);
}

void MainWindow::show_photo(uint32_t position) {
    if (position >= photos_.size()) return;
    Photo& photo = photos_[position];
    int image = photo.failed ? 1 : 0;
    if (photo.picture) {
        HBITMAP bitmap = thumbnail(*photo.picture, thumb_width_, thumb_height_, !photo.imported_as.empty());
        if (bitmap != nullptr) {
            if (photo.image >= 0) {
                ::ImageList_Replace(thumbnails_, photo.image, bitmap, nullptr);
            } else {
                photo.image = ::ImageList_Add(thumbnails_, bitmap, nullptr);
            }
            ::DeleteObject(bitmap);
        }
        if (photo.image >= 0) image = photo.image;
    }
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = static_cast<int>(position);
    item.iImage = image;
    ::SendMessageW(grid_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    ListView_RedrawItems(grid_, static_cast<int>(position), static_cast<int>(position));
}

void MainWindow::on_photo(uint64_t generation, uint32_t position, const host::Image* picture,
                          const std::string& imported_as) {
    if (generation != generation_ || position >= photos_.size()) return;
    Photo& photo = photos_[position];
    if (picture != nullptr) {
        photo.picture = *picture;
        photo.imported_as = shown_path(imported_as);
        photo.failed = false;
    } else {
        photo.failed = true;
    }
    show_photo(position);
    when_shown();
}

void MainWindow::request_photos() {
    std::vector<uint32_t> missing;
    for (size_t position = 0; position < photos_.size(); ++position) {
        Photo& photo = photos_[position];
        if (!photo.picture && !photo.failed && !photo.asked) {
            photo.asked = true;
            missing.push_back(static_cast<uint32_t>(position));
        }
    }
    if (missing.empty()) return;
    thread_.post([generation = generation_, missing, folder = import_folder()](desktop::CardWork& work) {
        work.want_photos(generation, missing, folder);
    });
}

bool MainWindow::all_shown() const {
    return !busy_ && std::all_of(photos_.begin(), photos_.end(),
                                 [](const Photo& photo) { return photo.picture.has_value() || photo.failed; });
}

void MainWindow::on_progress(const desktop::Progress& progress) {
    if (!busy_) return;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
    const std::string text = desktop::progress(progress, elapsed.count());
    if (progress_->hwnd() != nullptr) {
        progress_->show(text, progress.done);
    } else {
        activity_ = text;
        show_status();
    }
}

bool MainWindow::on_question(const desktop::Question& question) {
    return tell(desktop::question(question)) == desktop::Reply::kYes;
}

void MainWindow::on_finished(const desktop::Result& result) {
    busy_ = false;
    progress_->close();
    activity_.clear();
    const desktop::Aftermath next = desktop::after(result, card_.usable, rescued_.kept(), close_pending_);
    if (next.redraw_photos) {
        for (Photo& photo : photos_) photo = Photo{};
        contents_changed();
        request_photos();
    }
    // Positions still name the same photos unless the import deleted some.
    if (!result.card_changed) {
        for (const auto& [position, file] : result.files) {
            if (position < photos_.size()) {
                photos_[position].imported_as = shown_path(file);
                show_photo(position);
            }
        }
    }
    update_actions();
    show_status();
    if (next.ask_card_size) {
        const desktop::Reply size = tell(desktop::card_size_question());
        if (size == desktop::Reply::kEightMiB || size == desktop::Reply::kSixteenMiB) {
            rescue(size == desktop::Reply::kEightMiB ? 8 : 16);
            return;
        }
    }
    if (next.remember_rescued) {
        rescued_ = desktop::rescued_from(result, state_, shown_path(result.folder));
        update_notice();
        update_actions();
    }
    show_result(result);
    if (next.offer_put_back) {
        offer_put_back();
        if (busy_) return;
    }
    if (close_pending_) {
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        return;
    }
    // What an unattended run was started for.
    if (!options_.import_new.empty()) {
        if (result.operation == desktop::Operation::kImport) {
            if (!result.ok()) status_ = 1;
            ::PostMessageW(window_, WM_CLOSE, 0, 0);
        } else if (result.operation == desktop::Operation::kReload && !import_started_) {
            if (card_.usable) {
                import_started_ = true;
                import_new(options_.import_new);
            } else if (card_.connected || !card_.image.empty()) {
                status_ = 1;
                ::PostMessageW(window_, WM_CLOSE, 0, 0);
            }
            // No camera yet: the window waits for one to be plugged in.
        }
    }
    when_shown();
}

void MainWindow::when_shown() {
    if (options_.screenshot.empty() || screenshot_taken_ || !all_shown()) return;
    screenshot_taken_ = true;
    // Once the last thumbnails are on the screen.
    ::SetTimer(window_, kScreenshotTimer, 800, nullptr);
}

void MainWindow::take_screenshot() {
    ::KillTimer(window_, kScreenshotTimer);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!save_screenshot(window_, options_.screenshot)) {
        complain("cannot save the screenshot to " + options_.screenshot);
        status_ = 1;
    }
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
}

void MainWindow::show_result(const desktop::Result& result) {
    desktop::Result shown = result;
    shown.folder = shown_path(shown.folder);
    const desktop::Report report = desktop::result(shown, rescued_);
    if (!report.status.empty()) {
        activity_ = report.status;
        show_status();
        if (options_.unattended) complain(report.status);
    }
    if (report.box) tell(*report.box, report.folder);
}

desktop::Reply MainWindow::tell(const desktop::Message& message, const std::string& folder) {
    if (options_.unattended) {
        // Nobody to answer: what it says goes to standard error; no.
        complain(desktop::join_lines({message.headline, message.details}));
        return desktop::Reply::kOk;
    }
    // Over the progress window while it is there.
    HWND owner = progress_->hwnd() != nullptr ? progress_->hwnd() : window_;
    const desktop::Reply reply = show_message(owner, message, desktop::window_title(state_));
    if (reply == desktop::Reply::kOpenFolder && !open_folder(folder)) {
        show_message(window_, desktop::no_file_manager(folder), desktop::window_title(state_));
    }
    return reply;
}

std::string MainWindow::import_folder() const {
    wchar_t value[MAX_PATH * 4] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kImportFolderValue, RRF_RT_REG_SZ, nullptr, value, &size) ==
            ERROR_SUCCESS &&
        value[0] != L'\0') {
        return host::win32::to_utf8(value);
    }
    try {
        return shown_path(host::default_import_folder());
    } catch (const std::exception&) {
        return {};
    }
}

void MainWindow::set_import_folder(const std::string& folder) {
    const std::wstring value = wide(folder);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kImportFolderValue, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    show_status();
}

void MainWindow::import_photos() {
    const std::vector<uint32_t> selected = selected_positions();
    ImportAnswer proposed;
    proposed.folder = import_folder();
    const std::optional<ImportAnswer> answer = ask_import(window_, proposed, selected.size());
    if (!answer || answer->folder.empty()) return;
    set_import_folder(answer->folder);
    start_import(answer->folder, answer->selected_only ? selected : std::vector<uint32_t>{}, answer->delete_after);
}

void MainWindow::import_new(const std::string& folder) { start_import(folder, {}, false); }

void MainWindow::import_selected() {
    std::vector<uint32_t> positions = selected_positions();
    if (positions.empty()) return;
    start_import(import_folder(), std::move(positions), false);
}

void MainWindow::start_import(const std::string& folder, std::vector<uint32_t> positions, bool delete_after) {
    pending_folder_ = folder;
    desktop::ImportChoice choice{folder, std::move(positions), delete_after};
    start(desktop::Operation::kImport, [choice](desktop::CardWork& work) { work.import_photos(choice); });
}

void MainWindow::add_pictures() {
    add_files(open_files(window_, desktop::add_pictures_title(),
                         desktop::picture_file_filter("*.png *.jpg *.jpeg *.bmp *.tif *.tiff *.gif")));
}

void MainWindow::add_files(std::vector<std::string> files) {
    if (files.empty()) return;
    start(desktop::Operation::kAdd, [files = std::move(files)](desktop::CardWork& work) { work.add_pictures(files); });
}

void MainWindow::save_selected() {
    std::vector<uint32_t> positions = selected_positions();
    if (positions.empty()) return;
    std::optional<std::string> target;
    if (positions.size() == 1) {
        target = save_file(window_, desktop::save_photo_title(positions[0]),
                           joined(import_folder(), "photo-" + desktop::num(positions[0]) + ".png"),
                           desktop::photo_file_filter());
    } else {
        target = choose_folder(window_, desktop::save_photos_title(positions.size()), import_folder());
    }
    if (!target) return;
    start(desktop::Operation::kSave, [positions = std::move(positions), file = *target](desktop::CardWork& work) {
        work.save_photos(positions, file);
    });
}

void MainWindow::view_selected() {
    const std::vector<uint32_t> positions = selected_positions();
    if (positions.size() != 1 || positions[0] >= photos_.size()) return;
    const Photo& photo = photos_[positions[0]];
    if (!photo.picture) {
        activity_ = desktop::photo_not_read_yet(positions[0]);
        show_status();
        return;
    }
    static const ATOM registered = [] {
        WNDCLASSEXW kind{};
        kind.cbSize = sizeof(kind);
        kind.lpfnWndProc = viewer_proc;
        kind.hInstance = ::GetModuleHandleW(nullptr);
        kind.hIcon = ::LoadIconW(kind.hInstance, MAKEINTRESOURCEW(1));
        kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        kind.lpszClassName = kViewerClass;
        return ::RegisterClassExW(&kind);
    }();
    if (registered == 0) return;
    // The photo as taken, at the screen's density.
    const int width = scaled(static_cast<int>(photo.picture->width));
    const int height = scaled(static_cast<int>(photo.picture->height));
    HBITMAP bitmap = thumbnail(*photo.picture, width, height, false);
    RECT frame{0, 0, width, height};
    ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const std::wstring title = wide(desktop::photo_view_title(positions[0]));
    HWND viewer = ::CreateWindowExW(0, kViewerClass, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                    CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                    window_, nullptr, ::GetModuleHandleW(nullptr), bitmap);
    if (viewer == nullptr) {
        if (bitmap != nullptr) ::DeleteObject(bitmap);
        return;
    }
    ::ShowWindow(viewer, SW_SHOWNORMAL);
}

void MainWindow::delete_selected() {
    std::vector<uint32_t> positions = selected_positions();
    if (positions.empty()) return;
    start(desktop::Operation::kDelete,
          [positions = std::move(positions)](desktop::CardWork& work) { work.delete_photos(positions); });
}

void MainWindow::back_up() {
    const std::optional<std::string> file =
        save_file(window_, desktop::back_up_title(), joined(import_folder(), "card.bin"), desktop::card_image_filter());
    if (!file) return;
    start(desktop::Operation::kBackup, [file = *file](desktop::CardWork& work) { work.backup(file); });
}

void MainWindow::restore() {
    const std::optional<std::string> file = open_file(window_, desktop::restore_title(), desktop::card_image_filter());
    if (!file) return;
    start(desktop::Operation::kRestore, [file = *file](desktop::CardWork& work) { work.restore(file); });
}

void MainWindow::format() {
    start(desktop::Operation::kFormat, [](desktop::CardWork& work) { work.format(); });
}

void MainWindow::rescue(int size_mib) {
    // A second round (the card's size said) goes to the folder of the first.
    if (size_mib == 0) {
        const std::optional<std::string> folder =
            choose_folder(window_, desktop::rescue_folder_title(), import_folder());
        if (!folder) return;
        pending_folder_ = *folder;
    }
    start(desktop::Operation::kRescue,
          [folder = pending_folder_, size_mib](desktop::CardWork& work) { work.rescue(folder, size_mib); });
}

void MainWindow::open_image() {
    const std::optional<std::string> file =
        open_file(window_, desktop::open_image_title(), desktop::card_image_filter());
    if (!file) return;
    pending_folder_ = *file;
    start(desktop::Operation::kOpenImage, [file = *file](desktop::CardWork& work) { work.open_image(file); });
}

void MainWindow::offer_put_back() {
    const std::string folder = rescued_.folder;
    rescued_ = {};
    update_notice();
    update_actions();
    std::vector<std::string> files = files_in(folder, L".png");
    if (files.empty()) return;
    if (tell(desktop::put_back_question(files.size(), folder)) == desktop::Reply::kYes) add_files(std::move(files));
}

}  // namespace pixavon::win32window
