// The files the host writes and the temporary folders it makes, and how it
// cleans up after a run of its own that was killed.
//
// Every file is written durably: under a temporary name in its own folder,
// synced to the disk, then given its name by a rename and its folder synced,
// so that a crash, a power cut or a full disk leaves either what was there
// before or the whole new file, never a part. No hard links are needed, so
// FAT and exFAT drives take files like any other.
//
// A temporary name is a folder made for it (`.pixavon~PID~XXXXXX`) holding a
// marker file with this tool's token and the folder's identity on its disk
// (device and inode; volume and file index on Windows). Only a folder with
// that marker, owned by this user, made by a process that is gone and locked
// by none, and still the very folder the marker was made in (not a copy, as a
// backup restores it) is ever removed as a leftover; a file's folder only
// while it holds nothing but that file. A person's own files and folders,
// whatever their names, are never touched. (Leftovers of versions whose
// marker held no identity stay.)
//
// Part of the seam to the operating system (os/os.h): each system's folder
// implements it (os/posix/durable_file.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pixavon::host {

// Writing to the disk failed: `path` is the file or folder, `error` the errno.
class DiskError : public std::runtime_error {
public:
    DiskError(std::string path, int error);
    const std::string& path() const { return path_; }
    int error() const { return error_; }

private:
    std::string path_;
    int error_;
};

// A private folder (0700) `base`/`prefix`~PID~XXXXXX with this tool's marker,
// locked (flock) by this process while it lives and removed with it. A
// process killed leaves it behind, for remove_leftovers() to take away.
class PrivateDir {
public:
    PrivateDir() = default;
    // Throws DiskError (a std::runtime_error) when it cannot be made.
    PrivateDir(const std::string& base, const std::string& prefix);
    ~PrivateDir();
    PrivateDir(PrivateDir&& other) noexcept;
    PrivateDir& operator=(PrivateDir&& other) noexcept;
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    const std::string& path() const { return path_; }
    bool empty() const { return path_.empty(); }

private:
    std::string path_;
    intptr_t lock_ = -1;  // a descriptor, or a HANDLE on Windows
};

// A file being written: its bytes go to a temporary name beside `path`, and
// commit() gives them that name. Dropped without commit(), or after a failed
// one, nothing of it is left.
class DurableFile {
public:
    // Throws DiskError (the folder cannot be written).
    explicit DurableFile(std::string path);
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Appends bytes. Throws DiskError.
    void write(const uint8_t* data, size_t size);
    // Syncs the file, names it `path` and syncs its folder. Without `replace`,
    // an existing `path` is left alone and false returned (the new bytes
    // dropped). Throws DiskError; the file is then not in place.
    bool commit(bool replace);
    const std::string& path() const { return path_; }

private:
    void discard();

    std::string path_;
    std::string folder_;
    PrivateDir stage_;
    std::string temp_;
    intptr_t fd_ = -1;  // a descriptor, or a HANDLE on Windows
};

// `bytes` as the file `path`, through a DurableFile. Without `replace`, an
// existing `path` is never touched: returns false. Throws DiskError.
bool write_file_durably(const std::string& path, const std::vector<uint8_t>& bytes, bool replace);
bool write_file_durably(const std::string& path, std::string_view text, bool replace);
// Waits until the names in folder `dir` are on the disk. Throws DiskError.
void sync_folder(const std::string& dir);

// Removes from `dir` what runs of this tool by this user, now ended, left
// there: folders bearing its marker whose process is gone and which no
// process holds locked. Nothing else is looked into.
void remove_leftovers(const std::string& dir);

namespace seam {
// Makes no-replace renames take the path of a file system that cannot do them
// (FAT over FUSE, older kernels), as if the kernel had refused the flag.
void force_plain_rename(bool on);
}  // namespace seam

}  // namespace pixavon::host
