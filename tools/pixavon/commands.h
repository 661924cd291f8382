// The tool's commands. Each runs against an opened session and returns the
// exit status, or throws Failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "session.h"

namespace pixavon::tool {

struct GetOptions {
  std::vector<std::string> positions;
  bool all = false;
  std::string output;
  std::string format = "bmp";  // for names the tool makes up
  bool force = false;
};

struct PutOptions {
  std::vector<std::string> files;
  host::Fit fit = host::Fit::kPad;
};

struct ConfirmOptions {
  bool yes = false;
};

int cmd_info(Session& session, const std::string& camera_description);
int cmd_list(Session& session, bool json);
int cmd_get(Session& session, const GetOptions& options);
int cmd_put(Session& session, const PutOptions& options);
int cmd_rm(Session& session, const std::vector<std::string>& positions);
int cmd_format(Session& session, const ConfirmOptions& options);
int cmd_backup(Session& session, const std::string& file, bool force);
int cmd_restore(Session& session, const std::string& file, const ConfirmOptions& options);
int cmd_contact_sheet(Session& session, const std::string& file, bool force);
int cmd_strings(Session& session);
int cmd_raw_read(Session& session, const std::string& address, const std::string& length);
int cmd_raw_write(Session& session, const std::string& block, const std::string& file, const ConfirmOptions& options);

// Asks on the terminal; without one, only `yes` confirms. `what` says what is
// about to happen. Fails with advice when not confirmed.
void confirm(const std::string& what, bool yes);

}  // namespace pixavon::tool
