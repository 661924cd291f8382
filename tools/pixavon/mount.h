// pixavon mount: the card as a folder, through FUSE.
#pragma once

#include <string>

#include "cancel.h"
#include "core.h"

namespace pixavon::tool {

struct MountOptions {
    std::string mountpoint;
    bool read_only = false;
    bool foreground = false;
};

// Without --foreground: called before any thread starts and before the card
// is opened. The process forks; the parent waits until the child has mounted
// the folder (and exits 0) or has failed (and exits with its status, its
// messages already shown). Returns in the child.
void mount_in_background();

// Serves the folder until it is unmounted (fusermount3 -u) or a signal
// arrives through the core's cancel token; then unmounts it and saves the
// card (Core::finish). While mounted, what the
// folder does is told on standard error (in the foreground) or to the system
// log; `terminal` is the core's front end again afterwards.
int cmd_mount(host::Core& core, host::Frontend& terminal, const MountOptions& options);

}  // namespace pixavon::tool
