// Opening the embedded camera's card image, for each system's embedded camera
// alike: a card image held by a host that is ending (a mount just unmounted
// saves and releases its card) is waited for a few seconds before it counts
// as in use, and the emulator's card errors become the camera's. Include
// after the system's emulator card header (card.h or card_win32.h), which
// defines emu::CardError.
#pragma once

#include <chrono>
#include <thread>

#include "embedded_camera.h"

namespace pixavon::host {

// Calls `open` (which opens the card, throwing emu::CardError) until it
// succeeds, and again while another holds the card, for up to 5 s. Throws
// CameraError: kBusy when the card stays held, kNoSpace when the disk cannot
// hold a fresh one, kBadImage when it is no card image.
template <typename Open>
auto open_card_waiting(Open&& open) -> decltype(open()) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    try {
        for (;;) {
            try {
                return open();
            } catch (const emu::CardError& error) {
                if (error.reason() != emu::CardError::Reason::kBusy || std::chrono::steady_clock::now() > give_up)
                    throw;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    } catch (const emu::CardError& error) {
        switch (error.reason()) {
            case emu::CardError::Reason::kBusy:
                throw CameraError(error.what(), CameraError::Kind::kBusy, error.error());
            case emu::CardError::Reason::kNoSpace:
                throw CameraError(error.what(), CameraError::Kind::kNoSpace, error.error());
            case emu::CardError::Reason::kUnusable:
                break;
        }
        throw CameraError(error.what(), CameraError::Kind::kBadImage, error.error());
    }
}

}  // namespace pixavon::host
