// The tool's commands: each turns its arguments into a call of the host core
// and returns the exit status, or throws Failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core.h"
#include "terminal.h"

namespace pixavon::tool {

struct GetOptions {
    std::vector<std::string> positions;
    bool all = false;
    std::string output;
    std::string format;  // "", bmp, png, jpeg
    bool force = false;
};

// The files the command line's file arguments name, their wildcards
// expanded where the system leaves that to the program (Windows); a pattern
// that matches nothing is refused.
std::vector<std::string> files_named(const std::vector<std::string>& arguments);

int cmd_info(host::Core& core);
int cmd_list(host::Core& core, bool json);
int cmd_get(host::Core& core, const GetOptions& options);
int cmd_put(host::Core& core, const std::vector<std::string>& files, host::Fit fit);
int cmd_import(host::Core& core, const host::ImportRequest& request);
int cmd_rescue(host::Core& core, const host::RescueRequest& request);
int cmd_rm(host::Core& core, const std::vector<std::string>& positions);
int cmd_format(host::Core& core);
int cmd_backup(host::Core& core, const std::string& file, bool force);
int cmd_restore(host::Core& core, const std::string& file);
int cmd_contact_sheet(host::Core& core, const std::string& file, bool force);
int cmd_raw_read(host::Core& core, const std::string& address, const std::string& length);
// Asks through `terminal` first.
int cmd_raw_write(host::Core& core, const std::string& block, const std::string& file);

}  // namespace pixavon::tool
