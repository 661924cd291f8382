// The FUSE side of `pixavon mount`: libfuse's high-level interface forwarding
// each request to the card folder (tools/host/card_folder), one request at a
// time on the tool's main thread.

#define FUSE_USE_VERSION 31

#include "mount.h"

#include <fcntl.h>
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "card_folder.h"
#include "i18n.h"
#include "terminal.h"

namespace pixavon::tool {
namespace {

using host::CardFolder;
using host::NodeInfo;
using host::printable;

int g_started_pipe = -1;  // the child's end: one byte once mounted

// Says what the folder does: on standard error in the foreground, else to
// the system log.
class MountLog : public host::Frontend {
public:
    explicit MountLog(bool foreground) : foreground_(foreground) {
        if (!foreground_) ::openlog("pixavon", LOG_PID, LOG_USER);
    }
    ~MountLog() {
        if (!foreground_) ::closelog();
    }
    MountLog(const MountLog&) = delete;
    MountLog& operator=(const MountLog&) = delete;

    void line(const std::string& text) {
        if (foreground_) {
            print_error("pixavon: " + text + "\n");
            host::os::flush_text(host::os::Stream::kError, nullptr);
        } else {
            ::syslog(LOG_NOTICE, "%s", text.c_str());
        }
    }
    Answer confirm(const host::Question&) override { return Answer::kCannotAsk; }
    void begin(const host::Step&) override {}
    void advance() override {}
    void end(bool) override {}
    void box(bool, const std::string& caption, const std::string& text) override {
        say(printable(caption) + ": " + printable(text));
    }
    // A put's record waits with the folder until the picture has its final
    // name (a copying tool renames its temporary file).
    void note(const host::Record& record) override {
        if (folder_ != nullptr) {
            folder_->note(record);
        } else {
            say(host::describe(record));
        }
    }
    void warn(const host::Warning& warning) override { say(host::describe(warning)); }
    void set_folder(CardFolder& folder) { folder_ = &folder; }

private:
    void say(const std::string& text) { line(folder_ != nullptr ? folder_->plain(text) : text); }
    bool foreground_;
    CardFolder* folder_ = nullptr;
};

CardFolder& folder() { return *static_cast<CardFolder*>(fuse_get_context()->private_data); }

// Runs one request; nothing thrown may reach libfuse's C frames.
template <typename Body>
int guarded(Body&& body) {
    try {
        return static_cast<int>(body());
    } catch (const std::bad_alloc&) {
        return -ENOMEM;
    } catch (const std::exception& error) {
        print_error(std::string("pixavon: ") + error.what() + "\n");
        return -EIO;
    }
}

// Directories opened: the handle says which, since reads of a directory may
// come without its path.
constexpr uint64_t kRootHandle = 0;
constexpr uint64_t kPngDirHandle = 1;

void fill(const NodeInfo& info, struct stat* st) {
    *st = {};
    st->st_mode = static_cast<mode_t>((info.directory ? S_IFDIR : S_IFREG) | info.mode);
    st->st_nlink = info.links;
    st->st_uid = ::getuid();
    st->st_gid = ::getgid();
    st->st_size = static_cast<off_t>(info.size);
    st->st_blocks = static_cast<blkcnt_t>((info.size + 511) / 512);
    st->st_atime = st->st_mtime = st->st_ctime = info.mtime;
}

void* op_init(fuse_conn_info*, fuse_config* config) {
    // Every change goes through this process, but names come and go with the
    // card's list, so the kernel asks again each time instead of caching.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    // Removing a photo removes it; no hidden renames of open files.
    config->hard_remove = 1;
    config->nullpath_ok = 1;
    return fuse_get_context()->private_data;
}

int op_getattr(const char* path, struct stat* st, fuse_file_info* fi) {
    return guarded([&] {
        NodeInfo info;
        const int result = fi != nullptr ? folder().stat_open(fi->fh, &info) : folder().stat(path, &info);
        if (result == 0) fill(info, st);
        return result;
    });
}

int op_opendir(const char* path, fuse_file_info* fi) {
    return guarded([&] {
        NodeInfo info;
        const int result = folder().stat(path, &info);
        if (result != 0) return result;
        if (!info.directory) return -ENOTDIR;
        fi->fh = std::string(path) == "/" ? kRootHandle : kPngDirHandle;
        return 0;
    });
}

int op_readdir(const char*, void* buffer, fuse_fill_dir_t filler, off_t, fuse_file_info* fi, fuse_readdir_flags) {
    return guarded([&] {
        std::vector<std::pair<std::string, NodeInfo>> entries;
        if (const int result = folder().list(fi->fh == kRootHandle ? "/" : "/png", &entries); result != 0)
            return result;
        filler(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
        filler(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
        for (const auto& [name, info] : entries) {
            struct stat st;
            fill(info, &st);
            // A size not known yet is not given at all: the kernel asks for it.
            const bool given = info.exact;
            if (filler(buffer, name.c_str(), given ? &st : nullptr, 0,
                       given ? FUSE_FILL_DIR_PLUS : static_cast<fuse_fill_dir_flags>(0)) != 0) {
                break;
            }
        }
        return 0;
    });
}

int op_open(const char* path, fuse_file_info* fi) {
    return guarded([&] {
        host::OpenedFile opened;
        const int result = folder().open(path, fi->flags, &opened);
        if (result == 0) {
            fi->fh = opened.handle;
            fi->direct_io = opened.direct ? 1 : 0;
        }
        return result;
    });
}

int op_create(const char* path, mode_t, fuse_file_info* fi) {
    return guarded([&] {
        host::OpenedFile opened;
        const int result = folder().create(path, &opened);
        if (result == 0) {
            fi->fh = opened.handle;
            fi->direct_io = opened.direct ? 1 : 0;
        }
        return result;
    });
}

int op_read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    return guarded([&] { return folder().read(fi->fh, buffer, size, static_cast<uint64_t>(offset)); });
}

int op_write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    return guarded([&] { return folder().write(fi->fh, buffer, size, static_cast<uint64_t>(offset)); });
}

int op_truncate(const char* path, off_t size, fuse_file_info* fi) {
    if (size < 0) return -EINVAL;
    return guarded([&] {
        return folder().truncate(path != nullptr ? path : "", fi != nullptr ? &fi->fh : nullptr,
                                 static_cast<uint64_t>(size));
    });
}

int op_flush(const char*, fuse_file_info* fi) {
    return guarded([&] { return folder().flush(fi->fh); });
}

int op_release(const char*, fuse_file_info* fi) {
    return guarded([&] {
        folder().release(fi->fh);
        return 0;
    });
}

int op_fsync(const char*, int, fuse_file_info*) { return 0; }

int op_unlink(const char* path) {
    return guarded([&] { return folder().unlink(path); });
}

// Times, mode and owner may be set on every name, and change nothing.
int change_attributes(const char* path) {
    return guarded([&] { return path != nullptr ? folder().change_attributes(path) : 0; });
}
int op_chmod(const char* path, mode_t, fuse_file_info*) { return change_attributes(path); }
int op_chown(const char* path, uid_t, gid_t, fuse_file_info*) { return change_attributes(path); }
int op_utimens(const char* path, const timespec*, fuse_file_info*) { return change_attributes(path); }

// Names given in the folder may be renamed; photos keep their slots' names.
int op_rename(const char* from, const char* to, unsigned int flags) {
    return guarded([&] { return folder().rename(from, to, flags); });
}
int op_refuse_link(const char*, const char*) { return -EPERM; }
int op_refuse_mkdir(const char*, mode_t) { return -EPERM; }
int op_refuse_rmdir(const char*) { return -EPERM; }
int op_refuse_mknod(const char*, mode_t, dev_t) { return -EPERM; }

int op_statfs(const char*, struct statvfs* fs) {
    const host::FolderSpace space = folder().space();
    *fs = {};
    fs->f_bsize = fs->f_frsize = space.block_size;
    fs->f_blocks = space.blocks;
    fs->f_bfree = fs->f_bavail = space.free;
    fs->f_files = space.blocks;
    fs->f_ffree = fs->f_favail = space.free;
    fs->f_namemax = 255;
    return 0;
}

fuse_operations operations() {
    fuse_operations ops{};
    ops.init = op_init;
    ops.getattr = op_getattr;
    ops.opendir = op_opendir;
    ops.readdir = op_readdir;
    ops.open = op_open;
    ops.create = op_create;
    ops.read = op_read;
    ops.write = op_write;
    ops.truncate = op_truncate;
    ops.flush = op_flush;
    ops.release = op_release;
    ops.fsync = op_fsync;
    ops.unlink = op_unlink;
    ops.chmod = op_chmod;
    ops.chown = op_chown;
    ops.utimens = op_utimens;
    ops.rename = op_rename;
    ops.link = op_refuse_link;
    ops.symlink = op_refuse_link;
    ops.mkdir = op_refuse_mkdir;
    ops.rmdir = op_refuse_rmdir;
    ops.mknod = op_refuse_mknod;
    ops.statfs = op_statfs;
    return ops;
}

// The folder is mounted: the waiting parent exits 0 and this process leaves
// the terminal.
void detach() {
    if (g_started_pipe < 0) return;
    const char ok = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_started_pipe, &ok, 1);
    ::close(g_started_pipe);
    g_started_pipe = -1;
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    // Everything the mount uses was opened by absolute path.
    [[maybe_unused]] const int ignored = ::chdir("/");
}

// Answers requests until the folder is unmounted or `cancel` is requested.
// Returns 0, or the errno that ended it.
int serve(fuse* fs, host::CancelToken& cancel) {
    fuse_session* session = fuse_get_session(fs);
    fuse_buf buffer{};
    int error = 0;
    while (!fuse_session_exited(session) && !cancel.requested()) {
        pollfd fds[2] = {{fuse_session_fd(session), POLLIN, 0}, {cancel.fd(), POLLIN, 0}};
        const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (cancel.requested()) break;
        const int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR || received == -EAGAIN) continue;
        if (received <= 0) {
            // -ENODEV: unmounted (fusermount3 -u).
            if (received < 0 && received != -ENODEV) error = -received;
            break;
        }
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
    return error;
}

}  // namespace

void mount_in_background() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        fail(host::fill(host::tr("The tool cannot start in the background: {1}."), {host::system_error(errno)}));
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0) {
        fail(host::fill(host::tr("The tool cannot start in the background: {1}."), {host::system_error(errno)}));
    }
    if (child == 0) {
        ::close(fds[0]);
        g_started_pipe = fds[1];
        ::setsid();
        return;
    }
    ::close(fds[1]);
    char ok = 0;
    ssize_t n;
    do n = ::read(fds[0], &ok, 1);
    while (n < 0 && errno == EINTR);
    if (n == 1) std::_Exit(0);
    // The child ended before mounting; it said why.
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0));
}

int cmd_mount(host::Core& core, host::Frontend& terminal, const MountOptions& options) {
    std::error_code error_code;
    const std::string mountpoint = std::filesystem::absolute(options.mountpoint, error_code).string();
    struct stat st {};
    if (::stat(mountpoint.c_str(), &st) != 0) {
        const int error = errno;
        const std::string name = host::display_name(options.mountpoint);
        if (error == ENOENT) {
            bad_input(host::fill(
                host::tr("The card cannot be shown in '{1}': there is no such folder. Make it first: mkdir '{1}'"),
                {name}));
        }
        if (error == EACCES) {
            bad_input(host::fill(host::tr("The card cannot be shown in '{1}': you may not open that folder."), {name}));
        }
        bad_input(host::fill(host::tr("The card cannot be shown in '{1}': {2}."), {name, host::system_error(error)}));
    }
    if (!S_ISDIR(st.st_mode)) {
        bad_input(host::fill(host::tr("The card cannot be shown in '{1}': it is not a folder."),
                             {host::display_name(options.mountpoint)}));
    }

    MountLog log(options.foreground);
    core.set_frontend(log);
    struct Restore {
        host::Core& core;
        host::Frontend& frontend;
        ~Restore() { core.set_frontend(frontend); }
    } restore{core, terminal};
    CardFolder card_folder(core, options.read_only, [&log](const std::string& line) { log.line(line); });
    log.set_folder(card_folder);
    if (const int started = report(card_folder.start(), core.cancel()); started != 0) return started;

    const fuse_operations ops = operations();
    std::vector<std::string> args = {"pixavon", "-o", "fsname=pixavon,subtype=pixavon"};
    if (options.read_only) args.insert(args.end(), {"-o", "ro"});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    fuse_args fuse_arguments = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    fuse* fs = fuse_new(&fuse_arguments, &ops, sizeof ops, &card_folder);
    fuse_opt_free_args(&fuse_arguments);
    if (fs == nullptr) fail(host::tr("The card's folder cannot be started."));
    if (fuse_mount(fs, mountpoint.c_str()) != 0) {
        fuse_destroy(fs);
        fail(host::fill(host::tr("The card cannot be shown in '{1}'. Check that the folder exists, is empty and is "
                                 "not mounted already, and that /dev/fuse is there."),
                        {host::display_name(mountpoint)}));
    }
    const std::string unmount = "fusermount3 -u '" + host::display_name(mountpoint) + "'";
    log.line(options.foreground ? host::fill(host::tr("The card ({1}) is shown in '{2}'; end with {3} or Ctrl-C."),
                                             {core.description(), host::display_name(mountpoint), unmount})
                                : host::fill(host::tr("The card ({1}) is shown in '{2}'; end with {3}."),
                                             {core.description(), host::display_name(mountpoint), unmount}));
    detach();

    const int served = serve(fs, core.cancel());
    fuse_unmount(fs);
    fuse_destroy(fs);
    card_folder.say_pending();
    if (card_folder.unfinished() > 0) {
        log.line(host::fill(host::ntr("{1} picture still being copied in when the folder was unmounted was not put on "
                                      "the card.",
                                      "{1} pictures still being copied in when the folder was unmounted were not put "
                                      "on the card.",
                                      card_folder.unfinished()),
                            {std::to_string(card_folder.unfinished())}));
    }
    if (served != 0) {
        log.line(host::fill(host::tr("The card's folder stopped answering: {1}."), {host::system_error(served)}));
    }
    // Saved here, while what goes wrong can still be told (in the background,
    // standard error is gone).
    const host::Outcome saved = core.finish();
    if (!saved.ok()) log.line(host::describe(saved.problem));
    if (served != 0 || !saved.ok()) return kExitFailed;
    log.line(
        host::fill(host::tr("'{1}' no longer shows the card; the card is saved."), {host::display_name(mountpoint)}));
    return 0;
}

}  // namespace pixavon::tool
