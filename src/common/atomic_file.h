#pragma once
// Writing a file so that it is either complete or absent: the bytes go to a
// temporary file in the target folder, are flushed to disk, and only then take
// the final name. A write that fails part-way (disk full, folder removed)
// leaves no truncated file behind.

#include <cstddef>
#include <mutex>
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
// complete. The bytes go into a file without a name in the target folder
// (O_TMPFILE), which takes its name only when complete; a replacement passes
// through a short temporary name ".vendrik-<pid>-<random>.part" for the
// moment of the rename, so that names up to the file system's 255 bytes can
// be written. On a file system without such files the temporary file has
// that name while it is written. A writer holds a lock on its temporary file
// until it is renamed; the first write of a process into a folder removes
// the temporary files of writers that were killed (unlocked, their process
// gone). Safe to call from several threads at once.
[[nodiscard]] AtomicWriteOutcome writeFileAtomically(const std::string& path,
                                                     std::span<const std::byte> bytes,
                                                     ReplacePolicy policy);

// For a program that must end at once (a second Ctrl+C): while the returned
// lock is held, no write of any thread is between naming its temporary file
// and the final rename, and the temporary files of writes in progress on file
// systems without O_TMPFILE are removed. Hold it until the process ends
// (_exit); every write still under way then leaves nothing behind. Not for
// use in a signal handler: call it from an ordinary thread.
[[nodiscard]] std::unique_lock<std::mutex> holdAtomicWrites();

// Under a file-size limit (ulimit -f) the kernel ends a process with SIGXFSZ
// the moment a write passes the limit: no message, the rest of the work
// undone. With the signal ignored, the write fails with EFBIG instead, which
// every writer reports as an ordinary error. Programs call this once at
// start.
void ignoreFileSizeLimitSignal();

// True when a directory entry of that name exists, whatever its kind or
// permissions (a dangling link counts too).
[[nodiscard]] bool pathEntryExists(const std::string& path);

}  // namespace vendrik
