// Saving photos from the card as files: one file, a folder of them named
// photo-POSITION.EXT, or standard output. The one saver of photos, for the
// tool and the window alike.
#include <filesystem>
#include <set>
#include <system_error>

#include "core.h"
#include "core_internal.h"
#include "os/os.h"
#include "utf8_path.h"

namespace pixavon::host {
namespace {

using internal::encode_as;
using internal::exists;
using internal::format_of_name;

const char* extension_of(OutputFormat format) {
    switch (format) {
        case OutputFormat::kPng:
            return "png";
        case OutputFormat::kJpeg:
            return "jpg";
        default:
            return "bmp";
    }
}

}  // namespace

Outcome Core::export_photos(const ExportRequest& request) {
    return run([&](Outcome& outcome) {
        const Catalog catalog = usable_catalog();
        std::vector<uint32_t> positions = request.positions;
        if (request.all) {
            if (!positions.empty()) refuse(ProblemKind::kPositionsAndAll);
            for (uint32_t i = 0; i < catalog.count; ++i) positions.push_back(i);
            if (positions.empty()) {
                say(outcome, RecordKind::kNothingToSave, {});
                return;
            }
        }
        if (positions.empty()) refuse(ProblemKind::kNothingSelected, {}, Hint::kSaySelection);
        std::set<uint32_t> seen;
        for (const uint32_t position : positions) {
            if (position >= catalog.count) {
                refuse(ProblemKind::kPositionOutOfRange, {.position = position, .count = catalog.count});
            }
            if (!seen.insert(position).second) refuse(ProblemKind::kPositionTwice, {.position = position});
        }

        // Every name is settled, and known to be free, before any photo is read.
        const bool to_stdout = request.output == "-";
        const bool into_dir = !to_stdout && (request.all || (!request.output.empty() && os::is_folder(request.output)));
        if (to_stdout && positions.size() > 1) refuse(ProblemKind::kOutputTakesOne);
        if (!to_stdout && !into_dir && positions.size() > 1 && !request.output.empty()) {
            refuse(ProblemKind::kOutputNamesOneFile, {.name = request.output});
        }
        struct Plan {
            uint32_t position;
            std::string name;
            OutputFormat format;
        };
        std::vector<Plan> plans;
        for (const uint32_t position : positions) {
            Plan plan{position, {}, request.format};
            if (to_stdout) {
                plan.name = "-";
                if (plan.format == OutputFormat::kByName) plan.format = OutputFormat::kPng;
            } else if (!request.output.empty() && !into_dir) {
                plan.name = request.output;
                const std::optional<OutputFormat> by_name = format_of_name(plan.name);
                if (!by_name) refuse(ProblemKind::kUnknownFormat, {.name = plan.name});
                if (plan.format != OutputFormat::kByName && plan.format != *by_name) {
                    refuse(ProblemKind::kFormatMismatch, {.name = plan.name});
                }
                plan.format = *by_name;
            } else {
                if (plan.format == OutputFormat::kByName) plan.format = OutputFormat::kBmp;
                plan.name = "photo-" + std::to_string(position) + "." + extension_of(plan.format);
                if (!request.output.empty()) plan.name = os::join(request.output, plan.name);
            }
            // A pipe or a device (AUX on Windows) is no file a photo replaces.
            if (!to_stdout && os::status(plan.name).kind == os::Kind::kOther) {
                refuse(ProblemKind::kNotAFile, {.name = plan.name}, Hint::kOtherName);
            }
            if (!to_stdout && !request.replace && exists(plan.name)) {
                refuse(ProblemKind::kFileExists, {.name = plan.name}, Hint::kReplace);
            }
            plans.push_back(plan);
        }
        if (request.all && !request.output.empty() && !os::is_folder(request.output)) {
            if (const int error = os::make_folders(request.output); error != 0) {
                fail(ProblemKind::kCannotMakeFolder, {.folder = request.output, .error = error}, Hint::kCheckDisk);
            }
        }

        const ReadingAhead ahead = read_ahead(catalog, positions);
        for (size_t i = 0; i < plans.size(); ++i) {
            stop_if_cancelled();
            const Plan& plan = plans[i];
            const Step step{.kind = StepKind::kSavePhoto,
                            .name = to_stdout ? std::string() : plan.name,
                            .item = static_cast<uint32_t>(i + 1),
                            .items = static_cast<uint32_t>(plans.size())};
            const std::vector<uint8_t> bitmap = download(plan.position, catalog, step);
            // A photo read ahead may be whole before a Cancel made while it
            // was read is seen: nothing more is written after one.
            stop_if_cancelled();
            const std::vector<uint8_t> bytes = encode_as(plan.format, bitmap);
            if (to_stdout) {
                if (int error = 0; !os::write_standard_output(bytes.data(), bytes.size(), &error)) {
                    fail(ProblemKind::kCannotWriteOutput, {.error = error});
                }
                // Standard output carries the photo: nothing else is said there.
                outcome.done.push_back({RecordKind::kSavedToOutput, {.position = plan.position}});
                continue;
            }
            if (!write_file_durably(plan.name, bytes, request.replace)) {
                refuse(ProblemKind::kFileExists, {.name = plan.name}, Hint::kReplace);
            }
            say(outcome, RecordKind::kSaved, {.position = plan.position, .name = plan.name});
        }
    });
}

}  // namespace pixavon::host
