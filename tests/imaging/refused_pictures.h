#pragma once
// The loader's refusals, shared by the suites of every format: each hostile
// file is written under its name, loaded, and must be refused with a reason
// that names its fault. Under the sanitizers none may crash or read out of
// bounds on the way.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "imaging/picture_loader.h"
#include "support/test_support.h"

namespace vendrik::test {

struct RefusedPicture {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* reason;  // a part of the reason the loader must give
};

// The first `share` of a file, as a download cut short leaves it.
inline std::vector<std::uint8_t> firstPart(std::vector<std::uint8_t> f, double share) {
    f.resize(static_cast<std::size_t>(static_cast<double>(f.size()) * share));
    return f;
}

// `pathOf` turns a case's name into the path it is written to. The same
// bytes loaded from memory must be refused with the same reason.
inline void expectRefused(const std::function<std::string(const std::string&)>& pathOf,
                          const std::vector<RefusedPicture>& cases) {
    for (const RefusedPicture& c : cases) {
        const std::string path = pathOf(c.name);
        writeFileBytes(path, c.bytes);
        const Result<LoadedPicture> picture = loadPicture(path);
        EXPECT_FALSE(picture) << c.name;
        EXPECT_NE(picture.reason().find(c.reason), std::string::npos)
            << c.name << ": " << picture.reason();
        const Result<LoadedPicture> inMemory = loadPicture(std::span(c.bytes));
        EXPECT_FALSE(inMemory) << c.name << " in memory";
        EXPECT_EQ(inMemory.reason(), picture.reason()) << c.name << " in memory";
    }
}

}  // namespace vendrik::test
