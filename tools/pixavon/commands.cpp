#include "commands.h"

#include <cstring>
#include <iterator>

#include "contact_sheet.h"
#include "i18n.h"
#include "os/os.h"

namespace pixavon::tool {
namespace {

// True if `file` ends in ".png", in any case.
bool ends_with_png(const std::string& file) {
    if (file.size() < 4) return false;
    std::string end = file.substr(file.size() - 4);
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".png";
}

using host::display_name;
using host::fill;
using host::ntr;
using host::tr;

std::string quoted(const std::string& raw) { return "'" + display_name(raw) + "'"; }

// A number written by the user: decimal, or hexadecimal with 0x.
uint64_t parse_number(const std::string& text, uint64_t max, const std::string& what) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 16)
        bad_input(fill(tr("{1} must be a number, not {2}."), {what, quoted(text)}));
    uint64_t value = 0;
    for (const char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            bad_input(fill(tr("{1} must be a number, not {2}."), {what, quoted(text)}));
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (value > max)
            bad_input(fill(tr("{1} {2} is too large: at most {3}."), {what, display_name(text), std::to_string(max)}));
    }
    return value;
}

std::vector<uint32_t> parse_positions(const std::vector<std::string>& texts) {
    std::vector<uint32_t> out;
    for (const std::string& text : texts) {
        if (!text.empty() && text[0] == '-') bad_input(fill(tr("There is no photo {1}."), {display_name(text)}));
        // Photos are numbered in decimal, as the tool lists them: "0x1" is no photo number.
        if (text.find_first_not_of("0123456789") != std::string::npos)
            bad_input(fill(tr("{1} must be a number, not {2}."), {tr("A position"), quoted(text)}));
        out.push_back(static_cast<uint32_t>(parse_number(text, 255, tr("A position"))));
    }
    return out;
}

int finish(const host::Outcome& outcome, host::Core& core) { return report(outcome, core.cancel()); }

// The catalog, or the command fails saying why it cannot be used.
host::Catalog usable(const host::CardState& state) {
    if (!state.catalog_ok) fail(explain(state.problem));
    return state.catalog;
}

}  // namespace

int cmd_info(host::Core& core) {
    const host::CardState state = core.inspect();
    if (!state.connected) {
        print(std::string(tr("camera:      not connected")) + "\n");
        fail(explain(state.problem));
    }
    print(fill(tr("camera:      connected ({1})"), {core.description()}) + "\n");
    // The card's own size, measured on it; its list's capacity code beside it.
    if (!state.catalog_loads) {
        if (state.measured_bytes != 0) {
            print(fill(tr("card:        {1} MiB"), {std::to_string(state.measured_bytes >> 20)}) + "\n");
        }
        fail(explain(state.problem));
    }
    const host::Catalog& catalog = state.catalog;
    const uint64_t card_bytes = state.measured_bytes != 0 ? state.measured_bytes : catalog.card_bytes();
    print(fill(tr("card:        {1} MiB, capacity code {2}"),
               {std::to_string(card_bytes >> 20), std::to_string(catalog.capacity_code)}) +
          "\n");
    if (!state.catalog_ok) fail(explain(state.problem));
    print(fill(tr("photos:      {1}"), {std::to_string(catalog.count)}) + "\n");
    print(fill(tr("free slots:  {1}"), {std::to_string(catalog.free_slots())}) + "\n");
    // The library's own line, in its own words.
    print(core.usage_line(catalog.count, catalog.free_slots()) + "\n");
    return 0;
}

int cmd_list(host::Core& core, bool json) {
    const host::Catalog catalog = usable(core.inspect());
    if (json) {
        std::string text =
            formatted("{\"capacity\": %u, \"card_bytes\": %llu, \"count\": %u, \"free\": %u, \"photos\": [",
                      catalog.capacity_code, static_cast<unsigned long long>(catalog.card_bytes()), catalog.count,
                      catalog.free_slots());
        for (uint32_t i = 0; i < catalog.count; ++i) {
            text += formatted("%s{\"position\": %u, \"slot\": %u, \"bytes\": %u}", i == 0 ? "" : ", ", i,
                              catalog.slots[i], kSlotBytes);
        }
        print(text + "]}\n");
        return 0;
    }
    // TRANSLATORS: the heading of the list's three columns; the numbers below are 8 and 6 wide.
    print(std::string(tr("POSITION SLOT   SIZE ON CARD")) + "\n");
    for (uint32_t i = 0; i < catalog.count; ++i) {
        print(formatted("%8u %6u %s\n", i, catalog.slots[i],
                        fill(ntr("{1} byte", "{1} bytes", kSlotBytes), {std::to_string(kSlotBytes)}).c_str()));
    }
    print(fill(ntr("{1} photo, {2} free", "{1} photos, {2} free", catalog.count),
               {std::to_string(catalog.count), std::to_string(catalog.free_slots())}) +
          "\n");
    return 0;
}

int cmd_get(host::Core& core, const GetOptions& options) {
    host::ExportRequest request;
    request.all = options.all;
    request.positions = parse_positions(options.positions);
    request.output = options.output;
    request.replace = options.force;
    if (options.format == "bmp")
        request.format = host::OutputFormat::kBmp;
    else if (options.format == "png")
        request.format = host::OutputFormat::kPng;
    else if (options.format == "jpeg" || options.format == "jpg")
        request.format = host::OutputFormat::kJpeg;
    if (!options.all && request.positions.empty()) bad_input(tr("Say which photos to save: POSITION... or --all."));
    return finish(core.export_photos(request), core);
}

std::vector<std::string> files_named(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        std::vector<std::string> matching = host::os::files_matching(argument);
        if (matching.empty()) bad_input(fill(tr("No file matches '{1}'."), {display_name(argument)}));
        files.insert(files.end(), std::make_move_iterator(matching.begin()), std::make_move_iterator(matching.end()));
    }
    return files;
}

int cmd_put(host::Core& core, const std::vector<std::string>& files, host::Fit fit) {
    host::PutRequest request;
    request.files = files;
    request.fit = fit;
    return finish(core.put_pictures(request), core);
}

int cmd_import(host::Core& core, const host::ImportRequest& request) {
    host::ImportSummary summary;
    const host::Outcome outcome = core.import_photos(request, &summary);
    // Also after a Cancel or a failure: how far the import came.
    if (outcome.ok() || summary.looked_at > 0) {
        std::string line =
            outcome.ok() ? fill(ntr("{1} new photo imported into '{2}'.", "{1} new photos imported into '{2}'.",
                                    summary.imported),
                                {std::to_string(summary.imported), display_name(summary.folder)})
                         : fill(ntr("{1} of {2} photo imported into '{3}' before the import ended.",
                                    "{1} of {2} photos imported into '{3}' before the import ended.", summary.photos),
                                {std::to_string(summary.imported), std::to_string(summary.photos),
                                 display_name(summary.folder)});
        const auto count = [](uint32_t n) { return std::to_string(n); };
        if (summary.changed > 0) {
            line = and_then(line, fill(ntr("{1} of them was imported again: the file it had been saved to was "
                                           "changed, and is left as it is.",
                                           "{1} of them were imported again: the files they had been saved to were "
                                           "changed, and are left as they are.",
                                           summary.changed),
                                       {count(summary.changed)}));
        }
        if (const uint32_t present = summary.already - summary.removed; present > 0) {
            line =
                and_then(line, fill(ntr("{1} was in the folder already.", "{1} were in the folder already.", present),
                                    {count(present)}));
        }
        if (summary.removed > 0) {
            line = and_then(line, fill(ntr("{1} imported before was not imported again, as its file was removed "
                                           "from the folder (--again brings it back).",
                                           "{1} imported before were not imported again, as their files were "
                                           "removed from the folder (--again brings them back).",
                                           summary.removed),
                                       {count(summary.removed)}));
        }
        if (summary.duplicates > 0) {
            line = and_then(line, fill(ntr("{1} duplicate on the card skipped.", "{1} duplicates on the card skipped.",
                                           summary.duplicates),
                                       {count(summary.duplicates)}));
        }
        if (summary.deleted > 0) {
            line = and_then(line, fill(ntr("{1} deleted from the card.", "{1} deleted from the card.", summary.deleted),
                                       {count(summary.deleted)}));
        }
        if (summary.kept > 0) {
            line = and_then(line, fill(ntr("{1} stays on the card.", "{1} stay on the card.", summary.kept),
                                       {count(summary.kept)}));
        }
        print(line + "\n");
    }
    return finish(outcome, core);
}

int cmd_rescue(host::Core& core, const host::RescueRequest& request) {
    return finish(core.rescue(request, nullptr), core);
}

int cmd_rm(host::Core& core, const std::vector<std::string>& positions) {
    return finish(core.delete_photos(parse_positions(positions), false), core);
}

int cmd_format(host::Core& core) { return finish(core.format_card(), core); }

int cmd_backup(host::Core& core, const std::string& file, bool force) { return finish(core.backup(file, force), core); }

int cmd_restore(host::Core& core, const std::string& file) { return finish(core.restore(file), core); }

int cmd_contact_sheet(host::Core& core, const std::string& file, bool force) {
    const host::Problem exists{host::ProblemKind::kFileExists, host::Hint::kReplace, {.name = file}, {}};
    if (const host::os::Kind kind = host::os::status(file).kind;
        kind == host::os::Kind::kFolder || kind == host::os::Kind::kOther) {
        bad_input(explain({host::ProblemKind::kNotAFile, host::Hint::kOtherName, {.name = file}, {}}));
    }
    if (!force && host::os::exists(file)) bad_input(explain(exists));
    if (!ends_with_png(file)) {
        bad_input(tr("The contact sheet is a PNG: give a name ending in .png."));
    }
    const host::Catalog catalog = usable(core.inspect());
    std::vector<SheetEntry> entries;
    for (uint32_t i = 0; i < catalog.count; ++i) {
        if (core.cancel().requested()) {
            return finish(
                {host::Outcome::Status::kCancelled, {host::ProblemKind::kCancelled, host::Hint::kNone, {}, {}}, {}},
                core);
        }
        host::Problem why;
        std::optional<host::Image> photo = core.read_photo(i, &why);
        if (!photo) fail(explain(why));
        entries.push_back({std::move(*photo), "#" + std::to_string(i) + "  slot " + std::to_string(catalog.slots[i])});
    }
    // The sheet's own lettering is ASCII: its font has no other characters.
    const std::string title =
        "Lumetta card, " + std::to_string(catalog.card_bytes() >> 20) + " MiB: " + std::to_string(catalog.count) +
        (catalog.count == 1 ? " photo, " : " photos, ") + std::to_string(catalog.free_slots()) + " free";
    try {
        if (!host::write_file_durably(file, host::encode_png(make_contact_sheet(title, entries)), force)) {
            bad_input(explain(exists));
        }
    } catch (const host::DiskError& error) {
        fail(explain(
            {host::ProblemKind::kCannotWrite, host::Hint::kCheckDisk, {.name = file, .error = error.error()}, {}}));
    } catch (const host::ImageError& error) {
        fail(explain(
            {host::ProblemKind::kCannotWrite, host::Hint::kCheckDisk, {.name = file, .detail = error.what()}, {}}));
    }
    print(fill(ntr("{1} photo on the contact sheet '{2}'.", "{1} photos on the contact sheet '{2}'.", catalog.count),
               {std::to_string(catalog.count), display_name(file)}) +
          "\n");
    return 0;
}

int cmd_raw_read(host::Core& core, const std::string& address_text, const std::string& length_text) {
    const uint16_t address = static_cast<uint16_t>(parse_number(address_text, 0xFFFF, tr("The address")));
    const uint32_t length = static_cast<uint32_t>(parse_number(length_text, 16u << 20, tr("The length")));
    if (length == 0) bad_input(tr("The length must be at least 1."));
    // The library reads whole 512-byte pieces only; read enough of them.
    const uint32_t whole = (length + 511) / 512 * 512;
    std::vector<uint8_t> data(whole);
    if (!core.raw_read(address, data)) {
        fail(tr("The raw read failed. Check the camera and the address."));
    }
    const uint64_t base = static_cast<uint64_t>(address) * 256;
    // Lines go out some thousand at a time: a console takes each write as a call of its own.
    std::string lines;
    for (uint32_t at = 0; at < length; at += 16) {
        if (lines.size() >= (64u << 10)) {
            print(lines);
            lines.clear();
        }
        std::string line = formatted("%08llx ", static_cast<unsigned long long>(base) + at);
        for (uint32_t k = 0; k < 16; ++k) {
            if (k == 8) line += ' ';
            line += at + k < length ? formatted(" %02x", data[at + k]) : std::string("   ");
        }
        line += "  |";
        for (uint32_t k = 0; k < 16 && at + k < length; ++k) {
            const uint8_t c = data[at + k];
            line += static_cast<char>(c >= 0x20 && c < 0x7F ? c : '.');
        }
        lines += line + "|\n";
    }
    print(lines);
    return 0;
}

int cmd_raw_write(host::Core& core, const std::string& block_text, const std::string& file) {
    const uint16_t block = static_cast<uint16_t>(parse_number(block_text, 0xFFFF, tr("The block")));
    std::vector<uint8_t> data;
    try {
        data = host::read_file(file, (16u << 20) + 1);
    } catch (const host::ImageError& error) {
        bad_input(
            explain({host::ProblemKind::kCannotRead, host::Hint::kNone, {.name = file, .detail = error.what()}, {}}));
    }
    if (data.empty()) bad_input(fill(tr("{1} is empty: there is nothing to write."), {quoted(file)}));
    // The card's size comes from its catalog; a card whose catalog does not
    // load may be either size, so the larger one bounds the write.
    const host::CardState state = core.inspect();
    const uint64_t card_bytes = state.catalog_loads ? state.card_bytes() : 16ull << 20;
    if (static_cast<uint64_t>(block) * 512 + data.size() > card_bytes) {
        bad_input(fill(tr("Writing {1} bytes at block {2} runs past the end of the card ({3} blocks)."),
                       {std::to_string(data.size()), std::to_string(block), std::to_string(card_bytes / 512)}));
    }
    const host::Question question{host::QuestionKind::kRawWrite, {.position = block, .bytes = data.size()}};
    if (const host::Outcome asked = core.confirm(question); !asked.ok()) {
        if (asked.status == host::Outcome::Status::kFailed) fail(host::describe(asked.problem));
        bad_input(explain(asked.problem));
    }
    if (!core.raw_write(block, data)) {
        fail(tr("The raw write failed. Check the camera and the block number."));
    }
    print(fill(tr("{1} bytes written at block {2}."), {std::to_string(data.size()), std::to_string(block)}) + "\n");
    return 0;
}

}  // namespace pixavon::tool
