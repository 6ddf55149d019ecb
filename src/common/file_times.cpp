#include "common/file_times.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "common/regular_file.h"

namespace vendrik {

Result<void> copyModificationTime(const std::string& source, const std::string& target) {
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0) {
        return Failure{"Datum der Quelle nicht lesbar: " + systemErrorText(errno)};
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    if (::utimensat(AT_FDCWD, target.c_str(), times, 0) != 0) {
        return Failure{"Datum nicht gesetzt: " + systemErrorText(errno)};
    }
    return {};
}

}  // namespace vendrik
