// What a window says about the card's work, in its own words, for every
// window alike: the progress of an operation with the time left, the
// questions before what cannot be undone, how each operation ended, and what
// the person can do about a problem, phrased with the window's menus and
// buttons. Nothing here is the library's or the command line's text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "outcome.h"

namespace pixavon::desktop {

// Seconds left of an operation `done` (0 to 1) of the way after `elapsed_ms`;
// nothing until there is enough behind to judge by.
std::optional<int64_t> seconds_left(double done, int64_t elapsed_ms);
// "Importing photo 9 of 30 — about 2 minutes left".
std::string progress(const Progress& progress, int64_t elapsed_ms);
Message question(const Question& question);
Report result(const Result& ended);
// A warning of the core's (a restore left unfinished), with what to do.
Message warning(const Trouble& warning);
// What the person can do about `trouble`, with the window's menus.
std::string hint(const Trouble& trouble);
// The core's sentence and the hint, one under the other; `otherwise` when the
// core has no sentence.
std::string explain(const Trouble& trouble, const std::string& otherwise);
// Asks how large a card is that reads blank.
Message card_size_question();

// Lines joined by '\n', leaving out empty ones.
std::string join_lines(const std::vector<std::string>& lines);

}  // namespace pixavon::desktop
