// Whether a backup file fits a card, checked before it is restored onto it
// (backup.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace pixavon::host {

// A backup file checked against a card before it is restored onto it.
struct BackupCheck {
    enum class Verdict { kOk, kCannotOpen, kNotFile, kWrongSize, kUnreadable, kNoCatalog };
    Verdict verdict = Verdict::kOk;
    int error = 0;        // errno for kCannotOpen
    uint64_t size = 0;    // the file's size
    uint32_t photos = 0;  // photos in the backup, for kOk
};
// A backup fits a card of `capacity_code` if it holds as many bytes as the
// card and, in its last 8 KiB, a valid catalog for that card size.
BackupCheck check_backup(const std::string& path, uint32_t capacity_code);

}  // namespace pixavon::host
