// The words for each kind of system error (i18n.h), shared by each system's
// i18n.
#pragma once

#include <string>

#include "i18n.h"

namespace pixavon::host {

inline std::string fault_words(SystemFault fault) {
    switch (fault) {
        case SystemFault::kNotFound:
            return tr("there is no such file or folder");
        case SystemFault::kNotFolder:
            return tr("a part of its path is not a folder");
        case SystemFault::kIsFolder:
            return tr("it is a folder");
        case SystemFault::kDenied:
            return tr("you do not have permission");
        case SystemFault::kReadOnly:
            return tr("the disk can only be read");
        case SystemFault::kNoRoom:
            return tr("the disk is full");
        case SystemFault::kInUse:
            return tr("another program is using it");
        case SystemFault::kNameTooLong:
            return tr("the name is too long");
        case SystemFault::kBadName:
            return tr("the name is not allowed here");
        case SystemFault::kExists:
            return tr("it exists already");
        case SystemFault::kDiskFault:
            return tr("the disk or device did not answer (it may be unplugged or failing)");
        case SystemFault::kTooManyOpen:
            return tr("too many files are open");
        case SystemFault::kNoMemory:
            return tr("there is not enough memory");
        case SystemFault::kOther:
            break;
    }
    return tr("the system refused it");
}

}  // namespace pixavon::host
