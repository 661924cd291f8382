// The POSIX platform against a kernel that misbehaves: the table of system
// calls is replaced by one that passes each call on to the real one, except
// for one call of the row, which it interrupts, cuts short, fails, or answers
// as a changed directory, another user or a late clock would. Every row runs
// one operation and checks its answer, the data it moved, and that every
// descriptor it opened was closed again.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cardimage/card_image.h"
#include "catalog/catalog.h"
#include "device/device.h"
#include "frame/library_state.h"
#include "photo/image_format.h"
#include "photo/transfer.h"
#include "platform/platform.h"
#include "platform/posix/posix_parts.h"
#include "platform/posix/system_calls.h"
#include "support/test_data.h"
#include "unit/fake_platform.h"

namespace pixavon::test {
namespace {

using posix::RealSystemCalls;

enum class Call {
    Open,
    Openat,
    Close,
    Dup,
    Read,
    Write,
    Writev,
    Lseek,
    Fstat,
    Fstatat,
    Stat,
    Unlink,
    Fdopendir,
    Readdir,
    Closedir,
    Socket,
    Connect,
    Setsockopt,
    Getsockopt,
    Recv,
    Sendmsg,
    Poll,
    ClockGettime,
    Nanosleep,
    Geteuid,
};

enum class Effect {
    Fail,   // -1 with errno `value`
    Short,  // moves at most `value` bytes (getsockopt: answers `value` bytes)
    Zero,   // returns 0: end of stream, nothing taken, poll's timeout
    Uid,    // the peer, the directory's owner or the user is `value`
    Mode,   // fstat or fstatat reports file type and permissions `value`
    Late,   // the clock jumps an hour ahead, past every deadline
};

enum class Scenario {
    OpenSocket,   // the device directory, with odd entries and two socket cameras
    OpenChar,     // the device directory with a character device
    SocketWrite,  // a 600-byte write to a socket camera
    SocketRead,   // a 1024-byte read from a socket camera, in two pieces
    CharWrite,    // a 600-byte write to a character device
    CharRead,     // a 1024-byte read from a character device
    HostFile,     // create, write 64 KiB, size, seek, read back, close
    Remove,       // remove a host file
    Sleep,        // the pause after a read packet
    SavePhoto,    // ReadPixavonToFile
    Upload,       // WriteFileToGBA
    Backup,       // ReadAll
    Restore,      // WriteAll
};

struct Row {
    Scenario scenario;
    Call call;
    // The row's call is the nth of its kind (and name, if given) once the
    // operation starts; a negative number -n is every call from the nth on.
    int nth;
    Effect effect;
    long value;
    bool succeeds;
    const char* name = nullptr;  // openat and fstatat: only calls on this entry count
};

// The world the fake table shows: the row to inject, and the camera that
// socket() and openat() hand over.
struct Injector {
    const Row* row = nullptr;
    bool armed = false;
    int hits = 0;
    std::set<int> open_fds;  // handed out through the table and not yet closed
    int camera_fd = -1;      // the host's end of the camera, until it is handed out
    bool character_device = false;
    int char_fd = -1;
    std::string connected_to;
    long long clock_shift_ns = 0;
    int calls(Call c) const { return counts[static_cast<int>(c)]; }
    int counts[32] = {};
};
Injector* g_injector = nullptr;

// The user the tests run as, whatever the process's real one: the owner of
// every directory and the peer of every socket unless a row says otherwise.
constexpr uid_t kUser = 4242;

// True when this call is the row's: the row's effect applies to it.
bool Hit(Call call, const char* name = nullptr) {
    Injector& in = *g_injector;
    ++in.counts[static_cast<int>(call)];
    if (!in.armed || in.row->call != call) return false;
    if (in.row->name != nullptr && (name == nullptr || std::strcmp(in.row->name, name) != 0)) return false;
    ++in.hits;
    return in.row->nth < 0 ? in.hits >= -in.row->nth : in.hits == in.row->nth;
}

// Applies Fail and Zero; true when the call returns `*result` at once.
template <typename T>
bool Refuse(T* result) {
    const Row& row = *g_injector->row;
    if (row.effect == Effect::Fail) {
        errno = static_cast<int>(row.value);
        *result = -1;
        return true;
    }
    if (row.effect == Effect::Zero) {
        *result = 0;
        return true;
    }
    return false;
}

std::size_t Cut(std::size_t length) {
    return g_injector->row->effect == Effect::Short ? std::min<std::size_t>(length, g_injector->row->value) : length;
}

int Track(int fd) {
    if (fd >= 0) g_injector->open_fds.insert(fd);
    return fd;
}

int HandOverCamera() {
    const int fd = g_injector->camera_fd;
    g_injector->camera_fd = -1;
    return Track(fd);
}

const posix::SystemCalls kFaulty = {
    [](const char* path, int flags, mode_t mode) {
        int r;
        if (Hit(Call::Open) && Refuse(&r)) return r;
        return Track(RealSystemCalls().open(path, flags, mode));
    },
    [](int dir_fd, const char* name, int flags, mode_t mode) {
        int r;
        if (Hit(Call::Openat, name) && Refuse(&r)) return r;
        if (g_injector->character_device && std::strcmp(name, "cam0") == 0 && g_injector->camera_fd >= 0) {
            g_injector->char_fd = g_injector->camera_fd;
            return HandOverCamera();
        }
        return Track(RealSystemCalls().openat(dir_fd, name, flags, mode));
    },
    [](int fd) {
        const bool hit = Hit(Call::Close);
        g_injector->open_fds.erase(fd);
        if (fd == g_injector->char_fd) g_injector->char_fd = -1;
        const int r = RealSystemCalls().close(fd);  // released even when it reports an error
        if (hit) {
            errno = static_cast<int>(g_injector->row->value);
            return -1;
        }
        return r;
    },
    [](int fd) {
        int r;
        if (Hit(Call::Dup) && Refuse(&r)) return r;
        return Track(RealSystemCalls().dup(fd));
    },
    [](int fd, void* data, size_t length) {
        ssize_t r;
        if (Hit(Call::Read)) {
            if (Refuse(&r)) return r;
            length = Cut(length);
        }
        return RealSystemCalls().read(fd, data, length);
    },
    [](int fd, const void* data, size_t length) {
        ssize_t r;
        if (Hit(Call::Write)) {
            if (Refuse(&r)) return r;
            length = Cut(length);
        }
        return RealSystemCalls().write(fd, data, length);
    },
    [](int fd, const struct iovec* parts, int count) {
        ssize_t r;
        if (Hit(Call::Writev)) {
            if (Refuse(&r)) return r;
            return RealSystemCalls().write(fd, parts[0].iov_base, Cut(parts[0].iov_len));
        }
        return RealSystemCalls().writev(fd, parts, count);
    },
    [](int fd, off_t offset, int whence) {
        off_t r;
        if (Hit(Call::Lseek) && Refuse(&r)) return r;
        return RealSystemCalls().lseek(fd, offset, whence);
    },
    [](int fd, struct stat* info) {
        int r;
        const bool hit = Hit(Call::Fstat);
        if (hit && Refuse(&r)) return r;
        r = RealSystemCalls().fstat(fd, info);
        if (S_ISDIR(info->st_mode)) info->st_uid = kUser;
        if (fd == g_injector->char_fd) info->st_mode = S_IFCHR | 0600;
        if (hit && g_injector->row->effect == Effect::Uid) info->st_uid = static_cast<uid_t>(g_injector->row->value);
        if (hit && g_injector->row->effect == Effect::Mode) info->st_mode = static_cast<mode_t>(g_injector->row->value);
        return r;
    },
    [](int dir_fd, const char* name, struct stat* info, int flags) {
        int r;
        const bool hit = Hit(Call::Fstatat, name);
        if (hit && Refuse(&r)) return r;
        r = RealSystemCalls().fstatat(dir_fd, name, info, flags);
        if (g_injector->character_device && std::strcmp(name, "cam0") == 0) info->st_mode = S_IFCHR | 0600;
        if (hit && g_injector->row->effect == Effect::Mode) info->st_mode = static_cast<mode_t>(g_injector->row->value);
        return r;
    },
    [](const char* path, struct stat* info) {
        int r;
        const bool hit = Hit(Call::Stat);
        if (hit && Refuse(&r)) return r;
        r = RealSystemCalls().stat(path, info);
        if (hit && g_injector->row->effect == Effect::Mode) info->st_mode = static_cast<mode_t>(g_injector->row->value);
        return r;
    },
    [](const char* path) {
        int r;
        if (Hit(Call::Unlink) && Refuse(&r)) return r;
        return RealSystemCalls().unlink(path);
    },
    [](int fd) -> DIR* {
        if (Hit(Call::Fdopendir)) {
            errno = static_cast<int>(g_injector->row->value);
            return nullptr;
        }
        return RealSystemCalls().fdopendir(fd);
    },
    [](DIR* listing) {
        Hit(Call::Readdir);
        return RealSystemCalls().readdir(listing);
    },
    [](DIR* listing) {
        Hit(Call::Closedir);
        g_injector->open_fds.erase(::dirfd(listing));
        return RealSystemCalls().closedir(listing);
    },
    [](int domain, int type, int protocol) {
        int r;
        if (Hit(Call::Socket) && Refuse(&r)) return r;
        return g_injector->camera_fd >= 0 ? HandOverCamera() : Track(RealSystemCalls().socket(domain, type, protocol));
    },
    [](int, const struct sockaddr* address, socklen_t) {
        int r;
        if (Hit(Call::Connect) && Refuse(&r)) return r;
        g_injector->connected_to = reinterpret_cast<const struct sockaddr_un*>(address)->sun_path;
        return 0;
    },
    [](int fd, int level, int name, const void* value, socklen_t size) {
        Hit(Call::Setsockopt);
        return RealSystemCalls().setsockopt(fd, level, name, value, size);
    },
    [](int fd, int level, int name, void* value, socklen_t* size) {
        int r;
        const bool hit = Hit(Call::Getsockopt);
        if (hit && Refuse(&r)) return r;
        r = RealSystemCalls().getsockopt(fd, level, name, value, size);
        if (level == SOL_SOCKET && name == SO_PEERCRED) {
            const bool other = hit && g_injector->row->effect == Effect::Uid;
            static_cast<struct ucred*>(value)->uid = other ? static_cast<uid_t>(g_injector->row->value) : kUser;
        }
        if (hit && g_injector->row->effect == Effect::Short) *size = static_cast<socklen_t>(g_injector->row->value);
        return r;
    },
    [](int fd, void* data, size_t length, int flags) {
        ssize_t r;
        if (Hit(Call::Recv)) {
            if (Refuse(&r)) return r;
            length = Cut(length);
        }
        return RealSystemCalls().recv(fd, data, length, flags);
    },
    [](int fd, const struct msghdr* message, int flags) {
        ssize_t r;
        if (Hit(Call::Sendmsg)) {
            if (Refuse(&r)) return r;
            struct iovec first = message->msg_iov[0];
            first.iov_len = Cut(first.iov_len);
            struct msghdr cut = *message;
            cut.msg_iov = &first;
            cut.msg_iovlen = 1;
            return RealSystemCalls().sendmsg(fd, &cut, flags);
        }
        return RealSystemCalls().sendmsg(fd, message, flags);
    },
    [](struct pollfd* fds, nfds_t count, int timeout_ms) {
        int r;
        if (Hit(Call::Poll) && Refuse(&r)) return r;
        return RealSystemCalls().poll(fds, count, timeout_ms);
    },
    [](clockid_t clock, struct timespec* now) {
        if (Hit(Call::ClockGettime)) g_injector->clock_shift_ns += 3600LL * 1000000000LL;
        const int r = RealSystemCalls().clock_gettime(clock, now);
        const long long ns = now->tv_sec * 1000000000LL + now->tv_nsec + g_injector->clock_shift_ns;
        now->tv_sec = static_cast<time_t>(ns / 1000000000LL);
        now->tv_nsec = static_cast<long>(ns % 1000000000LL);
        return r;
    },
    [](const struct timespec* wanted, struct timespec* left) {
        int r;
        if (Hit(Call::Nanosleep) && Refuse(&r)) {
            *left = *wanted;
            return r;
        }
        return RealSystemCalls().nanosleep(wanted, left);
    },
    []() -> uid_t { return Hit(Call::Geteuid) ? static_cast<uid_t>(g_injector->row->value) : kUser; },
};

// A plain file whose name is too long for a socket's address.
const std::string kLongName = "b-" + std::string(120, 'x');

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
    return bytes;
}

void Send(int fd, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

std::vector<std::uint8_t> Received(int fd) {
    std::vector<std::uint8_t> bytes(1 << 16);
    const ssize_t got = ::recv(fd, bytes.data(), bytes.size(), MSG_DONTWAIT);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

std::vector<std::uint8_t> Frame(std::uint8_t kind, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> frame = {kind};
    const auto size = static_cast<std::uint32_t>(payload.size());
    for (int shift = 0; shift < 32; shift += 8) frame.push_back(static_cast<std::uint8_t>(size >> shift));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

// Runs one row: sets up its scenario with the real calls, then arms the
// injector for the operation itself. Returns whether the operation succeeded
// (checking along the way that a success moved the right bytes and that a
// failure was answered as the library's contract says).
// A device directory and a camera behind the fake table.
class FakeKernel : public ::testing::Test {
protected:
    void SetUp() override {
        g_injector = &injector_;
        previous_ = posix::InstallSystemCalls(&kFaulty);
        dir_ = temp_.Path("devices");
        std::filesystem::create_directory(dir_);
        ::chmod(dir_.c_str(), 0700);
    }
    void TearDown() override {
        posix::InstallSystemCalls(previous_);
        g_injector = nullptr;
        if (camera_ >= 0) ::close(camera_);
        if (injector_.camera_fd >= 0) ::close(injector_.camera_fd);
    }

    // The device directory: odd entries (a file, a folder, a pipe, a link to
    // a camera) and the cameras cam0 and cam1 (sockets), or cam0 alone as a
    // character device.
    void MakeDeviceDirectory(bool character_device) {
        std::filesystem::create_directory(dir_ + "/a-folder");
        WriteFileBytes(dir_ + "/a-file", {1});
        ASSERT_EQ(::mkfifo((dir_ + "/a-pipe").c_str(), 0600), 0);
        std::filesystem::create_symlink(dir_ + "/cam0", dir_ + "/a-link");
        WriteFileBytes(dir_ + "/" + kLongName, {});
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        injector_.camera_fd = ends[0];
        camera_ = ends[1];
        injector_.character_device = character_device;
        if (character_device) {
            WriteFileBytes(dir_ + "/cam0", {});
            return;
        }
        for (const char* name : {"cam0", "cam1"}) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            struct sockaddr_un address {};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s/%s", dir_.c_str(), name);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
        }
    }

    void* OpenCamera(bool character_device) {
        MakeDeviceDirectory(character_device);
        if (!character_device) Send(camera_, {'K'});
        void* device = posix::OpenFirstDeviceIn(dir_);
        if (device != nullptr && !character_device) {
            EXPECT_EQ(Received(camera_), std::vector<std::uint8_t>{'H'});
        }
        return device;
    }

    void Arm() { injector_.armed = true; }

    Injector injector_;
    const posix::SystemCalls* previous_ = nullptr;
    TempDir temp_;
    std::string dir_;
    int camera_ = -1;
    std::uint8_t got_back_[512] = {};
};

class SystemCallFaults : public FakeKernel, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override {
        injector_.row = &GetParam();
        FakeKernel::SetUp();
    }
    bool Run();
    bool RunLibrary();
};

bool SystemCallFaults::Run() {
    const Row& row = GetParam();
    Platform& platform = DefaultPlatform();
    switch (row.scenario) {
        case Scenario::OpenSocket:
        case Scenario::OpenChar: {
            const bool character = row.scenario == Scenario::OpenChar;
            MakeDeviceDirectory(character);
            if (!character) Send(camera_, {'K'});
            Arm();
            void* device = posix::OpenFirstDeviceIn(dir_);
            injector_.armed = false;
            if (device == nullptr) return false;
            if (!character) {
                EXPECT_EQ(Received(camera_), std::vector<std::uint8_t>{'H'});
                // Through the checked directory's descriptor where /proc shows it.
                const std::string& to = injector_.connected_to;
                EXPECT_EQ(to.rfind(row.call == Call::Stat ? dir_ : std::string("/proc/self/fd/"), 0), 0u) << to;
                EXPECT_EQ(to.substr(to.rfind('/') + 1), row.call == Call::Fstatat ? "cam1" : "cam0");
            }
            EXPECT_TRUE(posix::CloseDeviceHandle(device));
            return true;
        }
        case Scenario::SocketWrite:
        case Scenario::CharWrite: {
            const bool character = row.scenario == Scenario::CharWrite;
            void* device = OpenCamera(character);
            if (device == nullptr) return ADD_FAILURE(), false;
            const auto data = Pattern(600, 1);
            if (!character) Send(camera_, {'K'});
            Arm();
            const bool ok = posix::WriteDeviceHandle(device, data.data(), 600);
            injector_.armed = false;
            if (ok) {
                EXPECT_EQ(Received(camera_), character ? data : Frame('W', data));
            }
            if (!ok && !character) {  // the stream lost its place: the handle refuses further transfers
                EXPECT_FALSE(posix::WriteDeviceHandle(device, data.data(), 600));
                EXPECT_FALSE(posix::ReadDeviceHandle(device, got_back_, 512));
            }
            posix::CloseDeviceHandle(device);
            return ok;
        }
        case Scenario::SocketRead:
        case Scenario::CharRead: {
            const bool character = row.scenario == Scenario::CharRead;
            void* device = OpenCamera(character);
            if (device == nullptr) return ADD_FAILURE(), false;
            const auto data = Pattern(1024, 2);
            if (character) {
                Send(camera_, data);
            } else {
                auto frames = Frame('D', {data.begin(), data.begin() + 300});
                const auto rest = Frame('D', {data.begin() + 300, data.end()});
                frames.insert(frames.end(), rest.begin(), rest.end());
                Send(camera_, frames);
            }
            std::vector<std::uint8_t> got(1024);
            Arm();
            const bool ok = posix::ReadDeviceHandle(device, got.data(), 1024);
            injector_.armed = false;
            if (ok) {
                EXPECT_EQ(got, data);
            }
            if (ok && !character) {
                EXPECT_EQ(Received(camera_), (std::vector<std::uint8_t>{'R', 0, 4, 0, 0}));
            }
            posix::CloseDeviceHandle(device);
            return ok;
        }
        case Scenario::HostFile: {
            const std::string path = temp_.Path("host.bin");
            const auto data = Pattern(65536, 3);
            std::vector<std::uint8_t> back(65536);
            std::uint64_t size = 0;
            std::uint32_t got = 0;
            Arm();
            HostFile* file = platform.open_file(path.c_str(), FileMode::CreateReadWrite);
            if (file == nullptr) return false;
            bool ok = platform.write_file(file, data.data(), 65536);
            ok = platform.file_size(file, &size) && ok;
            ok = platform.seek_file(file, 0) && ok;
            ok = platform.read_file(file, back.data(), 65536, &got) && ok;
            ok = platform.close_file(file) && ok;
            return ok && size == 65536 && got == 65536 && back == data;
        }
        case Scenario::Remove: {
            const std::string path = temp_.Path("gone.bin");
            WriteFileBytes(path, {1});
            Arm();
            return platform.remove_file(path.c_str()) && !std::filesystem::exists(path);
        }
        case Scenario::Sleep: {
            Arm();
            platform.sleep_ms(1);
            return injector_.calls(Call::Nanosleep) >= 1;
        }
        default:
            return RunLibrary();
    }
}

// The library's operations on the fake's camera, with the real host files.
bool SystemCallFaults::RunLibrary() {
    const Row& row = GetParam();
    FakePlatform fake;
    fake.Install();
    fake.card.assign(8u << 20, 0xFF);
    fake.card[0x4C000 + 5] = 0x12;  // something in slot 1
    PlaceCatalog(fake, MakeCatalog(26, {1}));
    OpenDevice(TestWindow());
    GetPhotoCount();
    const std::string path = temp_.Path("file.bin");
    const auto card_before = fake.card;
    int result = 0;
    // The three moves of the file's size query.
    const bool size_unknown =
        row.scenario == Scenario::Restore && row.call == Call::Lseek && row.nth >= 1 && row.nth <= 3;
    switch (row.scenario) {
        case Scenario::SavePhoto:
            Arm();
            result = ReadPixavonToFile(0, path.c_str());
            injector_.armed = false;
            // A saved photo is whole, and a failed one leaves no file.
            EXPECT_EQ(std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0u,
                      result == 1 ? kPhotoFileSize : 0u);
            break;
        case Scenario::Upload:
            WriteFileBytes(path, MakeBitmap(7));
            Arm();
            result = WriteFileToGBA(path.c_str());
            injector_.armed = false;
            if (result == 0) {  // the card untouched
                EXPECT_TRUE(fake.CommandsOfKind("WRITE").empty());
            }
            break;
        case Scenario::Backup:
            Arm();
            result = ReadAll(path.c_str());
            injector_.armed = false;
            if (result == 1) {
                EXPECT_EQ(ReadFileBytes(path), fake.card);
            }
            break;
        case Scenario::Restore: {
            auto image = fake.card;
            image[5] = 0x56;                // the first batch
            image[0x4C000 * 2 + 9] = 0x34;  // a picture in slot 2 as well
            WriteFileBytes(path, image);
            Arm();
            result = WriteAll(path.c_str());
            injector_.armed = false;
            // Every block that could be read is on the card; the one that
            // could not stays erased.
            std::size_t differing = 0;
            for (std::size_t i = 0; i < image.size(); ++i) differing += fake.card[i] != image[i] ? 1 : 0;
            EXPECT_EQ(differing == 0, result == 1);
            if (size_unknown) {  // nothing is sent before the image's size is known, and no box is shown
                EXPECT_EQ(fake.card, card_before);
            } else {
                EXPECT_EQ(fake.card[5], 0x56);
            }
            break;
        }
        default:
            ADD_FAILURE() << "not a library scenario";
    }
    // A host file that failed is told in one file box; a success shows none.
    EXPECT_EQ(fake.boxes.size(), result == 1 || size_unknown ? 0u : 1u);
    if (!fake.boxes.empty()) {
        EXPECT_EQ(fake.boxes[0].text, "Open(Create) File Failed...");
    }
    if (row.scenario != Scenario::Upload && row.scenario != Scenario::Restore) {
        EXPECT_EQ(fake.card, card_before);
    }
    CloseDevice();
    return result == 1;
}

TEST_P(SystemCallFaults, AreAnsweredAsTheContractSaysAndLeakNothing) {
    const Row& row = GetParam();
    EXPECT_EQ(Run(), row.succeeds);
    EXPECT_GE(injector_.hits, std::abs(row.nth)) << "the row's call was never made";
    EXPECT_TRUE(injector_.open_fds.empty()) << injector_.open_fds.size() << " descriptors left open";
}

constexpr long kOtherUser = 65534;
constexpr long kSocket = S_IFSOCK | 0600;
using S = Scenario;
using C = Call;
using E = Effect;

const Row kRows[] = {
    // The device directory and what is in it.
    {S::OpenSocket, C::Open, 1, E::Fail, EINTR, true},
    {S::OpenSocket, C::Open, 1, E::Fail, ENOENT, false},
    {S::OpenSocket, C::Fstat, 1, E::Fail, EIO, false},
    {S::OpenSocket, C::Fstat, 1, E::Uid, kOtherUser, false},       // someone else's directory
    {S::OpenSocket, C::Fstat, 1, E::Mode, S_IFDIR | 0770, false},  // others may plant cameras
    {S::OpenSocket, C::Geteuid, 1, E::Uid, kOtherUser, false},
    {S::OpenSocket, C::Dup, 1, E::Fail, EMFILE, false},
    {S::OpenSocket, C::Fdopendir, 1, E::Fail, ENOMEM, false},
    {S::OpenSocket, C::Fstatat, 1, E::Fail, ENOENT, true, "cam0"},                // cam0 went while listing: cam1
    {S::OpenSocket, C::Fstatat, 2, E::Fail, ENOENT, false, "cam0"},               // cam0 went after the listing
    {S::OpenSocket, C::Fstatat, 2, E::Mode, S_IFREG | 0600, false, "cam0"},       // replaced by a file
    {S::OpenSocket, C::Fstatat, 2, E::Mode, S_IFCHR | 0600, false, "cam0"},       // turned into a device
    {S::OpenSocket, C::Stat, 1, E::Fail, ENOENT, true},                           // no /proc: the directory's path
    {S::OpenSocket, C::Stat, 1, E::Mode, S_IFREG | 0444, true},                   // a /proc without descriptors
    {S::OpenSocket, C::Fstatat, -1, E::Mode, kSocket, false, kLongName.c_str()},  // no address holds its name
    {S::OpenSocket, C::Socket, 1, E::Fail, EMFILE, false},
    {S::OpenSocket, C::Connect, 1, E::Fail, EINTR, true},
    {S::OpenSocket, C::Connect, 1, E::Fail, ECONNREFUSED, false},
    {S::OpenSocket, C::Getsockopt, 1, E::Fail, ENOTSOCK, false},
    {S::OpenSocket, C::Getsockopt, 1, E::Short, 4, false},
    {S::OpenSocket, C::Getsockopt, 1, E::Uid, kOtherUser, false},  // a peer of another user
    {S::OpenSocket, C::Getsockopt, 1, E::Uid, 0, true},            // root's driver
    {S::OpenSocket, C::Sendmsg, 1, E::Fail, EPIPE, false},         // the hello
    {S::OpenSocket, C::Recv, 1, E::Zero, 0, false},                // a busy camera hangs up
    {S::OpenSocket, C::Recv, 1, E::Fail, EINTR, true},
    {S::OpenSocket, C::ClockGettime, 2, E::Late, 0, false},
    {S::OpenChar, C::Openat, 1, E::Fail, EINTR, true, "cam0"},
    {S::OpenChar, C::Openat, 1, E::Fail, EACCES, false, "cam0"},
    {S::OpenChar, C::Fstat, 2, E::Fail, EIO, false},
    {S::OpenChar, C::Fstat, 2, E::Mode, S_IFREG | 0600, false},  // swapped for a file after the look
    // Writes: a packet or a command's data.
    {S::CharWrite, C::Writev, 1, E::Fail, EINTR, true},
    {S::CharWrite, C::Writev, 1, E::Fail, EAGAIN, true},
    {S::CharWrite, C::Writev, 1, E::Short, 100, true},
    {S::CharWrite, C::Writev, 1, E::Zero, 0, false},
    {S::CharWrite, C::Writev, 1, E::Fail, EIO, false},
    {S::CharWrite, C::Poll, 1, E::Fail, EINTR, true},
    {S::CharWrite, C::Poll, 1, E::Zero, 0, true},  // woke early: waits on
    {S::CharWrite, C::Poll, 1, E::Fail, ENOMEM, false},
    {S::CharWrite, C::ClockGettime, 2, E::Late, 0, false},  // the deadline ran out
    {S::SocketWrite, C::Sendmsg, 1, E::Fail, EINTR, true},
    {S::SocketWrite, C::Sendmsg, 1, E::Fail, EAGAIN, true},
    {S::SocketWrite, C::Sendmsg, 1, E::Short, 3, true},  // inside the frame's header
    {S::SocketWrite, C::Sendmsg, 1, E::Short, 5, true},  // the header exactly
    {S::SocketWrite, C::Sendmsg, 1, E::Fail, EPIPE, false},
    {S::SocketWrite, C::Recv, 1, E::Fail, ECONNRESET, false},
    {S::SocketWrite, C::Recv, 1, E::Zero, 0, false},
    {S::SocketWrite, C::ClockGettime, 3, E::Late, 0, false},
    // Reads: all of a command's data.
    {S::CharRead, C::Read, 1, E::Fail, EINTR, true},
    {S::CharRead, C::Read, 1, E::Fail, EAGAIN, true},
    {S::CharRead, C::Read, 1, E::Short, 1, true},
    {S::CharRead, C::Read, 1, E::Zero, 0, false},
    {S::CharRead, C::Read, 1, E::Fail, EIO, false},
    {S::CharRead, C::ClockGettime, 2, E::Late, 0, false},
    {S::SocketRead, C::Sendmsg, 1, E::Fail, EPIPE, false},
    {S::SocketRead, C::Recv, 1, E::Fail, EINTR, true},
    {S::SocketRead, C::Recv, 1, E::Fail, EAGAIN, true},
    {S::SocketRead, C::Recv, 3, E::Short, 7, true},  // part of the first piece
    {S::SocketRead, C::Recv, 1, E::Zero, 0, false},
    {S::SocketRead, C::Recv, 2, E::Fail, ECONNRESET, false},  // the piece's size
    {S::SocketRead, C::Recv, 3, E::Fail, EIO, false},         // the piece's bytes
    {S::SocketRead, C::ClockGettime, 4, E::Late, 0, false},
    // Host files.
    {S::HostFile, C::Open, 1, E::Fail, EINTR, true},
    {S::HostFile, C::Open, 1, E::Fail, EACCES, false},
    {S::HostFile, C::Fstat, 1, E::Fail, EIO, false},
    {S::HostFile, C::Fstat, 1, E::Mode, S_IFDIR | 0700, false},
    {S::HostFile, C::Write, 1, E::Fail, EINTR, true},
    {S::HostFile, C::Write, 1, E::Short, 1000, true},
    {S::HostFile, C::Write, 1, E::Zero, 0, false},
    {S::HostFile, C::Write, 1, E::Fail, ENOSPC, false},
    {S::HostFile, C::Lseek, 1, E::Fail, EIO, false},
    {S::HostFile, C::Lseek, 2, E::Fail, EIO, false},
    {S::HostFile, C::Lseek, 3, E::Fail, EIO, false},
    {S::HostFile, C::Lseek, 4, E::Fail, EIO, false},
    {S::HostFile, C::Read, 1, E::Fail, EINTR, true},
    {S::HostFile, C::Read, 1, E::Short, 10, true},
    {S::HostFile, C::Read, 1, E::Zero, 0, false},
    {S::HostFile, C::Read, 1, E::Fail, EIO, false},
    {S::HostFile, C::Close, 1, E::Fail, EIO, false},  // a delayed write error
    {S::Remove, C::Unlink, 1, E::Fail, EBUSY, false},
    {S::Sleep, C::Nanosleep, 1, E::Fail, EINTR, true},
    {S::Sleep, C::Nanosleep, 1, E::Fail, EINVAL, true},
    // The library's answers to failing host files.
    {S::SavePhoto, C::Open, 1, E::Fail, EACCES, false},
    {S::SavePhoto, C::Write, 1, E::Fail, ENOSPC, false},
    {S::SavePhoto, C::Write, 1, E::Short, 4096, true},
    {S::SavePhoto, C::Close, 1, E::Fail, EIO, false},
    {S::Upload, C::Read, 1, E::Fail, EIO, false},
    {S::Upload, C::Read, 1, E::Fail, EINTR, true},
    {S::Upload, C::Lseek, 1, E::Fail, EIO, false},  // its size
    {S::Upload, C::Lseek, 4, E::Fail, EIO, false},  // to its pixels
    {S::Upload, C::Read, 2, E::Zero, 0, false},     // cut short
    {S::Backup, C::Write, 3, E::Fail, ENOSPC, false},
    {S::Backup, C::Write, 3, E::Fail, EINTR, true},
    {S::Backup, C::Close, 1, E::Fail, EIO, false},
    {S::Restore, C::Read, 1, E::Fail, EIO, true},     // the batch is read again block by block
    {S::Restore, C::Read, -2, E::Fail, EIO, false},   // all but the first batch stay erased
    {S::Restore, C::Lseek, 1, E::Fail, EIO, false},   // its size: as a wrong size
    {S::Restore, C::Lseek, 5, E::Fail, EIO, true},    // to the second batch
    {S::Restore, C::Lseek, -5, E::Fail, EIO, false},  // and to each of its blocks
};

// What a socket camera answers that the host did not ask for: a refusal
// leaves the connection usable; anything else ends it.
TEST_F(FakeKernel, ASocketCameraOutOfStepIsNotTrustedAgain) {
    std::uint8_t block[512] = {};
    const auto data = Pattern(512, 4);
    void* device = nullptr;
    auto reconnect = [&](std::uint8_t greeting) {
        if (device != nullptr) {
            EXPECT_TRUE(posix::CloseDeviceHandle(device));
        }
        if (camera_ >= 0) ::close(camera_);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directory(dir_);
        MakeDeviceDirectory(false);
        Send(camera_, {greeting});
        device = posix::OpenFirstDeviceIn(dir_);
        Received(camera_);
    };
    struct Reply {
        bool write;
        std::vector<std::uint8_t> bytes;
        bool usable_after;
    };
    const Reply replies[] = {
        {true, {'E'}, true},                // a write refused
        {false, {'E'}, true},               // a read refused
        {true, {'X'}, false},               // neither taken nor refused
        {false, {'X'}, false},              // neither a piece nor a refusal
        {false, {'D', 0, 0, 0, 0}, false},  // an empty piece
        {false, {'D', 1, 2, 0, 0}, false},  // a piece beyond the read
    };
    for (const Reply& reply : replies) {
        reconnect('K');
        ASSERT_NE(device, nullptr);
        Send(camera_, reply.bytes);
        EXPECT_FALSE(reply.write ? posix::WriteDeviceHandle(device, data.data(), 512)
                                 : posix::ReadDeviceHandle(device, block, 512));
        Received(camera_);
        Send(camera_, Frame('D', data));
        EXPECT_EQ(posix::ReadDeviceHandle(device, block, 512), reply.usable_after);
    }
    // Nothing to move: an empty write is still one frame; an empty read asks nothing.
    reconnect('K');
    ASSERT_NE(device, nullptr);
    Send(camera_, {'K'});
    EXPECT_TRUE(posix::WriteDeviceHandle(device, data.data(), 0));
    EXPECT_EQ(Received(camera_), (std::vector<std::uint8_t>{'W', 0, 0, 0, 0}));
    EXPECT_TRUE(posix::ReadDeviceHandle(device, block, 0));
    EXPECT_TRUE(Received(camera_).empty());
    // A character device: an empty write moves nothing.
    EXPECT_TRUE(posix::CloseDeviceHandle(device));
    ::close(camera_);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directory(dir_);
    device = OpenCamera(true);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(posix::WriteDeviceHandle(device, data.data(), 0));
    EXPECT_TRUE(Received(camera_).empty());
    // A camera that does not greet back is not opened.
    reconnect('E');
    EXPECT_EQ(device, nullptr);
    EXPECT_TRUE(injector_.open_fds.empty());
    // No handle: nothing is asked of the system.
    EXPECT_FALSE(posix::CloseDeviceHandle(nullptr));
    EXPECT_FALSE(posix::WriteDeviceHandle(nullptr, data.data(), 512));
    EXPECT_FALSE(posix::ReadDeviceHandle(nullptr, block, 512));
}

std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    static const char* const kScenarios[] = {"OpenSocket", "OpenChar", "SocketWrite", "SocketRead", "CharWrite",
                                             "CharRead",   "HostFile", "Remove",      "Sleep",      "SavePhoto",
                                             "Upload",     "Backup",   "Restore"};
    static const char* const kCalls[] = {
        "open",       "openat", "close",   "dup",       "read",    "write",     "writev", "lseek",   "fstat",
        "fstatat",    "stat",   "unlink",  "fdopendir", "readdir", "closedir",  "socket", "connect", "setsockopt",
        "getsockopt", "recv",   "sendmsg", "poll",      "clock",   "nanosleep", "geteuid"};
    static const char* const kEffects[] = {"Fail", "Short", "Zero", "Uid", "Mode", "Late"};
    const Row& row = info.param;
    return std::to_string(info.index) + "_" + kScenarios[static_cast<int>(row.scenario)] + "_" +
           kCalls[static_cast<int>(row.call)] + "_" + kEffects[static_cast<int>(row.effect)];
}

INSTANTIATE_TEST_SUITE_P(EveryCall, SystemCallFaults, ::testing::ValuesIn(kRows), RowName);

}  // namespace
}  // namespace pixavon::test
