// The contact sheet: every photo of a card as a labelled thumbnail grid.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace pixavon::tool {

struct SheetEntry {
    host::Image photo;
    std::string label;  // printable ASCII; other characters show as '?'
};

host::Image make_contact_sheet(const std::string& title, const std::vector<SheetEntry>& entries);

}  // namespace pixavon::tool
