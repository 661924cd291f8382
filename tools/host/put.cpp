// Putting pictures on the card: each file read and converted to the camera's
// bitmap before the card is touched, then written through the library.
#include <optional>

#include "core.h"
#include "core_internal.h"
#include "os/os.h"

namespace pixavon::host {

bool Core::upload(const std::string& staged, const Step& shown) {
    internal::StepScope step(*frontend_, shown);
    std::optional<os::LibraryPath> name;
    try {
        name.emplace(staged);
    } catch (const std::runtime_error& error) {
        fail(ProblemKind::kCannotRead, {.name = staged, .detail = error.what()});
    }
    const bool ok = session_->call([&] { return session_->lib().WriteFileToGBA(name->get()); });
    if (ok) step.succeeded();
    return ok;
}

Outcome Core::put_pictures(const PutRequest& request) {
    return run([&](Outcome& outcome) {
        if (request.files.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        // Every file is read and converted before the card is touched, so a bad
        // file stops the whole batch with the card as it was.
        std::vector<std::vector<uint8_t>> bitmaps;
        for (const std::string& file : request.files) {
            try {
                const std::vector<uint8_t> bytes = read_file(file, kMaxPixels * 4 + 65536);
                try {
                    bitmaps.push_back(camera_bitmap_for(bytes, request.fit));
                } catch (const ImageError&) {
                    std::optional<Image> other = request.other_decoder ? request.other_decoder(bytes) : std::nullopt;
                    if (!other) throw;
                    bitmaps.push_back(encode_camera_bitmap(fit_to(*other, kPhotoWidth, kPhotoHeight, request.fit)));
                }
            } catch (const ImageError& error) {
                refuse(ProblemKind::kBadPicture, {.name = file, .detail = error.what()});
            }
        }

        Catalog catalog = usable_catalog();
        if (catalog.count >= catalog.capacity_code) {
            fail(ProblemKind::kCardFull, {.count = catalog.count, .other_count = catalog.capacity_code},
                 Hint::kDeleteSome);
        }
        if (bitmaps.size() > catalog.free_slots()) {
            fail(ProblemKind::kTooManyPictures,
                 {.count = static_cast<uint32_t>(bitmaps.size()), .other_count = catalog.free_slots()},
                 Hint::kDeleteSome);
        }

        for (size_t i = 0; i < bitmaps.size(); ++i) {
            stop_if_cancelled();
            const std::string& file = request.files[i];
            internal::TempFile staged(os::join(session_->temp_dir(), "put.bmp"));
            if (!write_file_durably(staged.path(), bitmaps[i], true)) {
                fail(ProblemKind::kCannotWrite, {.name = staged.path()}, Hint::kCheckDisk);
            }
            const uint32_t before = catalog.count;
            const bool ok = upload(staged.path(), {.kind = StepKind::kPut,
                                                   .name = file,
                                                   .item = static_cast<uint32_t>(i + 1),
                                                   .items = static_cast<uint32_t>(bitmaps.size()),
                                                   .units = kUploadSteps,
                                                   .bytes = kSlotBytes + kCatalogSize});
            // The library needs the catalog reloaded after every change, failed ones too.
            catalog = usable_catalog();
            if (!ok || catalog.count != before + 1) fail(ProblemKind::kNotTaken, {.name = file}, Hint::kCheckCamera);
            say(outcome, RecordKind::kPut, {.position = before, .slot = catalog.slots[before], .name = file});
        }
    });
}

}  // namespace pixavon::host
