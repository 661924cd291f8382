// Backup and restore of the whole card as one file of its raw bytes.
#pragma once

namespace pixavon {

int ReadAll(const char* path);
int WriteAll(const char* path);

}  // namespace pixavon
