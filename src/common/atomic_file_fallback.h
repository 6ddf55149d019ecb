#pragma once
// The way writeFileAtomically goes on a file system without O_TMPFILE (vfat,
// some network file systems), reachable on any file system so that it can be
// tried where the tests run.

#include <cstddef>
#include <span>
#include <string>

#include "common/atomic_file.h"

namespace vendrik::detail {

// writeFileAtomically through a named temporary file, never an unnamed one.
[[nodiscard]] AtomicWriteOutcome writeFileThroughNamedTemporary(const std::string& path,
                                                                std::span<const std::byte> bytes,
                                                                ReplacePolicy policy);

}  // namespace vendrik::detail
