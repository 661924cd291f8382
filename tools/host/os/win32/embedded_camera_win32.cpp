// The embedded camera on Windows: not built. The emulated camera serves its
// card on a Unix socket, which pixavon.dll does not reach: the DLL finds
// cameras only through the system's device interface. A card image is
// refused with that said, before anything is opened or made.
#include "embedded_camera.h"

#include "i18n.h"

namespace pixavon::emu {
// Never made on Windows.
class Card {};
class Server {};
}  // namespace pixavon::emu

namespace pixavon::host {

EmbeddedCamera::EmbeddedCamera(const std::string&, int) {
    throw CameraError(tr("card images are not available in the Windows version of Pixavon; use the camera"));
}

EmbeddedCamera::~EmbeddedCamera() = default;

void EmbeddedCamera::begin_primer(uint64_t) {
    throw CameraError(tr("card images are not available in the Windows version of Pixavon; use the camera"));
}

void EmbeddedCamera::end_primer() {}

uint64_t EmbeddedCamera::card_size() const { return card_size_; }

bool EmbeddedCamera::stop() { return true; }

}  // namespace pixavon::host
