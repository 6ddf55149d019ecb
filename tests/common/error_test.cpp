// The error helpers as their header shows them: its example is compiled
// here, word for word, so the two cannot drift apart.

#include "common/error.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "jpeg/jpeg_error.h"

namespace vendrik {
namespace {

// error.h's example, as code and as the text of its comment.
#define VENDRIK_ENFORCE_EXAMPLE \
    enforce(q >= 1 && q <= 255, jpegError(JpegErrc::BadQuantizationTable))
#define VENDRIK_TEXT_OF(...) #__VA_ARGS__
#define VENDRIK_EXPANDED_TEXT_OF(x) VENDRIK_TEXT_OF(x)

void checkQuantisationValue(int q) {
    VENDRIK_ENFORCE_EXAMPLE;
}

TEST(Enforce, TheHeadersExampleCompilesAndThrowsOnlyWhenTheConditionFails) {
    EXPECT_NO_THROW(checkQuantisationValue(1));
    EXPECT_NO_THROW(checkQuantisationValue(255));
    for (const int q : {0, 256, -1}) {
        try {
            checkQuantisationValue(q);
            ADD_FAILURE() << q << " passed";
        } catch (const JpegError& e) {
            EXPECT_EQ(e.code(), JpegErrc::BadQuantizationTable);
            EXPECT_EQ(e.number(), 1);
            EXPECT_EQ(e.source(), "cJpeg");
            EXPECT_EQ(e.description(), "Bad Quantization Table");
        }
    }
    std::ifstream header(VENDRIK_TEST_SOURCE "/../src/common/error.h");
    ASSERT_TRUE(header) << "error.h not found";
    std::stringstream text;
    text << header.rdbuf();
    EXPECT_NE(text.str().find(std::string("//   ") +
                              VENDRIK_EXPANDED_TEXT_OF(VENDRIK_ENFORCE_EXAMPLE) + ";\n"),
              std::string::npos)
        << "error.h's example is not " << VENDRIK_EXPANDED_TEXT_OF(VENDRIK_ENFORCE_EXAMPLE);
}

TEST(Enforce, MakesTheErrorOnlyWhenTheConditionFails) {
    int made = 0;
    const auto make = [&made] {
        ++made;
        return VendrikError(7, "Test", "schiefgegangen");
    };
    enforce(true, make);
    EXPECT_EQ(made, 0);
    EXPECT_THROW(enforce(false, make), VendrikError);
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace vendrik
