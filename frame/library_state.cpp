#include "frame/library_state.h"

#include <cstring>

namespace pixavon {
namespace {

constinit LibraryState g_state{};

constexpr const char* kCardErrorCaption = "Lumetta";
constexpr const char* kFileErrorText = "Open(Create) File Failed...";
constexpr const char* kFileErrorCaption = "Error";

}  // namespace

LibraryState& State() { return g_state; }

void OnProcessAttach(ModuleHandle module) { g_state.module = module; }

void OnProcessDetach() {
    if (g_state.device != nullptr) {
        ActivePlatform().close_device(g_state.device);
        g_state.device = nullptr;
    }
}

void NotifyProgress() {
    if (g_state.notify_window != nullptr) {
        ActivePlatform().send_message(g_state.notify_window, kProgressMessage, 0, 0);
    }
}

void ReportError(std::uint32_t id) {
    char text[kStringBufferSize];
    std::memset(text, 0, sizeof text);
    GetString(id, text);
    text[kStringBufferSize - 1] = '\0';
    ActivePlatform().message_box(g_state.notify_window, true, text, kCardErrorCaption, kBoxStyleError);
}

void ShowFileErrorBox() {
    ActivePlatform().message_box(g_state.notify_window, false, kFileErrorText, kFileErrorCaption, kBoxStyleError);
}

int GetString(std::uint32_t id, char* buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    return ActivePlatform().load_string(g_state.module, id, buffer, kStringBufferSize) > 0 ? 1 : 0;
}

}  // namespace pixavon

#include "frame/serialized.h"

namespace pixavon {

std::recursive_mutex& LibraryLock() {
    static std::recursive_mutex lock;
    return lock;
}

bool& CardCallRunning() {
    thread_local bool running = false;
    return running;
}

}  // namespace pixavon
