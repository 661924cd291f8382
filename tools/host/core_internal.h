// What the host core's workflows share inside the core: how a workflow ends
// early, how it is run to an Outcome, and how a step is shown.
#pragma once

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "card_scan.h"
#include "core.h"
#include "durable_file.h"
#include "os/os.h"

namespace pixavon::host {

struct Core::Stop {
    Outcome::Status status;
    Problem problem;
};

template <typename Body>
Outcome Core::run(Body&& body) {
    Outcome outcome;
    try {
        body(outcome);
    } catch (const Stop& stop) {
        outcome.status = stop.status;
        outcome.problem = stop.problem;
    } catch (const DiskError& error) {
        outcome.status = Outcome::Status::kFailed;
        outcome.problem = {ProblemKind::kCannotWrite, Hint::kCheckDisk, {.name = error.path(), .error = error.error()}};
    } catch (const ImageError& error) {
        outcome.status = Outcome::Status::kFailed;
        outcome.problem = {ProblemKind::kOther, Hint::kNone, {.detail = error.what()}};
    } catch (const SessionError& error) {
        outcome.status = Outcome::Status::kFailed;
        outcome.problem = {ProblemKind::kOther, Hint::kNone, {.detail = error.what()}};
    } catch (const std::bad_alloc&) {
        outcome.status = Outcome::Status::kFailed;
        outcome.problem = {ProblemKind::kOutOfMemory, Hint::kNone, {}};
    }
    return outcome;
}

namespace internal {

constexpr int kJpegQuality = 92;

bool exists(const std::string& path);  // as a name, even a dangling link
// The format a file name asks for: .png, .jpg/.jpeg, .bmp or no extension;
// nullopt for an extension not written.
std::optional<OutputFormat> format_of_name(const std::string& name);
// A camera bitmap in `format`.
std::vector<uint8_t> encode_as(OutputFormat format, const std::vector<uint8_t>& bitmap);
// As above, for a bitmap already decoded into `photo`: it is not decoded again.
std::vector<uint8_t> encode_as(OutputFormat format, const std::vector<uint8_t>& bitmap, const Image& photo);

// Shows one step for as long as it lives.
class StepScope {
public:
    StepScope(Frontend& frontend, const Step& step) : frontend_(frontend) { frontend_.begin(step); }
    ~StepScope() { frontend_.end(ok_); }
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;
    void succeeded() { ok_ = true; }

private:
    Frontend& frontend_;
    bool ok_ = false;
};

// Removes a temporary file unless it was put in place.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!path_.empty()) os::remove_file(path_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::string path_;
};

// The card's raw ways through the loaded library, each call counted by the
// session (a box shown during a call fails it).
class SessionCardAccess : public CardAccess {
public:
    explicit SessionCardAccess(Session& session) : session_(session) {}
    bool read(uint16_t address, uint8_t* buffer, uint32_t length) override {
        return session_.read(address, buffer, length);
    }
    bool write_block(uint16_t block, const uint8_t* data) override { return session_.write(block, data, 512); }

private:
    Session& session_;
};

}  // namespace internal

}  // namespace pixavon::host
