// The main window of pixavon-window.exe: the card's photos in a grid (a list
// view of thumbnails), the actions a person takes on them (importing first)
// in the menus, the toolbar and the keyboard, the notice above the grid when
// the card cannot be used as it is, and a status bar with what is going on,
// the card's use and where imports go. What it shows and says is the shared
// layer's (tools/desktop); the card's work runs on the card's thread, and
// its reports come back as posted messages.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cancel.h"
#include "card_thread.h"
#include "desktop/actions.h"
#include "desktop/card_work.h"
#include "desktop/window.h"
#include "progress_window.h"

namespace pixavon::win32window {

struct WindowOptions {
    // Nobody is there to answer: boxes are not shown (what they say goes to
    // standard error), questions are answered no.
    bool unattended = false;
    // Once the card and its photos are shown: saves the window as a PNG
    // picture here and closes.
    std::string screenshot;
    // Once the card is shown (a camera plugged in later is waited for):
    // imports the new photos into this folder, as Import new photos does,
    // and closes when that has ended.
    std::string import_new;
};

class MainWindow {
public:
    // Its timers.
    static constexpr UINT_PTR kReplugTimer = 1;
    static constexpr UINT_PTR kScreenshotTimer = 2;
    static constexpr UINT_PTR kLookForCameraTimer = 3;

    MainWindow(CardThread& thread, host::CancelToken& cancel, WindowOptions options);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates and shows the window; false if the system refuses.
    bool create(int show);
    HWND hwnd() const { return window_; }
    // The keyboard: the actions' keys, and moving about the progress window.
    // True if `message` was taken.
    bool translate(MSG& message);
    // Reads the card; the photos follow as they are read.
    void reload();
    // A warning of the core's from before the window was there.
    void warn(const desktop::Trouble& warning);
    // The program's exit status: not 0 when an unattended run failed.
    int status() const { return status_; }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

    // Layout (main_window.cpp).
    void build();
    void apply_dpi(UINT dpi);
    void lay_out();
    int scaled(int pixels) const;
    int button_width(HWND button) const;
    int notice_height(int width) const;
    void paint_notice(HDC dc, const RECT& area);
    void set_texts();
    void show_status();
    void update_notice();
    void register_device_notification();

    // Actions (main_window_actions.cpp).
    void build_menu();
    void build_toolbar();
    void build_accelerators();
    void update_actions();
    void run(desktop::Action action);
    LRESULT on_notify(const NMHDR& notice);
    std::vector<uint32_t> selected_positions() const;

    // Operations and the card's reports (main_window_operations.cpp).
    template <typename Work>
    void start(desktop::Operation operation, Work&& work);
    void on_event(CardEvent& event);
    void on_card_loaded(CardLoaded& loaded);
    void on_photo(uint64_t generation, uint32_t position, const host::Image* photo, const std::string& imported_as);
    void on_progress(const desktop::Progress& progress);
    bool on_question(const desktop::Question& question);
    void on_finished(const desktop::Result& result);
    void show_result(const desktop::Result& result);
    desktop::Reply tell(const desktop::Message& message, const std::string& folder = {});
    void request_photos();
    // The grid made afresh for the photos of the card loaded.
    void contents_changed();
    void show_photo(uint32_t position);
    void when_shown();
    void take_screenshot();

    void import_photos();
    void import_new(const std::string& folder);
    // Everything that is read for the grid is shown (for --screenshot).
    bool all_shown() const;
    void import_selected();
    void start_import(const std::string& folder, std::vector<uint32_t> positions, bool delete_after);
    void add_pictures();
    void add_files(std::vector<std::string> files);
    void save_selected();
    void view_selected();
    void delete_selected();
    void back_up();
    void restore();
    void format();
    void rescue(int size_mib);
    void open_image();
    void offer_put_back();
    std::string import_folder() const;
    void set_import_folder(const std::string& folder);

    CardThread& thread_;
    host::CancelToken& cancel_;
    WindowOptions options_;
    int status_ = 0;

    HWND window_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND grid_ = nullptr;
    HWND empty_ = nullptr;
    HWND import_selected_button_ = nullptr;
    HWND import_new_button_ = nullptr;
    HWND notice_button_ = nullptr;
    HWND notice_tip_ = nullptr;
    HWND status_bar_ = nullptr;
    HMENU menu_ = nullptr;
    HMENU grid_menu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HIMAGELIST thumbnails_ = nullptr;
    HFONT font_ = nullptr;
    HFONT bold_font_ = nullptr;
    HICON icon_ = nullptr;
    HICON small_icon_ = nullptr;
    HDEVNOTIFY device_notification_ = nullptr;
    UINT dpi_ = 96;
    int thumb_width_ = 161;
    int thumb_height_ = 121;
    RECT notice_area_{};
    desktop::Enabled open_{};

    // The card as last loaded, and the grid's photos of it.
    uint64_t generation_ = 0;
    desktop::Card card_;
    desktop::CardState state_;  // card_ as the shared words take it
    struct Photo {
        std::optional<host::Image> picture;
        std::string imported_as;
        bool failed = false;
        bool asked = false;  // of the card's thread
        int image = -1;      // in the image list; -1 for none yet
    };
    std::vector<Photo> photos_;
    desktop::Notice notice_;
    std::string activity_;
    std::vector<std::wstring> toolbar_texts_;
    std::wstring tooltip_text_;
    std::wstring notice_tip_text_;

    bool busy_ = false;
    bool close_pending_ = false;
    bool import_started_ = false;
    bool screenshot_taken_ = false;
    desktop::Operation operation_ = desktop::Operation::kReload;
    std::chrono::steady_clock::time_point started_;
    std::string pending_folder_;  // where the running import or rescue writes
    // Where a rescue saved the pictures of a card it could not repair, until
    // they are put back.
    desktop::Rescued rescued_;
    std::unique_ptr<ProgressWindow> progress_;
};

}  // namespace pixavon::win32window
