#include "library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "i18n.h"
#include "os/os.h"

namespace pixavon::host {
namespace {

constexpr const char* kSoname = "libpixavon.so.1";

std::string executable_dir() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    self[n] = '\0';
    std::string path(self);
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

template <typename Fn>
void bind(void* handle, Fn*& slot, const char* name, const std::string& path) {
    void* symbol = ::dlsym(handle, name);
    if (symbol == nullptr) {
        throw LibraryError(
            fill(tr("{1} does not export {2}: it is not a Pixavon library"), {display_name(path), name}));
    }
    slot = reinterpret_cast<Fn*>(symbol);
}

}  // namespace

Library::Library() {
    std::string tried;
    const std::string dir = executable_dir();
    if (!dir.empty()) {
        const std::string beside = dir + "/" + kSoname;
        if (::access(beside.c_str(), F_OK) == 0) {
            handle_ = ::dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle_ != nullptr)
                path_ = beside;
            else
                tried = ::dlerror();
        }
    }
    if (handle_ == nullptr) {
        handle_ = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr) {
            path_ = kSoname;
        } else {
            const char* why = ::dlerror();
            if (!tried.empty()) tried += "; ";
            tried += why != nullptr ? why : kSoname;
            throw LibraryError(fill(tr("{1}; install libpixavon, or run the program from its build folder"), {tried}));
        }
    }
    BindAll();
}

Library::Library(const std::string& path) : path_(path) {
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = ::dlerror();
        throw LibraryError(why != nullptr ? std::string(why) : display_name(path));
    }
    BindAll();
}

void Library::BindAll() {
    try {
        bind(handle_, OpenDevice, "OpenDevice", path_);
        bind(handle_, CloseDevice, "CloseDevice", path_);
        bind(handle_, IsConnect, "IsConnect", path_);
        bind(handle_, ReadGBA, "ReadGBA", path_);
        bind(handle_, WriteGBA, "WriteGBA", path_);
        bind(handle_, GetPhotoCount, "GetPhotoCount", path_);
        bind(handle_, GetCardMemory, "GetCardMemory", path_);
        bind(handle_, DeletePhoto, "DeletePhoto", path_);
        bind(handle_, FormatGBA, "FormatGBA", path_);
        bind(handle_, ReadPixavonToFile, "ReadPixavonToFile", path_);
        bind(handle_, WriteFileToGBA, "WriteFileToGBA", path_);
        bind(handle_, ReadAll, "ReadAll", path_);
        bind(handle_, WriteAll, "WriteAll", path_);
        bind(handle_, GetString, "GetString", path_);
    } catch (...) {
        ::dlclose(handle_);
        handle_ = nullptr;
        throw;
    }
}

void Library::Unload() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

Library::~Library() { Unload(); }

}  // namespace pixavon::host

namespace pixavon::host::os {

struct LibraryWindow::State {
    Events& events;
    PixavonWindow record{};
};

namespace {

intptr_t on_message(void* context, uint32_t message, uintptr_t, intptr_t) {
    if (message == PIXAVON_PROGRESS_MESSAGE) static_cast<LibraryWindow::Events*>(context)->progress();
    return 0;
}

int on_box(void* context, int owned, const char* text, const char* caption, uint32_t) {
    static_cast<LibraryWindow::Events*>(context)->box(owned != 0, caption != nullptr ? caption : "",
                                                      text != nullptr ? text : "");
    return 1;  // OK, the box's only button
}

}  // namespace

LibraryWindow::LibraryWindow(Events& events) : state_(new State{events, {}}) {
    state_->record.context = &events;
    state_->record.send_message = &on_message;
    state_->record.message_box = &on_box;
}

LibraryWindow::~LibraryWindow() = default;

PixavonWindowHandle LibraryWindow::handle() const { return &state_->record; }

struct LibraryPath::State {
    std::string path;
};

LibraryPath::LibraryPath(const std::string& path) : state_(new State{path}) {}

LibraryPath::~LibraryPath() = default;

const char* LibraryPath::get() const { return state_->path.c_str(); }

std::string from_library_text(const std::string& text) { return text; }

}  // namespace pixavon::host::os
