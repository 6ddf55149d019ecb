#include "common/path_text.h"

namespace vendrik {

std::string withTrailingSlash(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/') {
        out += '/';
    }
    return out;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    return withTrailingSlash(folder).append(name);
}

}  // namespace vendrik
