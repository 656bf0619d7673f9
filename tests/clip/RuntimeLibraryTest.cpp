#include <gtest/gtest.h>

#include "clip/RuntimeLibrary.h"

namespace {

using zirpel::RuntimeLibrary;

// A library that is missing, or lacks a function, must show as such so
// that the caller can refuse (no sound device, no such file format) instead
// of calling through a null pointer.
TEST(RuntimeLibrary, FindsWhatIsThereAndReportsWhatIsNot) {
    RuntimeLibrary missing("libzirpel-no-such-library.so.0");
    EXPECT_FALSE(missing.Loaded());
    double (*cosine)(double) = +[](double) { return 2.0; };
    EXPECT_FALSE(missing.Find("cos", cosine));
    EXPECT_EQ(cosine, nullptr);

    RuntimeLibrary math("libm.so.6");
    ASSERT_TRUE(math.Loaded());
    ASSERT_TRUE(math.Find("cos", cosine));
    EXPECT_EQ(cosine(0.0), 1.0);
    void (*none)() = nullptr;
    EXPECT_FALSE(math.Find("zirpel_no_such_function", none));
    math.Close();
    EXPECT_FALSE(math.Loaded());
}

}  // namespace
