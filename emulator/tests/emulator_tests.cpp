// Drives pixavon-emu through its socket with a minimal host written here, so
// the emulator is checked independently of the library's client.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "card.h"
#include "device_model.h"
#include "server.h"
#include "support/emulator_process.h"

namespace {

using pixavon::test::EmulatorOptions;
using pixavon::test::EmulatorProcess;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kMiB = 1024 * 1024;
constexpr uint8_t kRead = 0x71, kWrite = 0x72, kErase = 0x73;

Bytes packet(uint8_t code, uint16_t address) {
    Bytes p(16, 0);
    p[0] = 0x85;
    p[1] = code;
    p[3] = static_cast<uint8_t>(address);
    p[4] = static_cast<uint8_t>(address >> 8);
    return p;
}

// A card whose every byte differs from its neighbours and has bits to clear.
Bytes patterned_card(uint32_t size) {
    Bytes card(size);
    for (uint32_t i = 0; i < size; ++i) card[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return card;
}

Bytes slice(const Bytes& b, size_t offset, size_t length) {
    return Bytes(b.begin() + static_cast<long>(offset), b.begin() + static_cast<long>(offset + length));
}

EmulatorOptions options(int size_mib, bool create, std::vector<std::string> extra = {}, std::string name = "lumetta0") {
    EmulatorOptions o;
    o.size_mib = size_mib;
    o.create = create;
    o.extra_args = std::move(extra);
    o.name = std::move(name);
    return o;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A raw host: one connection speaking the frame protocol.
class Host {
public:
    explicit Host(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval timeout{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Host() { ::close(fd_); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool hello() { return connected_ && send_raw({'H'}) && recv_byte() == 'K'; }

    bool send_raw(const Bytes& bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }

    // One platform write. Returns 'K', 'E', or 0 if the connection broke.
    int write(const Bytes& message) {
        Bytes frame = {'W'};
        append_le32(frame, static_cast<uint32_t>(message.size()));
        frame.insert(frame.end(), message.begin(), message.end());
        if (!send_raw(frame)) return 0;
        return recv_byte();
    }
    bool command(uint8_t code, uint16_t address) { return write(packet(code, address)) == 'K'; }

    // One platform read; nullopt if it failed. `pieces` counts the data pieces.
    std::optional<Bytes> read(uint32_t count, size_t* pieces = nullptr) {
        Bytes frame = {'R'};
        append_le32(frame, count);
        if (!send_raw(frame)) return std::nullopt;
        Bytes data;
        size_t n_pieces = 0;
        while (data.size() < count) {
            const int kind = recv_byte();
            if (kind != 'D') {
                if (pieces != nullptr) *pieces = n_pieces;
                return std::nullopt;
            }
            Bytes header(4);
            if (!recv_exact(header)) return std::nullopt;
            const uint32_t n = header[0] | header[1] << 8 | header[2] << 16 | uint32_t{header[3]} << 24;
            if (n == 0 || n > count - data.size()) ADD_FAILURE() << "bad piece length " << n;
            if (n == 0 || n > count - data.size()) return std::nullopt;
            Bytes piece(n);
            if (!recv_exact(piece)) return std::nullopt;
            data.insert(data.end(), piece.begin(), piece.end());
            ++n_pieces;
        }
        if (pieces != nullptr) *pieces = n_pieces;
        return data;
    }

    // Reads `length` bytes after a READ command, 512 at a time.
    std::optional<Bytes> read_at(uint16_t address, uint32_t length) {
        if (!command(kRead, address)) return std::nullopt;
        Bytes all;
        for (uint32_t done = 0; done < length; done += 512) {
            std::optional<Bytes> part = read(512);
            if (!part) return std::nullopt;
            all.insert(all.end(), part->begin(), part->end());
        }
        return all;
    }

    bool write_block(uint16_t block, const Bytes& data) { return command(kWrite, block) && write(data) == 'K'; }

    // True if the device closed the connection (as opposed to staying silent).
    // A close with our bytes still unread reaches us as ECONNRESET.
    bool closed_by_device() {
        uint8_t byte = 0;
        const ssize_t got = ::recv(fd_, &byte, 1, 0);
        return got == 0 || (got < 0 && errno == ECONNRESET);
    }

private:
    static void append_le32(Bytes& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    int recv_byte() {
        Bytes b(1);
        return recv_exact(b) ? b[0] : 0;
    }
    bool recv_exact(Bytes& out) {
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t got = ::recv(fd_, out.data() + done, out.size() - done, 0);
            if (got <= 0) return false;
            done += static_cast<size_t>(got);
        }
        return true;
    }

    int fd_ = -1;
    bool connected_ = false;
};

// An emulator over a patterned 8 MiB (or 16 MiB) card, already started.
struct Camera {
    explicit Camera(std::vector<std::string> extra = {}, uint32_t mib = 8)
        : emu(options(static_cast<int>(mib), false, std::move(extra))), original(patterned_card(mib * kMiB)) {
        emu.write_card_bytes(original);
        emu.start();
    }
    EmulatorProcess emu;
    Bytes original;
};

// --- card file and start-up --------------------------------------------------

TEST(CardFile, CreatesEmptyCardOfEachSize) {
    for (int mib : {8, 16}) {
        EmulatorProcess emu(options(mib, true));
        emu.start();
        ASSERT_EQ(emu.stop(), 0);
        const Bytes card = emu.card_bytes();
        ASSERT_EQ(card.size(), uint64_t(mib) * kMiB);
        const size_t catalog = card.size() - 8192;
        EXPECT_TRUE(
            std::all_of(card.begin(), card.begin() + static_cast<long>(catalog), [](uint8_t b) { return b == 0xFF; }));
        EXPECT_EQ(
            std::string(card.begin() + static_cast<long>(catalog), card.begin() + static_cast<long>(catalog) + 19),
            "KOV PHOTO CAM IMAGE");
        EXPECT_EQ(card[catalog + 256], 0);
        EXPECT_EQ(card[catalog + 258], mib == 8 ? 26 : 52);
        EXPECT_EQ(slice(card, catalog, 8192), pixavon::test::make_catalog(mib == 8 ? 26 : 52, {}));
    }
}

TEST(CardFile, RefusesWrongSizeMissingFileAndBadUsage) {
    {
        EmulatorProcess emu;
        emu.write_card_bytes(Bytes(8 * kMiB + 1, 0xFF));
        EXPECT_THROW(emu.start(), std::runtime_error);
        EXPECT_EQ(emu.stop(), 2);
        EXPECT_NE(emu.stderr_text().find("8388609"), std::string::npos) << emu.stderr_text();
    }
    {
        EmulatorProcess emu(options(8, false));
        EXPECT_THROW(emu.start(), std::runtime_error);
        EXPECT_EQ(emu.stop(), 2);
        EXPECT_FALSE(exists(emu.card_path()));
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--fail-read", "0"},
                                                {"--fail-write", "1,x"},
                                                {"--create", "12"},
                                                {"--bogus"},
                                                {"--power-cut-after", "0"},
                                                {"--power-cut-after", "3:x"}}) {
        EmulatorProcess emu(options(8, true, bad));
        EXPECT_THROW(emu.start(), std::runtime_error);
        EXPECT_EQ(emu.stop(), 2) << bad[0];
    }
    EmulatorProcess emu(options(8, true, {}, "a/b"));
    EXPECT_THROW(emu.start(), std::runtime_error);
    EXPECT_EQ(emu.stop(), 2);
}

TEST(CardFile, CreatesPrivateDirectoryAndSocket) {
    EmulatorProcess emu;
    std::filesystem::remove(emu.device_dir());
    ::umask(022);
    emu.start();
    EXPECT_EQ(emu.socket_path(), emu.device_dir() + "/lumetta0");
    struct stat st {};
    ASSERT_EQ(::stat(emu.device_dir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::lstat(emu.socket_path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    emu.stop();

    // A directory that others can write is one the library will not look in.
    ::chmod(emu.device_dir().c_str(), 0770);
    EXPECT_THROW(emu.start(), std::runtime_error);
    EXPECT_EQ(emu.stop(), 2);
    EXPECT_NE(emu.stderr_text().find("is writable by group or others"), std::string::npos) << emu.stderr_text();
}

TEST(CardFile, DefaultDirectoryFollowsEnvironment) {
    const char* keep_dir = std::getenv("PIXAVON_DEVICE_DIR");
    const char* keep_xdg = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved_dir = keep_dir ? keep_dir : "", saved_xdg = keep_xdg ? keep_xdg : "";
    ::setenv("PIXAVON_DEVICE_DIR", "/x/dev", 1);
    ::setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(pixavon::emu::default_device_dir(), "/x/dev");
    ::setenv("PIXAVON_DEVICE_DIR", "", 1);
    EXPECT_EQ(pixavon::emu::default_device_dir(), "/run/user/7/pixavon");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(pixavon::emu::default_device_dir(), "/tmp/pixavon-" + std::to_string(::getuid()));
    keep_dir ? ::setenv("PIXAVON_DEVICE_DIR", saved_dir.c_str(), 1) : ::unsetenv("PIXAVON_DEVICE_DIR");
    if (keep_xdg) ::setenv("XDG_RUNTIME_DIR", saved_xdg.c_str(), 1);
}

// --- reads ---------------------------------------------------------------------

TEST(Reads, CatalogAddressWrapsOnSmallCardAndNotOnLarge) {
    for (uint32_t mib : {8u, 16u}) {
        Camera cam({}, mib);
        Host host(cam.emu.socket_path());
        ASSERT_TRUE(host.hello());
        EXPECT_EQ(host.read_at(0xFFE0, 8192), slice(cam.original, mib * kMiB - 8192, 8192));
        // A read that runs off the end continues at byte 0.
        Bytes expected = slice(cam.original, mib * kMiB - 256, 256);
        const Bytes head = slice(cam.original, 0, 768);
        expected.insert(expected.end(), head.begin(), head.end());
        EXPECT_EQ(host.read_at(mib == 8 ? 0x7FFF : 0xFFFF, 1024), expected);
        cam.emu.stop();
        EXPECT_EQ(cam.emu.trace_lines(),
                  (std::vector<std::string>{"READ FFE0 8192", mib == 8 ? "READ 7FFF 1024" : "READ FFFF 1024"}));
    }
}

TEST(Reads, FailWithoutCurrentReadCommand) {
    Camera cam;
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    EXPECT_FALSE(host.read(512));  // no command yet
    ASSERT_TRUE(host.write_block(0x100, Bytes(512, 0)));
    EXPECT_FALSE(host.read(512));  // after a write
    ASSERT_TRUE(host.command(kRead, 0));
    EXPECT_TRUE(host.read(512));
    ASSERT_TRUE(host.command(kErase, 0x100));
    EXPECT_FALSE(host.read(512));  // after an erase
}

TEST(Reads, ShortReadsReassemble) {
    Camera cam({"--short-reads"});
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    ASSERT_TRUE(host.command(kRead, 0x0040));
    size_t pieces = 0;
    EXPECT_EQ(host.read(32768, &pieces), slice(cam.original, 0x4000, 32768));
    EXPECT_GT(pieces, 32768u / 97);
    EXPECT_EQ(host.read(3), slice(cam.original, 0x4000 + 32768, 3));
}

// --- writes and erases -----------------------------------------------------------

TEST(Writes, ProgramOnlyClearsBitsAndFlagRewrites) {
    Camera cam;
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    Bytes data(512);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0xF0 ^ i);
    ASSERT_TRUE(host.write_block(0x0005, data));
    Bytes expected = slice(cam.original, 5 * 512, 512);
    for (size_t i = 0; i < 512; ++i) expected[i] &= data[i];
    EXPECT_EQ(host.read_at(0x000A, 512), expected);

    // Erase the unit, then a big write spanning its 16 blocks is clean...
    ASSERT_TRUE(host.command(kErase, 0x0000));
    const Bytes big(8192, 0x5A);
    ASSERT_TRUE(host.write_block(0x0000, big));
    EXPECT_EQ(host.read_at(0x0000, 8192), big);
    // ...and a write reaching one programmed block is flagged but still ANDed.
    ASSERT_TRUE(host.write_block(0x000F, Bytes(1024, 0x0F)));
    EXPECT_EQ(host.read_at(0x001E, 512), Bytes(512, 0x0A));
    ASSERT_TRUE(host.command(kWrite, 0x0020));
    EXPECT_EQ(host.write({}), 'K');  // empty data is allowed

    cam.emu.stop();
    const Bytes card = cam.emu.card_bytes();
    Bytes anded = slice(cam.original, 0x10 * 512, 512);
    for (uint8_t& b : anded) b &= 0x0F;
    EXPECT_EQ(slice(card, 0x10 * 512, 512), anded);
    EXPECT_EQ(slice(card, 0x11 * 512, 512), slice(cam.original, 0x11 * 512, 512));  // next unit untouched by the erase
    EXPECT_EQ(
        cam.emu.trace_lines(),
        (std::vector<std::string>{"WRITE 0005 512 UNERASED", "READ 000A 512", "ERASE 0000", "WRITE 0000 8192",
                                  "READ 0000 8192", "WRITE 000F 1024 UNERASED", "READ 001E 512", "WRITE 0020 0"}));
}

TEST(Writes, LargeWriteOnFreshCardStreamsAndIsClean) {
    EmulatorProcess emu(options(8, true));
    emu.start();
    Host host(emu.socket_path());
    ASSERT_TRUE(host.hello());
    Bytes data(kMiB + 100);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + (i >> 12));
    ASSERT_TRUE(host.write_block(0x0001, data));  // erased blocks of a new card count as unprogrammed
    ASSERT_TRUE(host.command(kRead, 0x0002));
    EXPECT_EQ(host.read(static_cast<uint32_t>(data.size())), data);
    emu.stop();
    EXPECT_EQ(emu.trace_lines(), (std::vector<std::string>{"WRITE 0001 1048676", "READ 0002 1048676"}));
}

TEST(Writes, OutOfRangeStoresNothing) {
    Camera cam;
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    ASSERT_TRUE(host.command(kWrite, 0x3FFF));
    EXPECT_EQ(host.write(Bytes(513, 0)), 'E');
    ASSERT_TRUE(host.command(kWrite, 0x3000));
    EXPECT_EQ(host.write(Bytes(3 * kMiB, 0)), 'E');  // consumed whole; the link stays in step
    EXPECT_FALSE(host.command(kErase, 0x4000));
    EXPECT_TRUE(host.write_block(0x3FFF, Bytes(512, 0)));  // the last block itself is fine
    cam.emu.stop();
    Bytes expected = cam.original;
    std::fill(expected.end() - 512, expected.end(), uint8_t{0});
    EXPECT_TRUE(cam.emu.card_bytes() == expected);
    EXPECT_EQ(cam.emu.trace_lines(),
              (std::vector<std::string>{"WRITE 3FFF 513 OUT-OF-RANGE", "WRITE 3000 3145728 OUT-OF-RANGE",
                                        "ERASE 4000 OUT-OF-RANGE", "WRITE 3FFF 512 UNERASED"}));
}

TEST(Writes, EraseCoversWholeUnitOfEitherCard) {
    for (uint32_t mib : {8u, 16u}) {
        Camera cam({}, mib);
        Host host(cam.emu.socket_path());
        ASSERT_TRUE(host.hello());
        const uint16_t block = mib == 8 ? 0x3FF5 : 0x7FE0;
        ASSERT_TRUE(host.command(kErase, block));
        cam.emu.stop();
        const uint32_t unit = mib == 8 ? 8192 : 16384;
        const Bytes card = cam.emu.card_bytes();
        const size_t start = mib * kMiB - unit;
        EXPECT_EQ(slice(card, start, unit), Bytes(unit, 0xFF));
        EXPECT_EQ(slice(card, start - 512, 512), slice(cam.original, start - 512, 512));
        EXPECT_EQ(cam.emu.trace_lines(), std::vector<std::string>{mib == 8 ? "ERASE 3FF5 MISALIGNED" : "ERASE 7FE0"});
    }
}

TEST(Writes, MalformedPacketsAreRefusedAndTraced) {
    Camera cam;
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    ASSERT_TRUE(host.command(kRead, 0));
    Bytes reserved = packet(kErase, 0);
    reserved[15] = 1;
    Bytes long_packet = packet(kRead, 0x1234);
    long_packet.resize(40, 0xAB);
    for (const Bytes& bad : {packet(0x74, 0), reserved, long_packet, Bytes{0x85, 0x71}, Bytes{}}) {
        EXPECT_EQ(host.write(bad), 'E');
    }
    EXPECT_FALSE(host.read(512));  // a bad packet leaves no current command
    cam.emu.stop();
    EXPECT_EQ(cam.emu.trace_lines(),
              (std::vector<std::string>{"READ 0000 0", "BADPACKET 85740000000000000000000000000000",
                                        "BADPACKET 85730000000000000000000000000001",
                                        "BADPACKET 85710034120000000000000000000000", "BADPACKET 8571", "BADPACKET"}));
}

// --- faults -----------------------------------------------------------------------

TEST(Faults, FailPacketCountsEveryPacketAcrossConnections) {
    Camera cam({"--fail-packet", "2,4"});
    {
        Host host(cam.emu.socket_path());
        ASSERT_TRUE(host.hello());
        EXPECT_EQ(host.write({1, 2, 3}), 'E');       // 1: malformed, still counted
        EXPECT_FALSE(host.command(kErase, 0x0000));  // 2: refused, nothing erased
        EXPECT_TRUE(host.command(kRead, 0x0000));    // 3
    }
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    EXPECT_FALSE(host.command(kWrite, 0x0000));  // 4: refused, so the next message is a packet
    EXPECT_EQ(host.write(Bytes(512, 0)), 'E');
    cam.emu.stop();
    EXPECT_TRUE(cam.emu.card_bytes() == cam.original);
    EXPECT_EQ(cam.emu.trace_lines(),
              (std::vector<std::string>{"BADPACKET 010203", "ERASE 0000 REFUSED", "READ 0000 0", "WRITE 0000 REFUSED",
                                        "BADPACKET 00000000000000000000000000000000"}));
}

TEST(Faults, FailReadDeliversTheBlocksBeforeItAndIsTraced) {
    for (bool short_reads : {false, true}) {
        std::vector<std::string> args = {"--fail-read", "2,3"};
        if (short_reads) args.push_back("--short-reads");
        Camera cam(args);
        Host host(cam.emu.socket_path());
        ASSERT_TRUE(host.hello());
        ASSERT_TRUE(host.command(kRead, 0x0002));
        EXPECT_FALSE(host.read(1024));                              // the first block comes, the second fails
        EXPECT_FALSE(host.read(512));                               // the third fails at once
        EXPECT_EQ(host.read(512), slice(cam.original, 1024, 512));  // the read goes on after what came
        cam.emu.stop();
        EXPECT_EQ(cam.emu.trace_lines(), std::vector<std::string>{"READ 0002 1024 FAILED"});
    }
}

TEST(Faults, FailWriteStoresNothing) {
    Camera cam({"--fail-write", "2"});
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    EXPECT_TRUE(host.write_block(0x0001, Bytes(512, 0)));
    ASSERT_TRUE(host.command(kWrite, 0x0002));
    EXPECT_EQ(host.write(Bytes(512, 0)), 'E');
    EXPECT_TRUE(host.command(kWrite, 0x0003));  // the failed data was still consumed as data
    cam.emu.stop();
    const Bytes card = cam.emu.card_bytes();
    EXPECT_EQ(slice(card, 512, 512), Bytes(512, 0));
    EXPECT_EQ(slice(card, 1024, 512), slice(cam.original, 1024, 512));
    EXPECT_EQ(cam.emu.trace_lines(),
              (std::vector<std::string>{"WRITE 0001 512 UNERASED", "WRITE 0002 512 FAILED", "WRITE 0003 0 NODATA"}));
}

TEST(Faults, UnplugAfterPacketSavesAndExits) {
    Camera cam({"--unplug-after", "2"});
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    ASSERT_TRUE(host.write_block(0x0010, Bytes(512, 0x11)));  // packet 1 and its data
    EXPECT_TRUE(host.command(kRead, 0x0000));                 // packet 2 is answered...
    EXPECT_TRUE(host.closed_by_device());                     // ...then the camera is gone
    EXPECT_EQ(cam.emu.wait_exit(5000), 0);
    EXPECT_FALSE(exists(cam.emu.socket_path()));
    Bytes expected = slice(cam.original, 0x10 * 512, 512);
    for (uint8_t& b : expected) b &= 0x11;
    EXPECT_EQ(slice(cam.emu.card_bytes(), 0x10 * 512, 512), expected);
    EXPECT_EQ(cam.emu.trace_lines(), (std::vector<std::string>{"WRITE 0010 512 UNERASED", "READ 0000 0"}));
}

TEST(Faults, PowerCutInAWriteOrAnEraseSavesWhatItLeftAndExits) {
    for (const bool erase : {false, true}) {
        Camera cam({"--power-cut-after", erase ? "2" : "2:100"});
        Host host(cam.emu.socket_path());
        ASSERT_TRUE(host.hello());
        ASSERT_TRUE(host.write_block(0x0010, Bytes(512, 0x11)));  // command 1
        if (erase) {
            EXPECT_EQ(host.write(packet(kErase, 0x0023)), 0);  // no answer: the camera died
        } else {
            ASSERT_TRUE(host.command(kWrite, 0x0020));
            EXPECT_EQ(host.write(Bytes(512, 0x00)), 0);
        }
        EXPECT_EQ(cam.emu.wait_exit(5000), 0);
        EXPECT_NE(cam.emu.stderr_text().find("power cut in command 2"), std::string::npos);
        Bytes expected = cam.original;
        for (size_t i = 0x10 * 512; i < 0x11 * 512; ++i) expected[i] &= 0x11;
        if (erase) {
            std::fill(expected.begin() + 0x20 * 512, expected.begin() + 0x28 * 512, uint8_t{0xFF});  // half the unit
        } else {
            std::fill(expected.begin() + 0x20 * 512, expected.begin() + 0x20 * 512 + 100, uint8_t{0});
        }
        EXPECT_TRUE(cam.emu.card_bytes() == expected);
        EXPECT_EQ(cam.emu.trace_lines(),
                  (std::vector<std::string>{"WRITE 0010 512 UNERASED",
                                            erase ? "ERASE 0023 POWER-CUT" : "WRITE 0020 100 POWER-CUT"}));
    }
}

// The model in process, as tests drive it: a cut set from the current command on.
TEST(DeviceModel, PowerCutInAnEraseStopsAnsweringAndLeavesHalfTheUnit) {
    using Reply = pixavon::emu::DeviceModel::Reply;
    const Bytes image = patterned_card(16 * kMiB);
    pixavon::emu::Flash flash{std::span<const uint8_t>(image)};
    std::vector<std::string> trace;
    pixavon::emu::DeviceModel model(flash, {}, [&](const std::string& line) { trace.push_back(line); });
    ASSERT_TRUE(model.connect());
    model.cut_power_at(2);
    EXPECT_EQ(model.write(packet(kErase, 0x0040)), Reply::kAccepted);
    EXPECT_EQ(model.write(packet(kErase, 0x0060)), Reply::kGone);
    EXPECT_EQ(model.write(packet(kRead, 0)), Reply::kGone);
    EXPECT_EQ(model.read(512, [](std::span<const uint8_t>) {}), Reply::kGone);
    EXPECT_FALSE(model.connect());
    Bytes expected = image;
    std::fill(expected.begin() + 0x40 * 512, expected.begin() + 0x60 * 512, uint8_t{0xFF});
    std::fill(expected.begin() + 0x60 * 512, expected.begin() + 0x70 * 512, uint8_t{0xFF});  // 16 of its 32 blocks
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash.bytes().begin()));
    EXPECT_EQ(trace, (std::vector<std::string>{"ERASE 0040", "ERASE 0060 POWER-CUT"}));
}

// --- connections and process life --------------------------------------------------

TEST(Connections, SecondHostIsTurnedAwayWhileOneIsServed) {
    Camera cam;
    auto first = std::make_unique<Host>(cam.emu.socket_path());
    ASSERT_TRUE(first->hello());
    {
        Host second(cam.emu.socket_path());
        EXPECT_FALSE(second.hello());
    }
    ASSERT_TRUE(first->command(kRead, 0));  // the first is still served
    EXPECT_EQ(first->read(512), slice(cam.original, 0, 512));
    first.reset();
    Host third(cam.emu.socket_path());
    EXPECT_TRUE(third.hello());
}

TEST(Connections, ProtocolErrorsCloseTheConnection) {
    Camera cam;
    {
        Host host(cam.emu.socket_path());
        ASSERT_TRUE(host.send_raw({'W'}));  // no hello first
        EXPECT_TRUE(host.closed_by_device());
    }
    Host host(cam.emu.socket_path());
    ASSERT_TRUE(host.hello());
    ASSERT_TRUE(host.send_raw({'X'}));
    EXPECT_TRUE(host.closed_by_device());
}

TEST(Connections, SigtermAndKillKeepAcknowledgedData) {
    for (int signal : {SIGTERM, SIGKILL}) {
        Camera cam;
        {
            Host host(cam.emu.socket_path());
            ASSERT_TRUE(host.hello());
            ASSERT_TRUE(host.command(kErase, 0x0100));
            ASSERT_TRUE(host.write_block(0x0100, Bytes(512, 0x42)));
            ::kill(cam.emu.pid(), signal);
            EXPECT_EQ(cam.emu.wait_exit(5000), signal == SIGTERM ? 0 : -SIGKILL);
        }
        EXPECT_EQ(exists(cam.emu.socket_path()), signal == SIGKILL);
        EXPECT_EQ(slice(cam.emu.card_bytes(), 0x100 * 512, 512), Bytes(512, 0x42));
        if (signal == SIGKILL) cam.emu.start();  // a stale entry left by a crash is replaced
    }
}

// --- the server embedded in a thread ----------------------------------------------

struct InProcess : ::testing::Test {
    void SetUp() override {
        dir = (std::filesystem::temp_directory_path() / ("pixavon-emu-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(InProcess, StopFromAnotherThreadMidFrameAndRefuseLiveEntry) {
    pixavon::emu::Card card = pixavon::emu::Card::open(dir + "/card.bin", 8);
    pixavon::emu::Server server(card, {.socket_path = dir + "/cam", .trace_path = "", .faults = {}});
    EXPECT_THROW(pixavon::emu::Server(card, {.socket_path = dir + "/cam", .trace_path = "", .faults = {}}),
                 pixavon::emu::SetupError);
    std::thread runner([&] { EXPECT_EQ(server.run(), pixavon::emu::Server::Outcome::kStopped); });
    Host host(dir + "/cam");
    ASSERT_TRUE(host.hello());
    ASSERT_TRUE(host.send_raw({'W', 16, 0}));  // half a frame header
    server.request_stop();
    runner.join();
    EXPECT_FALSE(exists(dir + "/cam"));
    EXPECT_TRUE(host.closed_by_device());
}

}  // namespace
