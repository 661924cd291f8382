// pixavon: manages the photos on a Lumetta camera's card from the command
// line, through libpixavon.so, on an attached camera or on a camera emulated
// inside the tool on a card image.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "cancel.h"
#include "commands.h"
#include "core.h"
#include "i18n.h"
#include "library.h"
#include "os/os.h"
#ifdef _WIN32
#  include "os/win32/text.h"
#else
#  include "mount.h"
#endif
#include "progress.h"
#include "terminal.h"

namespace pixavon::tool {
namespace {

using host::fill;
using host::Library;
using host::LibraryError;
using host::tr;

int cmd_strings();

#ifdef _WIN32
// The card as a folder needs FUSE, which Windows has not: the command is
// left out of the help and refused before anything else is done.
struct MountOptions {
    std::string mountpoint;
    bool read_only = false;
    bool foreground = false;
};
[[noreturn]] void refuse_mount() {
    fail(tr("mount is not available on Windows; use get, import or backup to copy photos from the card"));
}
int cmd_mount(host::Core&, host::Frontend&, const MountOptions&) { refuse_mount(); }
#endif

struct Options {
    std::string card;
    int size = 0;
    bool json = false;
    std::string lang;
    GetOptions get;
    std::vector<std::string> put_files;
    std::string fit = "pad";
    std::vector<std::string> rm_positions;
    bool yes = false;
    host::ImportRequest import;
    host::RescueRequest rescue;
    std::string file;
    bool force = false;
    std::string raw_address, raw_length, raw_block;
    MountOptions mount;
};

// What is wrong with the command line, in the person's language; CLI11's own
// English words follow in parentheses.
std::string usage_failure(const CLI::App*, const CLI::Error& error) {
    const char* what = tr("The command line is not complete or not right");
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        what = tr("Something the command needs is missing");
    } else if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        what = tr("The command line holds more than the command takes");
    } else if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr ||
               dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
        what = tr("A value is not one that its option takes");
    } else if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr ||
               dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
        what = tr("These options do not go together");
    }
    return fill(tr("{1} ({2}).\nRun with --help for more information.\n"), {what, error.what()});
}

// The words of CLI11's help in the person's language.
void translate_help(CLI::App& app) {
    const auto& formatter = app.get_formatter();
    formatter->label("Usage", tr("Usage"));
    formatter->label("OPTIONS", tr("OPTIONS"));
    formatter->label("SUBCOMMAND", tr("SUBCOMMAND"));
    formatter->label("REQUIRED", tr("REQUIRED"));
    formatter->label("Needs", tr("Needs"));
    formatter->label("Excludes", tr("Excludes"));
    formatter->label("Positionals", tr("Positionals"));
    app.failure_message(usage_failure);
    app.option_defaults()->group(tr("Options"));
    app.set_help_flag("-h,--help", tr("Print this help message and exit"));
}

// Subcommands are listed under a translated heading, at every level.
void translate_subcommand_group(CLI::App& app) {
    for (CLI::App* sub : app.get_subcommands({})) {
        sub->group(tr("Subcommands"));
        if (CLI::Option* help = sub->get_help_ptr()) help->group(tr("Options"));
        translate_subcommand_group(*sub);
    }
}

int run(int argc, char** argv) {
    CLI::App app{
        tr("pixavon: the photos on a Lumetta camera's card, from the command line.\n"
           "Positions count from 0, as 'pixavon list' shows them.")};
    translate_help(app);
    app.require_subcommand(1);
    app.set_version_flag("--version", "pixavon " PIXAVON_VERSION, tr("Show the version and exit"));
    Options o;
    auto* card = app.add_option("--card", o.card,
                                tr("Work on a camera emulated inside the tool on this card image (the same format as a "
                                   "backup) instead of the attached camera"))
                     ->type_name("IMAGE");
    app.add_option("--size", o.size, tr("With --card: create a fresh card of 8 or 16 MiB if IMAGE does not exist"))
        ->check(CLI::IsMember({8, 16}))
        ->type_name("8|16")
        ->needs(card);

    auto* info = app.add_subcommand("info", tr("Whether a camera is connected, its card, photo count and free slots"));
    auto* list = app.add_subcommand("list", tr("The photos on the card: position, slot and size on the card"));
    list->add_flag("--json", o.json, tr("Print one JSON object instead of a table"));

    auto* get = app.add_subcommand("get", tr("Save photos from the card: .png as PNG, .jpg or .jpeg as JPEG, .bmp or "
                                             "no extension as the camera's bitmap"));
    get->add_option("POSITION", o.get.positions, tr("Positions of the photos to save"));
    get->add_flag("--all", o.get.all, tr("Save every photo"));
    get->add_option(
        "-o,--output", o.get.output,
        tr("File name for one photo, - for standard output, or folder for several (default: photo-POS.FORMAT)"));
    get->add_option("--format", o.get.format, tr("bmp, png or jpeg: for made-up names and standard output (PNG there)"))
        ->check(CLI::IsMember({"bmp", "png", "jpeg", "jpg"}));
    get->add_flag("--force", o.get.force, tr("Replace files that exist"));

    auto* put = app.add_subcommand("put", tr("Put pictures (PNG, JPEG or BMP) on the card, converted to 322 x 242"));
    put->add_option("FILE", o.put_files, tr("Pictures to put"))->required();
    put->add_option("--fit", o.fit, tr("pad: whole picture on black; crop: fill the frame"))
        ->check(CLI::IsMember({"pad", "crop"}))
        ->capture_default_str();

    auto* import =
        app.add_subcommand("import", tr("Save the photos this folder has not imported before (by their pixels)"));
    import->add_option("DIR", o.import.folder, tr("Folder (default: the desktop's pictures folder, then Lumetta)"));
    import
        ->add_option("--name", o.import.name_pattern,
                     tr("File names: {date}, {n} or {n:03}, {slot}, {position}, {hash}; the extension picks PNG, JPEG "
                        "or BMP"))
        ->capture_default_str();
    import->add_flag("--again", o.import.again, tr("Also import photos whose files were removed from the folder"));
    import->add_flag("--delete-after", o.import.delete_after,
                     tr("Then delete from the card every photo whose file in the folder reads back as written"));

    auto* rescue = app.add_subcommand("rescue", tr("Save every picture on the card, whatever its photo list says"));
    rescue->add_option("-o,--output", o.rescue.folder, tr("Folder for the pictures (picture-NN.png)"))->required();
    rescue
        ->add_option("--size", o.rescue.size_mib,
                     tr("8 or 16: the card's size, when it cannot be found (a blank card)"))
        ->check(CLI::IsMember({8, 16}));
    rescue->add_flag("--repair", o.rescue.repair, tr("Then make the photo list name the pictures found"));
    rescue->add_flag("-y,--yes", o.yes, tr("Do not ask for confirmation"));

    auto* rm = app.add_subcommand("rm", tr("Delete photos"));
    rm->add_option("POSITION", o.rm_positions, tr("Positions of the photos to delete"))->required();

    auto* format = app.add_subcommand("format", tr("Erase the photo list and so every photo on the card"));
    format->add_flag("-y,--yes", o.yes, tr("Do not ask for confirmation"));

    auto* backup = app.add_subcommand("backup", tr("Save the whole card into one file"));
    backup->add_option("FILE", o.file, tr("Backup file to write"))->required();
    backup->add_flag("--force", o.force, tr("Replace FILE if it exists"));

    auto* restore = app.add_subcommand("restore", tr("Write a backup back onto the card, replacing everything on it"));
    restore->add_option("FILE", o.file, tr("Backup file to restore"))->required();
    restore->add_flag("-y,--yes", o.yes, tr("Do not ask for confirmation"));

    auto* sheet =
        app.add_subcommand("contact-sheet", tr("Every photo on the card as a labelled thumbnail grid in one PNG"));
    sheet->add_option("OUT", o.file, tr("PNG file to write"))->required();
    sheet->add_flag("--force", o.force, tr("Replace OUT if it exists"));

    auto* strings = app.add_subcommand("strings", tr("The 14 texts of the library's string table"));
    strings->add_option("--lang", o.lang,
                        tr("Language tag, e.g. ja, zh_TW, zh_CN, en (default: from the environment)"));

    auto* mount = app.add_subcommand("mount", tr("Show the card as a folder: a file per photo, pictures copied in go "
                                                 "on the card, removed files are deleted"));
    mount->add_option("MOUNTPOINT", o.mount.mountpoint, tr("An empty folder to show the card in"))->required();
    mount->add_flag("--read-only", o.mount.read_only, tr("Only read photos; change nothing on the card"));
    mount->add_flag("-f,--foreground", o.mount.foreground,
                    tr("Stay in the foreground, telling what is done, until unmounted or stopped with Ctrl-C"));

    auto* raw = app.add_subcommand("raw", tr("Raw card commands, for diagnostics"));
    raw->require_subcommand(1);
    auto* raw_read =
        raw->add_subcommand("read", tr("Read LEN bytes from ADDR (in 256-byte units); hex dump on standard output"));
    raw_read->add_option("ADDR", o.raw_address, tr("Address in 256-byte units (0x prefix for hex)"))->required();
    raw_read->add_option("LEN", o.raw_length, tr("Number of bytes"))->required();
    auto* raw_write = raw->add_subcommand("write", tr("Write the bytes of FILE at BLOCK (in 512-byte blocks)"));
    raw_write->add_option("BLOCK", o.raw_block, tr("Block number (0x prefix for hex)"))->required();
    raw_write->add_option("FILE", o.file, tr("Data to write"))->required();
    raw_write->add_flag("-y,--yes", o.yes, tr("Do not ask for confirmation"));

    translate_subcommand_group(app);
#ifdef _WIN32
    mount->group("");  // not shown in the help
    mount->get_option("MOUNTPOINT")->required(false);
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help, the version and usage errors, shown as all the tool's text is.
        std::ostringstream out, err;
        const int code = app.exit(error, out, err);
        print(out.str());
        print_error(err.str());
        return code == 0 ? 0 : kExitUsage;
    }
    const host::Fit fit = o.fit == "crop" ? host::Fit::kCrop : host::Fit::kPad;

    // Before any thread starts or the card is taken.
#ifdef _WIN32
    if (mount->parsed()) refuse_mount();
#else
    if (mount->parsed() && !o.mount.foreground) mount_in_background();
#endif
    if (put->parsed()) o.put_files = files_named(o.put_files);

    host::CancelToken cancel;
    host::os::stop_on_interrupt(cancel, std::string("\npixavon: ") + tr("stopping after the current step") + "\n",
                                std::string("\npixavon: ") +
                                    tr("still finishing the current step; the card is never left half-written") + "\n");
    // A reader that goes away (pixavon list | head) must not end the tool
    // before the embedded camera has saved the card.
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
    Progress progress(host::os::Stream::kError, host::os::is_terminal(host::os::Stream::kError));
    Terminal terminal(progress, cancel);
    terminal.set_yes(o.yes);
    set_card_image(o.card);

    if (strings->parsed()) {
        if (!o.lang.empty()) {
            // The library picks its language from the environment, LANGUAGE first.
            if (o.lang.find_first_of("/:") != std::string::npos || !host::os::use_library_language(o.lang))
                bad_input(tr("--lang takes a tag such as ja or zh_TW."));
        }
        return cmd_strings();
    }

    int status = 0;
    host::Core core(cancel);
    core.set_frontend(terminal);
    // Rescue reads a card image cut short as far as it goes, as the card its
    // --size names.
    int size = o.size;
    if (rescue->parsed() && size == 0 && !o.card.empty() && host::os::exists(o.card)) size = o.rescue.size_mib;
    // Commands that change nothing on the card open a card image only to
    // read it: a backup on read-only media can be browsed, and keeps its times.
    const bool read_only = info->parsed() || list->parsed() || get->parsed() || backup->parsed() || sheet->parsed() ||
                           raw_read->parsed() || (import->parsed() && !o.import.delete_after) ||
                           (rescue->parsed() && !o.rescue.repair) || (mount->parsed() && o.mount.read_only);
    if (const int prepared = report(core.prepare({o.card, size, rescue->parsed(), read_only}), cancel); prepared != 0)
        return prepared;
    if (!core.open_camera() && !info->parsed()) {
        fail(explain(
            {host::ProblemKind::kNoCamera, host::Hint::kConnectCamera, {.folder = host::device_dir_in_use()}, {}}));
    }
    try {
        if (info->parsed())
            status = cmd_info(core);
        else if (list->parsed())
            status = cmd_list(core, o.json);
        else if (get->parsed())
            status = cmd_get(core, o.get);
        else if (put->parsed())
            status = cmd_put(core, o.put_files, fit);
        else if (import->parsed())
            status = cmd_import(core, o.import);
        else if (rescue->parsed())
            status = cmd_rescue(core, o.rescue);
        else if (rm->parsed())
            status = cmd_rm(core, o.rm_positions);
        else if (format->parsed())
            status = cmd_format(core);
        else if (backup->parsed())
            status = cmd_backup(core, o.file, o.force);
        else if (restore->parsed())
            status = cmd_restore(core, o.file);
        else if (sheet->parsed())
            status = cmd_contact_sheet(core, o.file, o.force);
        else if (raw_read->parsed())
            status = cmd_raw_read(core, o.raw_address, o.raw_length);
        else if (raw_write->parsed())
            status = cmd_raw_write(core, o.raw_block, o.file);
        else if (mount->parsed())
            status = cmd_mount(core, terminal, o.mount);
    } catch (const Failure&) {
        // The card image is saved and unlocked before the message is shown.
        report(core.finish(), cancel);
        throw;
    }
    if (const int finished = report(core.finish(), cancel); finished != 0 && status == 0) status = finished;
    if (int error = 0; !host::os::flush_text(host::os::Stream::kOutput, &error)) {
        fail(host::describe(
            host::Problem{host::ProblemKind::kCannotWriteOutput, host::Hint::kNone, {.error = error}, {}}));
    }
    // A signal that came during a step that could not stop (a restore) still
    // ends the tool as the signal asks, once the step is done. A signal is how
    // a mount in the foreground is meant to end.
    if (status == 0 && cancel.signal() != 0 && !mount->parsed()) {
        print_error(std::string("pixavon: ") + tr("stopped after the current step had finished") + "\n");
        status = 128 + cancel.signal();
    }
    return status;
}

int cmd_strings() {
    std::optional<Library> library;
    try {
        library.emplace();
    } catch (const LibraryError& error) {
        fail(host::describe(
            host::Problem{host::ProblemKind::kLibraryMissing, host::Hint::kNone, {.detail = error.what()}, {}}));
    }
    struct Quiet : host::HostWindow {
        void on_progress() override {}
        void on_box(bool, const std::string&, const std::string&) override {}
    } quiet;
    host::Session session(*library, quiet);
    for (uint32_t id = 1; id <= 14; ++id) print(formatted("%2u  ", id) + session.text(id) + "\n");
    return 0;
}

}  // namespace
}  // namespace pixavon::tool

int run_tool(int argc, char** argv);

namespace {

#ifdef _WIN32
// The arguments as UTF-8, whatever the ANSI code page.
int start(int argc, wchar_t** wide_argv) {
    std::vector<std::string> arguments;
    try {
        for (int i = 0; i < argc; ++i) arguments.push_back(pixavon::host::win32::to_utf8(wide_argv[i]));
    } catch (const std::exception&) {
        pixavon::tool::print_error("pixavon: the command line is not readable text\n");
        return pixavon::tool::kExitUsage;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return run_tool(argc, argv.data());
}
#endif

}  // namespace

int run_tool(int argc, char** argv) {
    // Messages in the person's language and the locale's codeset.
    pixavon::host::use_environment_locale();
    pixavon::host::init_translations();
    using pixavon::host::os::flush_text;
    using pixavon::host::os::Stream;
    using pixavon::tool::print_error;
    flush_text(Stream::kOutput, nullptr);
    try {
        return pixavon::tool::run(argc, argv);
    } catch (const pixavon::tool::Failure& failure) {
        flush_text(Stream::kOutput, nullptr);
        print_error(std::string("pixavon: ") + failure.what() + "\n");
        return failure.code();
    } catch (const std::exception& error) {
        flush_text(Stream::kOutput, nullptr);
        print_error(std::string("pixavon: ") + error.what() + "\n");
        return pixavon::tool::kExitFailed;
    }
}

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return start(argc, argv); }
#else
int main(int argc, char** argv) { return run_tool(argc, argv); }
#endif
