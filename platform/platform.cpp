#include "platform/platform.h"

namespace pixavon {
namespace {
Platform* g_installed = nullptr;
}

Platform& ActivePlatform() { return g_installed != nullptr ? *g_installed : DefaultPlatform(); }

Platform* InstallPlatform(Platform* platform) {
    Platform* previous = g_installed;
    g_installed = platform;
    return previous;
}

}  // namespace pixavon
