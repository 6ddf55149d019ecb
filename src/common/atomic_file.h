#pragma once
// Writing a file so that it is either complete or absent: the bytes go to a
// temporary file in the target folder, are flushed to disk, and only then take
// the final name. A write that fails part-way (disk full, folder removed)
// leaves no truncated file behind.

#include <cstddef>
#include <span>
#include <string>

namespace vendrik {

enum class AtomicWriteResult {
    Written,      // the file now holds exactly the bytes given
    Exists,       // NoReplace and a file of that name exists: nothing written
    Failed,       // an I/O error; errorText() says which; nothing written
};

enum class ReplacePolicy { NoReplace, Replace };

struct AtomicWriteOutcome {
    AtomicWriteResult result = AtomicWriteResult::Failed;
    int errorNumber = 0;    // errno of the failing call when result is Failed
    std::string errorText;  // strerror-style reason when result is Failed
};

// Writes `bytes` to `path`. With NoReplace an existing entry of that name
// (file, link or folder) is never touched, even if it appears while writing.
// With Replace an existing file is replaced only once its successor is
// complete. The temporary file is ".<name>.<random>.part" in the same folder.
[[nodiscard]] AtomicWriteOutcome writeFileAtomically(const std::string& path,
                                                     std::span<const std::byte> bytes,
                                                     ReplacePolicy policy);

// True when a directory entry of that name exists, whatever its kind or
// permissions (a dangling link counts too).
[[nodiscard]] bool pathEntryExists(const std::string& path);

}  // namespace vendrik
