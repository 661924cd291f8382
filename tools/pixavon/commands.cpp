#include "commands.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "contact_sheet.h"

namespace pixavon::tool {
namespace {

using host::photo_count;
using host::printable;
using host::quoted_name;

// A number written by the user: decimal, or hexadecimal with 0x.
uint64_t parse_number(const std::string& text, uint64_t max, const std::string& what) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 16) bad_input(what + " must be a number, not " + quoted_name(text));
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
            bad_input(what + " must be a number, not " + quoted_name(text));
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (value > max)
            bad_input(what + " " + printable(text) + " is too large (at most " + std::to_string(max) + ")");
    }
    return value;
}

std::vector<uint32_t> parse_positions(const std::vector<std::string>& texts) {
    std::vector<uint32_t> out;
    for (const std::string& text : texts) {
        if (!text.empty() && text[0] == '-') bad_input("position " + quoted_name(text) + " is out of range");
        out.push_back(static_cast<uint32_t>(parse_number(text, 255, "a position")));
    }
    return out;
}

int finish(const host::Outcome& outcome, host::Core& core) { return report(outcome, core.cancel()); }

// The catalog, or the command fails saying why it cannot be used.
host::Catalog usable(const host::CardState& state) {
    if (!state.catalog_ok) fail(state.problem);
    return state.catalog;
}

}  // namespace

int cmd_info(host::Core& core) {
    const host::CardState state = core.inspect();
    if (!state.connected) {
        std::printf("camera:      not connected\n");
        fail(state.problem);
    }
    std::printf("camera:      connected (%s)\n", printable(core.description()).c_str());
    if (!state.catalog_loads) fail(state.problem);
    const host::Catalog& catalog = state.catalog;
    std::printf("card:        %llu MiB, capacity code %u\n",
                static_cast<unsigned long long>(catalog.card_bytes() >> 20), catalog.capacity_code);
    if (!state.catalog_ok) fail(state.problem);
    std::printf("photos:      %u\n", catalog.count);
    std::printf("free slots:  %u\n", catalog.free_slots());
    std::printf("%s\n", core.session().usage_line(catalog.count, catalog.free_slots()).c_str());
    return 0;
}

int cmd_list(host::Core& core, bool json) {
    const host::Catalog catalog = usable(core.inspect());
    if (json) {
        std::printf("{\"capacity\": %u, \"card_bytes\": %llu, \"count\": %u, \"free\": %u, \"photos\": [",
                    catalog.capacity_code, static_cast<unsigned long long>(catalog.card_bytes()), catalog.count,
                    catalog.free_slots());
        for (uint32_t i = 0; i < catalog.count; ++i) {
            std::printf("%s{\"position\": %u, \"slot\": %u, \"bytes\": %u}", i == 0 ? "" : ", ", i, catalog.slots[i],
                        kSlotBytes);
        }
        std::printf("]}\n");
        return 0;
    }
    std::printf("%-8s %-6s %s\n", "POSITION", "SLOT", "SIZE ON CARD");
    for (uint32_t i = 0; i < catalog.count; ++i) std::printf("%8u %6u %u bytes\n", i, catalog.slots[i], kSlotBytes);
    std::printf("%s; %s\n", photo_count(catalog.count).c_str(),
                core.session().usage_line(catalog.count, catalog.free_slots()).c_str());
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
    if (!options.all && request.positions.empty()) bad_input("say which photos to save: POSITION... or --all");
    return finish(core.export_photos(request), core);
}

int cmd_put(host::Core& core, const std::vector<std::string>& files, host::Fit fit) {
    host::PutRequest request;
    request.files = files;
    request.fit = fit;
    return finish(core.put_pictures(request), core);
}

int cmd_import(host::Core& core, const host::ImportRequest& request) {
    return finish(core.import_photos(request, nullptr), core);
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
    if (!force && ::access(file.c_str(), F_OK) == 0) {
        bad_input(quoted_name(file) + " already exists; choose another name or add --force to replace it");
    }
    if (file.size() < 4 || strcasecmp(file.c_str() + file.size() - 4, ".png") != 0) {
        bad_input("the contact sheet is a PNG: give a name ending in .png");
    }
    const host::Catalog catalog = usable(core.inspect());
    std::vector<SheetEntry> entries;
    for (uint32_t i = 0; i < catalog.count; ++i) {
        if (core.cancel().requested())
            return finish({host::Outcome::Status::kCancelled, "stopped; nothing was written", {}}, core);
        std::string why;
        std::optional<host::Image> photo = core.read_photo(i, &why);
        if (!photo) fail(why);
        entries.push_back({std::move(*photo), "#" + std::to_string(i) + "  slot " + std::to_string(catalog.slots[i])});
    }
    const std::string title = "Lumetta card, " + std::to_string(catalog.card_bytes() >> 20) +
                              " MiB: " + photo_count(catalog.count) + ", " + std::to_string(catalog.free_slots()) +
                              " free";
    try {
        if (!host::write_file_atomically(file, host::encode_png(make_contact_sheet(title, entries)), force)) {
            bad_input(quoted_name(file) + " appeared meanwhile; choose another name or add --force to replace it");
        }
    } catch (const host::ImageError& error) {
        fail(std::string(error.what()) + "; check the folder exists and can be written");
    }
    std::printf("%s -> %s\n", photo_count(catalog.count).c_str(), printable(file).c_str());
    return 0;
}

int cmd_raw_read(host::Core& core, const std::string& address_text, const std::string& length_text) {
    const uint16_t address = static_cast<uint16_t>(parse_number(address_text, 0xFFFF, "the address"));
    const uint32_t length = static_cast<uint32_t>(parse_number(length_text, 16u << 20, "the length"));
    if (length == 0) bad_input("the length must be at least 1");
    // The library reads whole 512-byte pieces only; read enough of them.
    const uint32_t whole = (length + 511) / 512 * 512;
    std::vector<uint8_t> data(whole);
    host::Session& session = core.session();
    if (!session.call([&] { return session.lib().ReadGBA(address, data.data(), whole); })) {
        fail("the raw read failed; check the camera and the address");
    }
    const uint64_t base = static_cast<uint64_t>(address) * 256;
    for (uint32_t at = 0; at < length; at += 16) {
        std::printf("%08llx ", static_cast<unsigned long long>(base) + at);
        for (uint32_t k = 0; k < 16; ++k) {
            if (k == 8) std::printf(" ");
            if (at + k < length)
                std::printf(" %02x", data[at + k]);
            else
                std::printf("   ");
        }
        std::printf("  |");
        for (uint32_t k = 0; k < 16 && at + k < length; ++k) {
            const uint8_t c = data[at + k];
            std::putchar(c >= 0x20 && c < 0x7F ? c : '.');
        }
        std::printf("|\n");
    }
    return 0;
}

int cmd_raw_write(host::Core& core, Terminal& terminal, const std::string& block_text, const std::string& file) {
    const uint16_t block = static_cast<uint16_t>(parse_number(block_text, 0xFFFF, "the block"));
    std::vector<uint8_t> data;
    try {
        data = host::read_file(file, (16u << 20) + 1);
    } catch (const host::ImageError& error) {
        bad_input(error.what());
    }
    if (data.empty()) bad_input(quoted_name(file) + " is empty; nothing to write");
    // The card's size comes from its catalog; a card whose catalog does not
    // load may be either size, so the larger one bounds the write.
    const host::CardState state = core.inspect();
    const uint64_t card_bytes = state.catalog_loads ? state.card_bytes() : 16ull << 20;
    if (static_cast<uint64_t>(block) * 512 + data.size() > card_bytes) {
        bad_input("writing " + std::to_string(data.size()) + " bytes at block " + std::to_string(block) +
                  " runs past the end of the card (" + std::to_string(card_bytes / 512) + " blocks)");
    }
    const std::string question = "Writing " + std::to_string(data.size()) + " bytes at block " + std::to_string(block) +
                                 " programs the card directly and can damage photos and the catalog";
    switch (terminal.confirm(question)) {
        case host::Frontend::Answer::kYes:
            break;
        case host::Frontend::Answer::kNo:
            fail("not confirmed; nothing was changed");
        case host::Frontend::Answer::kCannotAsk:
            bad_input(question + "; add --yes to confirm when not asked on a terminal");
    }
    host::Session& session = core.session();
    if (!session.call([&] { return session.lib().WriteGBA(block, data.data(), static_cast<uint32_t>(data.size())); })) {
        fail("the raw write failed; check the camera and the block number");
    }
    std::printf("wrote %zu bytes at block %u\n", data.size(), block);
    return 0;
}

}  // namespace pixavon::tool
