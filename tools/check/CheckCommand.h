#pragma once
// The command line of hopplix-check: options, one report per level folder, the exit code.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace hopplix::check {

// Writes the findings to `out` and usage errors to `err`. Returns 0 when no level has an
// error, 1 when one has, 2 for a usage error.
int runCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace hopplix::check
