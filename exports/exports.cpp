// The library's exported names. Each forwards to the function that implements
// it and holds no logic of its own; Serialized and SerializedQuery take one
// call at a time and keep anything thrown inside the library.
#include "include/pixavon.h"

#include "cardimage/card_image.h"
#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/library_state.h"
#include "frame/serialized.h"
#include "photo/transfer.h"

using pixavon::Serialized;
using pixavon::SerializedQuery;

extern "C" {

PIXAVON_API int PIXAVON_CALL OpenDevice(PixavonWindowHandle window) {
    return Serialized([&] { return pixavon::OpenDevice(window); });
}
PIXAVON_API int PIXAVON_CALL CloseDevice(void) {
    return Serialized([] { return pixavon::CloseDevice(); });
}
PIXAVON_API int PIXAVON_CALL IsConnect(void) {
    return SerializedQuery([] { return pixavon::IsConnect(); });
}
PIXAVON_API int PIXAVON_CALL ReadGBA(uint16_t address, void* buffer, uint32_t length) {
    return Serialized([&] { return pixavon::ReadGBA(address, buffer, length); });
}
PIXAVON_API int PIXAVON_CALL WriteGBA(uint16_t address, const void* buffer, uint32_t length) {
    return Serialized([&] { return pixavon::WriteGBA(address, buffer, length); });
}
PIXAVON_API int32_t PIXAVON_CALL GetPhotoCount(void) {
    return Serialized([] { return pixavon::GetPhotoCount(); });
}
PIXAVON_API uint16_t PIXAVON_CALL GetCardMemory(void) {
    return SerializedQuery([] { return pixavon::GetCardMemory(); });
}
PIXAVON_API int PIXAVON_CALL DeletePhoto(int32_t position) {
    return Serialized([&] { return pixavon::DeletePhoto(position); });
}
PIXAVON_API int PIXAVON_CALL FormatGBA(void) {
    return Serialized([] { return pixavon::FormatGBA(); });
}
PIXAVON_API int PIXAVON_CALL ReadPixavonToFile(int32_t position, const char* path) {
    return Serialized([&] { return pixavon::ReadPixavonToFile(position, path); });
}
PIXAVON_API int PIXAVON_CALL WriteFileToGBA(const char* path) {
    return Serialized([&] { return pixavon::WriteFileToGBA(path); });
}
PIXAVON_API int PIXAVON_CALL ReadAll(const char* path) {
    return Serialized([&] { return pixavon::ReadAll(path); });
}
PIXAVON_API int PIXAVON_CALL WriteAll(const char* path) {
    return Serialized([&] { return pixavon::WriteAll(path); });
}
PIXAVON_API int PIXAVON_CALL GetString(uint32_t id, char* buffer) {
    return SerializedQuery([&] { return pixavon::GetString(id, buffer); });
}

}  // extern "C"
