#pragma once
// A file's modification time carried over to another file, as `cp -p` and
// `touch -r` do: photo libraries sort by it, so an optimised copy that
// keeps its source's time stays where the photograph was.

#include <string>

#include "common/result.h"

namespace vendrik {

// Gives `target` the modification time of `source` (a link is followed), to
// the nanosecond where both file systems keep it; the access time of
// `target` is left alone. The reason names which of the two could not be
// used.
[[nodiscard]] Result<void> copyModificationTime(const std::string& source,
                                                const std::string& target);

}  // namespace vendrik
