// A host's connection to the camera through the loaded library: the host
// window record through which the library reports progress and shows its
// boxes, and the string table's texts. The command-line tool and the desktop
// application both build on it. The card's catalog as the host reads it is in
// catalog.h, what photos and files are known by in digest.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "catalog.h"
#include "durable_file.h"
#include "library.h"
#include "os/os.h"

namespace pixavon::host {

// Progress messages the library sends per operation.
inline constexpr uint32_t kUploadSteps = 608 + 16;
inline constexpr uint32_t kDeleteSteps = 16;
inline constexpr uint64_t kBackupChunk = 32768;  // one message per chunk read
inline constexpr uint64_t kRestoreBlock = 512;   // one message per block written

// Ids in the library's string table.
enum TextId : uint32_t {
    kTextTitle = 1,
    kTextUsage = 2,
    kTextDelete = 3,
    kTextUpload = 4,
    kTextBackup = 5,
    kTextDisplay = 6,
    kTextFormat = 7,
    kTextAbout = 8,
    kTextReadCard = 9,
    kTextWriteCard = 10,
    kTextCatalog = 11,
    kTextExit = 12,
};

// A host-side step around a library call failed (temporary files, a photo
// that came back in the wrong form).
class SessionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the library shows the user, passed on to the host in its own form.
class HostWindow {
public:
    // One progress message: a unit of work is about to be done.
    virtual void on_progress() = 0;
    // A box; returns when the user has closed it. `owned` is true for card
    // errors (owned by the host's window), false for the file error box.
    virtual void on_box(bool owned, const std::string& caption, const std::string& text) = 0;

protected:
    ~HostWindow() = default;
};

class Session {
public:
    Session(Library& library, HostWindow& window);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Library& lib() { return lib_; }
    // The window handed to OpenDevice.
    PixavonWindowHandle window() const { return window_.handle(); }

    // Opens the camera; false if none could be opened.
    bool open();
    void close();
    bool is_open() const { return open_; }

    // A text of the string table, with control characters removed.
    std::string text(uint32_t id);
    // String id 2 with `used` and `available` put in its two %d.
    std::string usage_line(uint32_t used, uint32_t available);

    // Loads the catalog into the library (GetPhotoCount) and reads it for the
    // host. Throws CatalogError.
    Catalog reload();

    // Runs one library call; a box shown during the call counts as failure.
    template <typename Call>
    bool call(Call&& library_call) {
        const size_t boxes_before = boxes_;
        const int result = library_call();
        return result != 0 && boxes_ == boxes_before;
    }

    // Reads `length` bytes (whole 512-byte pieces) from read address
    // `address`, in 256-byte units, as one library call.
    bool read(uint16_t address, void* buffer, uint32_t length) {
        return call([&] { return lib_.ReadGBA(address, buffer, length); });
    }
    // Writes `length` bytes from 512-byte block `block` on, as one library call.
    bool write(uint16_t block, const void* data, uint32_t length) {
        return call([&] { return lib_.WriteGBA(block, data, length); });
    }

    size_t boxes() const { return boxes_; }
    // A private directory (0700) for temporary files, removed with the
    // session. Throws SessionError.
    const std::string& temp_dir();

private:
    // The library's reports, passed on to the host's window.
    struct Reports : os::LibraryWindow::Events {
        explicit Reports(Session& session) : session(session) {}
        void progress() override;
        void box(bool owned, const std::string& caption, const std::string& text) override;
        Session& session;
    };

    Library& lib_;
    HostWindow& host_;
    Reports reports_{*this};
    os::LibraryWindow window_{reports_};
    bool open_ = false;
    size_t boxes_ = 0;
    PrivateDir temp_dir_;
};

// `pattern` with `used` and `available` put in its two %d; the pattern is
// never handed to printf, and one with other directives is not used.
std::string fill_usage(const std::string& pattern, uint32_t used, uint32_t available);

// Text from outside the host (the library, file names) made safe to print:
// control characters become '?'.
std::string printable(const std::string& text);
// The directory the library looks for cameras in.
std::string device_dir_in_use();

// The camera the library opens in `dir`: the first entry in byte order of
// names, or "" if there is none.
std::string first_device_in(const std::string& dir);

}  // namespace pixavon::host
