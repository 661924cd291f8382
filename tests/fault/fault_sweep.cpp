// The fault sweep: every operation, on both card sizes, is run once for every
// command it sends with that command failing (its packet refused, its data
// read failing at each of its 512-byte blocks, its data write failed), and
// once for every packet with the camera unplugged right after it. The camera
// is the emulator's device model in process. Each run is checked against what the
// library promises: the result, the box (which message, owned or not) or that
// none was shown, the card byte for byte, and that the library works again on
// a fresh connection.
//
// Backups and restores (tens of thousands of commands each) are sampled: 30
// runs per fault kind. PIXAVON_SWEEP_BUDGET bounds the runs per fault kind of
// every operation; a bounded sweep keeps the first and last commands and
// spreads the rest evenly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "card_scan.h"
#include "cardimage/card_image.h"
#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/library_state.h"
#include "include/pixavon.h"
#include "photo/transfer.h"
#include "platform/platform.h"
#include "support/model_camera.h"
#include "support/test_data.h"

namespace pixavon::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Box {
    int owned;
    std::string text;
};

struct Host {
    PixavonWindow window{this, &Host::OnMessage, &Host::OnBox};
    int progress = 0;
    std::vector<Box> boxes;
    static intptr_t OnMessage(void* self, uint32_t, uintptr_t, intptr_t) {
        ++static_cast<Host*>(self)->progress;
        return 0;
    }
    static int OnBox(void* self, int owned, const char* text, const char*, uint32_t) {
        static_cast<Host*>(self)->boxes.push_back({owned, text});
        return 1;
    }
};

struct Command {
    std::string kind;  // READ, WRITE or ERASE
    std::uint32_t address = 0;
    std::uint32_t reads = 0;  // data reads of a READ
};

enum class FaultKind { Packet, Read, Write, Unplug };
const char* Name(FaultKind kind) {
    switch (kind) {
        case FaultKind::Packet:
            return "packet";
        case FaultKind::Read:
            return "read";
        case FaultKind::Write:
            return "write";
        case FaultKind::Unplug:
            return "unplug";
    }
    return "?";
}

struct Operation {
    std::string name;
    bool changes_card;
    bool writes_back_catalog;  // ends with the catalog's erase and 16 writes
    std::function<int(const std::string& dir)> run;
};

struct RunResult {
    int result = 0;
    Host host;
    std::vector<std::string> trace;
};

// One camera for all the runs of an operation: each run starts from the
// initial card, putting back only the erase units the last run touched.
class Rig {
public:
    explicit Rig(const Bytes& initial) : initial_(initial), camera_(initial, {}, false), platform_(camera_) {
        std::string pattern =
            fs::is_directory("/dev/shm") ? "/dev/shm/pixavon-sweep-XXXXXX" : "/tmp/pixavon-sweep-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        dir_ = pattern;
        InstallPlatform(&platform_);
    }
    ~Rig() {
        InstallPlatform(nullptr);
        State() = LibraryState{};
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    const std::string& dir() const { return dir_; }

    // Runs the host's load and then `op` on a camera whose card starts as the
    // initial one, with `faults` counted from the operation's own first command.
    RunResult Run(const Operation& op, emu::FaultPlan faults, bool trace) {
        camera_.flash().revert(initial_);
        camera_.Restart(std::move(faults), trace);
        RunResult out;
        State() = LibraryState{};
        pixavon::OpenDevice(&out.host.window);
        if (op.name != "load") GetPhotoCount();  // the host's load before the operation
        out.host.progress = 0;
        out.result = op.run(dir_);
        CloseDevice();
        out.trace = camera_.trace;
        return out;
    }

    // The card as the last run left it.
    std::span<const std::uint8_t> card() const { return camera_.card(); }
    // The camera powered up again on the card as the last run left it, in a
    // fresh library state.
    void PowerUp() {
        camera_.Restart({}, false);
        State() = LibraryState{};
    }
    // Whether bytes [from, to) of the card are those of `expected`, a card that
    // differs from the initial one only in the erase units `differing` (the
    // units the last run did not touch are the initial card's).
    bool SameRange(const Bytes& expected, const std::vector<std::uint32_t>& differing, std::size_t from,
                   std::size_t to) const {
        const std::size_t unit = camera_.flash().erase_unit_blocks() * 512u;
        auto same = [&](std::uint32_t u) {
            const std::size_t begin = std::max(from, u * unit), end = std::min(to, (u + 1) * unit);
            if (begin >= end) return true;
            const auto at = static_cast<std::ptrdiff_t>(begin), until = static_cast<std::ptrdiff_t>(end);
            return std::equal(expected.begin() + at, expected.begin() + until, card().begin() + at);
        };
        const std::vector<std::uint32_t>& touched = camera_.flash().touched_units();
        return std::all_of(differing.begin(), differing.end(), same) &&
               std::all_of(touched.begin(), touched.end(), same);
    }
    bool CardIs(const Bytes& expected, const std::vector<std::uint32_t>& differing) const {
        return SameRange(expected, differing, 0, expected.size());
    }
    // The erase units in which `card` differs from the initial card.
    std::vector<std::uint32_t> UnitsChangedIn(const Bytes& card) const {
        const std::size_t unit = camera_.flash().erase_unit_blocks() * 512u;
        std::vector<std::uint32_t> units;
        for (std::uint32_t u = 0; u < card.size() / unit; ++u) {
            const auto at = static_cast<std::ptrdiff_t>(u * unit), until = static_cast<std::ptrdiff_t>((u + 1) * unit);
            if (!std::equal(card.begin() + at, card.begin() + until, initial_.begin() + at)) {
                units.push_back(u);
            }
        }
        return units;
    }

    // The camera powered up again on the card as the last run left it: a
    // fresh library state must open it and load what the catalog says.
    void ExpectUsableAgain(bool catalog_may_be_lost, const std::string& label) {
        camera_.Restart({}, false);
        State() = LibraryState{};
        Host host;
        EXPECT_EQ(pixavon::OpenDevice(&host.window), 1) << label;
        const std::int32_t count = GetPhotoCount();
        const auto catalog = card().end() - 8192;
        const bool valid = std::equal(catalog, catalog + 19, "KOV PHOTO CAM IMAGE");
        if (valid) {
            EXPECT_EQ(count, catalog[256]) << label;
            EXPECT_TRUE(host.boxes.empty()) << label;
        } else {
            EXPECT_TRUE(catalog_may_be_lost) << label << ": the catalog was lost";
            EXPECT_EQ(count, 0) << label;
        }
        CloseDevice();
    }

private:
    const Bytes& initial_;
    ModelCamera camera_;
    ModelPlatform platform_;
    std::string dir_;
};

Bytes MakeCard(int size_mib, std::uint32_t seed, const std::vector<std::uint8_t>& slots) {
    Bytes card(static_cast<std::size_t>(size_mib) << 20, 0xFF);
    std::mt19937 random(seed);
    for (std::uint8_t slot : slots) {
        for (std::size_t i = slot * 0x4C000u; i < (slot + 1u) * 0x4C000u; ++i)
            card[i] = static_cast<std::uint8_t>(random());
    }
    const Bytes catalog = make_catalog(size_mib == 8 ? 26 : 52, slots);
    std::copy(catalog.begin(), catalog.end(), card.end() - 8192);
    return card;
}

// The operation's commands, as the trace of a run without faults lists them.
std::vector<Command> ParseCommands(const std::vector<std::string>& trace) {
    std::vector<Command> commands;
    for (const std::string& line : trace) {
        std::istringstream in(line);
        Command command;
        std::string address;
        in >> command.kind >> address;
        command.address = static_cast<std::uint32_t>(std::stoul(address, nullptr, 16));
        if (command.kind == "READ") {
            std::uint32_t bytes = 0;
            in >> bytes;
            command.reads = bytes / 512;
        }
        commands.push_back(command);
    }
    return commands;
}

// Which command fails first for a fault, and whether the failure persists.
struct Failure {
    std::size_t command;
    bool persistent;
};

std::optional<Failure> FirstFailure(const std::vector<Command>& commands, FaultKind kind, std::uint64_t n) {
    std::uint64_t reads = 0, writes = 0;
    for (std::size_t c = 0; c < commands.size(); ++c) {
        const Command& command = commands[c];
        const std::uint64_t packet = c + 1;
        switch (kind) {
            case FaultKind::Packet:
                if (packet == n) return Failure{c, false};
                break;
            case FaultKind::Read:
                if (command.kind == "READ" && n > reads && n <= reads + command.reads) return Failure{c, false};
                break;
            case FaultKind::Write:
                if (command.kind == "WRITE" && n == writes + 1) return Failure{c, false};
                break;
            case FaultKind::Unplug:
                if (packet == n) {
                    const bool has_data = command.kind == "WRITE" || (command.kind == "READ" && command.reads > 0);
                    if (has_data) return Failure{c, true};
                    if (c + 1 < commands.size()) return Failure{c + 1, true};
                    return std::nullopt;
                }
                break;
        }
        if (command.kind == "READ") reads += command.reads;
        if (command.kind == "WRITE") ++writes;
    }
    return std::nullopt;
}

std::uint64_t CountOf(const std::vector<Command>& commands, FaultKind kind) {
    std::uint64_t total = 0;
    for (const Command& command : commands) {
        if (kind == FaultKind::Read)
            total += command.reads;
        else if (kind == FaultKind::Write)
            total += command.kind == "WRITE";
        else
            ++total;
    }
    return total;
}

std::vector<std::uint64_t> Sample(std::uint64_t count, std::uint64_t budget) {
    std::vector<std::uint64_t> picks;
    if (budget == 0 || count <= budget) {
        for (std::uint64_t n = 1; n <= count; ++n) picks.push_back(n);
        return picks;
    }
    // The first and last commands, where the edge cases live, and an even
    // spread in between.
    const std::uint64_t edge = std::min<std::uint64_t>(40, budget / 4);
    std::set<std::uint64_t> chosen;
    for (std::uint64_t n = 1; n <= edge; ++n) {
        chosen.insert(n);
        chosen.insert(count + 1 - n);
    }
    const std::uint64_t spread = budget - 2 * edge;
    for (std::uint64_t i = 0; i < spread; ++i) chosen.insert(edge + 1 + i * (count - 2 * edge) / spread);
    return {chosen.begin(), chosen.end()};
}

std::uint64_t BudgetFor(const std::string& op) {
    // Backups and restores send tens of thousands of commands each; they are
    // sampled. Every other operation is swept whole.
    const std::uint64_t sampled = op == "backup" || op == "restore" ? 30 : 0;
    if (const char* value = std::getenv("PIXAVON_SWEEP_BUDGET")) {
        const std::uint64_t budget = std::strtoull(value, nullptr, 10);
        return sampled == 0 ? budget : std::min(sampled, budget == 0 ? sampled : budget);
    }
    return sampled;
}

std::map<std::string, std::uint64_t>& CaseCounts() {
    static std::map<std::string, std::uint64_t> counts;
    return counts;
}

class FaultSweep : public ::testing::TestWithParam<std::tuple<std::string, int>> {};

TEST_P(FaultSweep, EveryFailureIsHandled) {
    const auto& [op_name, size_mib] = GetParam();
    const std::uint32_t unit_blocks = size_mib == 8 ? 16 : 32;
    const std::size_t card_bytes = static_cast<std::size_t>(size_mib) << 20;
    const std::size_t catalog_unit = card_bytes - unit_blocks * 512;
    const Bytes initial = MakeCard(size_mib, 1, {0, 2, 1});
    Rig rig(initial);
    const std::string bitmap = rig.dir() + "/photo.bmp";
    const std::string image = rig.dir() + "/image.bin";
    {
        WriteFileBytes(bitmap, MakeBitmap(1));
        WriteFileBytes(image, MakeCard(size_mib, 2, {4, 3}));
    }
    const std::map<std::string, Operation> operations = {
        {"load", {"load", false, false, [](const std::string&) { return GetPhotoCount() == 3 ? 1 : 0; }}},
        {"delete", {"delete", true, true, [](const std::string&) { return DeletePhoto(1); }}},
        {"upload", {"upload", true, true, [&](const std::string&) { return WriteFileToGBA(bitmap.c_str()); }}},
        {"format", {"format", true, true, [](const std::string&) { return FormatGBA(); }}},
        {"download",
         {"download", false, false,
          [](const std::string& dir) { return ReadPixavonToFile(1, (dir + "/out.bmp").c_str()); }}},
        {"backup",
         {"backup", false, false, [](const std::string& dir) { return ReadAll((dir + "/backup.bin").c_str()); }}},
        {"restore", {"restore", true, false, [&](const std::string&) { return WriteAll(image.c_str()); }}},
    };
    const Operation& op = operations.at(op_name);

    // The run without faults gives the command list and the card afterwards.
    const RunResult clean = rig.Run(op, {}, true);
    ASSERT_EQ(clean.result, 1);
    ASSERT_TRUE(clean.host.boxes.empty());
    const Bytes clean_card(rig.card().begin(), rig.card().end());
    const std::vector<std::uint32_t> clean_units = rig.UnitsChangedIn(clean_card);
    const std::size_t prep = op.name == "load" ? 0 : 1;  // the host's load before the operation
    std::vector<Command> commands = ParseCommands(clean.trace);
    commands.erase(commands.begin(), commands.begin() + static_cast<std::ptrdiff_t>(prep));
    const std::size_t write_back_start = op.writes_back_catalog ? commands.size() - 17 : commands.size();

    std::uint64_t cases = 0;
    for (FaultKind kind : {FaultKind::Packet, FaultKind::Read, FaultKind::Write, FaultKind::Unplug}) {
        for (std::uint64_t n : Sample(CountOf(commands, kind), BudgetFor(op.name))) {
            const std::optional<Failure> failure = FirstFailure(commands, kind, n);
            if (!failure) continue;
            emu::FaultPlan plan;
            const std::uint64_t prep_packets = prep, prep_reads = prep * 16;
            switch (kind) {
                case FaultKind::Packet:
                    plan.fail_packet = {prep_packets + n};
                    break;
                case FaultKind::Read:
                    plan.fail_read = {prep_reads + n};
                    break;
                case FaultKind::Write:
                    plan.fail_write = {n};
                    break;
                case FaultKind::Unplug:
                    plan.unplug_after = {prep_packets + n};
                    break;
            }
            const std::string label =
                op.name + " " + std::to_string(size_mib) + " MiB, " + Name(kind) + " " + std::to_string(n);
            const RunResult run = rig.Run(op, plan, false);
            ++cases;
            const Command& failed = commands[failure->command];
            const bool in_write_back = failure->command >= write_back_start;
            const bool format_first_erase = op.name == "format" && failure->command == write_back_start;
            const bool repaired = in_write_back && !failure->persistent && !format_first_erase;

            // Result and box.
            if (repaired) {
                EXPECT_EQ(run.result, 1) << label;
                EXPECT_TRUE(run.host.boxes.empty()) << label;
            } else {
                EXPECT_EQ(run.result, 0) << label;
                const bool card_write = failed.kind != "READ" && !format_first_erase;
                if (card_write) {
                    ASSERT_EQ(run.host.boxes.size(), 1u) << label;
                    EXPECT_EQ(run.host.boxes[0].owned, 1) << label;
                    EXPECT_EQ(run.host.boxes[0].text, "write card error,work incomplete") << label;
                } else {
                    EXPECT_TRUE(run.host.boxes.empty()) << label;
                }
            }

            // The card.
            bool catalog_may_be_lost = false;
            if (!op.changes_card ||
                (!repaired && failure->command < write_back_start && op.name != "upload" && op.name != "restore") ||
                format_first_erase) {
                EXPECT_TRUE(rig.CardIs(initial, {})) << label << ": the card changed";
            } else if (repaired || run.result == 1) {
                EXPECT_TRUE(rig.CardIs(clean_card, clean_units)) << label << ": not the card of a clean run";
            } else if (op.name == "upload") {
                // The free slot may hold part of the photo; nothing else changed
                // unless the failure persisted into the catalog's write-back.
                const std::size_t slot_start = 3 * 0x4C000u, slot_end = 4 * 0x4C000u;
                EXPECT_TRUE(rig.SameRange(initial, {}, 0, slot_start)) << label;
                EXPECT_TRUE(rig.SameRange(initial, {}, slot_end, in_write_back ? catalog_unit : card_bytes)) << label;
                catalog_may_be_lost = in_write_back;
            } else if (op.name == "restore") {
                const std::size_t unit = failed.address / unit_blocks * unit_blocks * 512u;
                EXPECT_TRUE(rig.SameRange(clean_card, clean_units, 0, unit)) << label << ": blocks before the failure";
                EXPECT_TRUE(rig.SameRange(initial, {}, unit + unit_blocks * 512u, card_bytes)) << label;
                // A restore writes the catalog too: failing inside its unit may leave none.
                catalog_may_be_lost = unit >= catalog_unit;
            } else {  // delete or format, failing for good inside the write-back
                EXPECT_TRUE(rig.SameRange(initial, {}, 0, catalog_unit)) << label;
                catalog_may_be_lost = true;
            }
            rig.ExpectUsableAgain(catalog_may_be_lost, label);
            if (::testing::Test::HasFailure()) return;
        }
    }
    CaseCounts()[op.name] += cases;
    std::printf("fault sweep: %s on %d MiB: %llu cases\n", op.name.c_str(), size_mib,
                static_cast<unsigned long long>(cases));
}

INSTANTIATE_TEST_SUITE_P(
    AllOperations, FaultSweep,
    ::testing::Combine(::testing::Values("load", "delete", "upload", "format", "download", "backup", "restore"),
                       ::testing::Values(8, 16)),
    [](const auto& info) { return std::get<0>(info.param) + "_" + std::to_string(std::get<1>(info.param)) + "MiB"; });

// The power-cut sweep: delete, upload, format and restore on both card sizes
// lose power in the middle of every command of the catalog's rewrite (with a
// block write cut after 1, 256, 257, 258 and 511 of its bytes) and of a sample of the
// rest. After each cut, in a fresh library state, rescue must find every
// picture that was on the card before the operation, pixel for pixel (a
// restore's cut slot excepted: it holds part of the old and part of the new
// picture), and its repair must leave a card whose catalog loads and lists
// every picture found.

// The library's raw ways onto the card, called in process.
class LibraryAccess : public host::CardAccess {
public:
    explicit LibraryAccess(std::string dir) : dir_(std::move(dir)) {}
    bool read(std::uint16_t address, std::uint8_t* buffer, std::uint32_t length) override {
        return ReadGBA(address, buffer, length) != 0;
    }
    bool write_block(std::uint16_t block, const std::uint8_t* data) override { return WriteGBA(block, data, 512) != 0; }

private:
    std::string dir_;
};

std::map<std::string, std::uint64_t>& CutCounts() {
    static std::map<std::string, std::uint64_t> counts;
    return counts;
}
std::uint64_t& PhotosLost() {
    static std::uint64_t lost = 0;
    return lost;
}
// How often each repair was needed: none, a catalog written, a rebuild.
std::map<host::RepairPlan, std::uint64_t>& Repairs() {
    static std::map<host::RepairPlan, std::uint64_t> repairs;
    return repairs;
}

class PowerCutSweep : public ::testing::TestWithParam<std::tuple<std::string, int>> {};

TEST_P(PowerCutSweep, RescueKeepsEveryPicture) {
    const auto& [op_name, size_mib] = GetParam();
    const std::vector<std::uint8_t> slots = {0, 2, 1};
    const Bytes initial = MakeCard(size_mib, 1, slots);
    const Bytes image = MakeCard(size_mib, 2, {4, 3});
    Rig rig(initial);
    const std::string bitmap = rig.dir() + "/photo.bmp";
    const std::string image_path = rig.dir() + "/image.bin";
    WriteFileBytes(bitmap, MakeBitmap(1));
    WriteFileBytes(image_path, image);
    const std::map<std::string, Operation> operations = {
        {"delete", {"delete", true, true, [](const std::string&) { return DeletePhoto(1); }}},
        {"upload", {"upload", true, true, [&](const std::string&) { return WriteFileToGBA(bitmap.c_str()); }}},
        {"format", {"format", true, true, [](const std::string&) { return FormatGBA(); }}},
        {"restore", {"restore", true, false, [&](const std::string&) { return WriteAll(image_path.c_str()); }}},
    };
    const Operation& op = operations.at(op_name);
    const RunResult clean = rig.Run(op, {}, true);
    ASSERT_EQ(clean.result, 1);
    std::vector<Command> commands = ParseCommands(clean.trace);
    commands.erase(commands.begin());  // the host's load
    // The catalog's rewrite: the last 17 commands of a delete, upload or
    // format; a restore writes the catalog's unit last, 32 or 16 blocks.
    const std::size_t rewrite = op.writes_back_catalog ? 17 : (size_mib == 8 ? 16 : 32) + 1;
    const std::size_t rewrite_start = commands.size() - std::min(rewrite, commands.size());

    std::set<std::uint64_t> cuts;
    for (std::size_t c = rewrite_start; c < commands.size(); ++c) cuts.insert(c + 1);
    for (std::uint64_t n : Sample(rewrite_start, 24)) cuts.insert(n);

    std::uint64_t tried = 0;
    const std::size_t card_bytes = initial.size();
    for (const std::uint64_t n : cuts) {
        const bool in_rewrite = n > rewrite_start;
        const Command& command = commands[n - 1];
        std::vector<std::uint32_t> cut_bytes = {256};
        // 257 and 258: the first block's count byte is written, its capacity byte not.
        if (in_rewrite && command.kind == "WRITE") cut_bytes = {1, 256, 257, 258, 511};
        for (const std::uint32_t bytes : cut_bytes) {
            const std::string label = op.name + " " + std::to_string(size_mib) + " MiB, power cut in command " +
                                      std::to_string(n) + " (" + command.kind + ") after " + std::to_string(bytes) +
                                      " bytes";
            emu::FaultPlan plan;
            plan.power_cut_after = n + 1;  // counted from the host's load
            plan.power_cut_bytes = bytes;
            rig.Run(op, plan, false);
            ++tried;
            const Bytes after(rig.card().begin(), rig.card().end());

            rig.PowerUp();
            Host host;
            ASSERT_EQ(pixavon::OpenDevice(&host.window), 1) << label;
            LibraryAccess access(rig.dir());
            std::string error;
            const std::optional<host::CardScan> scan = host::scan_card(
                access, 0, 0, [](std::uint32_t, std::uint32_t) { return true; }, &error);
            ASSERT_TRUE(scan) << label << ": " << error;
            ASSERT_EQ(scan->card_bytes, card_bytes) << label;

            // The restore's cut slot holds part of each picture: the one its
            // command was writing.
            std::optional<std::uint32_t> torn_slot;
            if (op.name == "restore" && command.kind != "READ") torn_slot = command.address * 512u / 0x4C000u;
            for (std::uint8_t slot = 0; slot < scan->capacity; ++slot) {
                const auto begin = initial.begin() + slot * 0x4C000u;
                const bool had = std::any_of(begin, begin + 0x4C000, [](std::uint8_t b) { return b != 0xFF; });
                if (!had || (torn_slot && *torn_slot == slot)) continue;
                const bool found = std::count(scan->found.begin(), scan->found.end(), slot) == 1;
                const auto now = scan->card.begin() + slot * 0x4C000u;
                const bool same = found && std::equal(begin, begin + 0x4C000, now);
                const auto replaced = image.begin() + slot * 0x4C000u;
                const bool restored = op.name == "restore" && std::equal(replaced, replaced + 0x4C000, now);
                if (!same && !restored) {
                    ++PhotosLost();
                    ADD_FAILURE() << label << ": the picture of slot " << int(slot) << " is lost";
                }
            }

            // Repair writes a catalog that loads and names only pictures found:
            // all of them, unless the count byte the cut left cannot take so many.
            const host::RepairPlan repair = host::plan_repair(*scan);
            ++Repairs()[repair];
            EXPECT_NE(repair, host::RepairPlan::kCannot) << label << ": the catalog cannot be repaired";
            if (repair == host::RepairPlan::kWriteCatalog || repair == host::RepairPlan::kPartial) {
                EXPECT_TRUE(host::repair_card(access, *scan, repair, &error)) << label << ": " << error;
            }
            if (repair != host::RepairPlan::kCannot) {
                const std::int32_t count = GetPhotoCount();
                const std::int32_t expected = repair == host::RepairPlan::kPartial ? scan->partial_count
                                              : repair == host::RepairPlan::kPutBack
                                                  ? after[card_bytes - 8192 + 256]
                                                  : static_cast<std::int32_t>(scan->found.size());
                EXPECT_EQ(count, expected) << label;
                EXPECT_TRUE(host.boxes.empty()) << label;
                // Only the catalog's blocks were written.
                EXPECT_TRUE(std::equal(after.begin(), after.end() - 8192, rig.card().begin())) << label;
            }
            CloseDevice();
            if (::testing::Test::HasFailure()) return;
        }
    }
    CutCounts()[op.name] += tried;
    std::printf("power-cut sweep: %s on %d MiB: %llu cut points, %llu pictures lost\n", op.name.c_str(), size_mib,
                static_cast<unsigned long long>(tried), static_cast<unsigned long long>(PhotosLost()));
}

INSTANTIATE_TEST_SUITE_P(CatalogRewrites, PowerCutSweep,
                         ::testing::Combine(::testing::Values("delete", "upload", "format", "restore"),
                                            ::testing::Values(8, 16)),
                         [](const auto& info) {
                             return std::get<0>(info.param) + "_" + std::to_string(std::get<1>(info.param)) + "MiB";
                         });

class Totals : public ::testing::Environment {
public:
    void TearDown() override {
        std::uint64_t total = 0;
        for (const auto& [name, count] : CaseCounts()) total += count;
        if (total != 0) std::printf("fault sweep: %llu cases in all\n", static_cast<unsigned long long>(total));
        std::uint64_t cuts = 0;
        for (const auto& [name, count] : CutCounts()) cuts += count;
        if (cuts != 0) {
            std::printf(
                "power-cut sweep: %llu cut points in all, %llu pictures lost; repairs: %llu none needed, %llu "
                "catalogs naming every picture written over the cut one, %llu naming as many as the cut count allows, "
                "%llu lists left naming fewer, %llu impossible\n",
                static_cast<unsigned long long>(cuts), static_cast<unsigned long long>(PhotosLost()),
                static_cast<unsigned long long>(Repairs()[host::RepairPlan::kNone]),
                static_cast<unsigned long long>(Repairs()[host::RepairPlan::kWriteCatalog]),
                static_cast<unsigned long long>(Repairs()[host::RepairPlan::kPartial]),
                static_cast<unsigned long long>(Repairs()[host::RepairPlan::kPutBack]),
                static_cast<unsigned long long>(Repairs()[host::RepairPlan::kCannot]));
        }
    }
};
const auto* const kTotals = ::testing::AddGlobalTestEnvironment(new Totals);

}  // namespace
}  // namespace pixavon::test
