#include "clip/RuntimeLibrary.h"

#include <gtest/gtest.h>

#include <unistd.h>

// Declared, never defined: no library has it.
extern "C" int zirpel_missing_entry_point(int);
// A header's renaming of an entry point, as libmpg123 renames some of its
// own to their 64-bit variants.
#define zirpel_renamed_getppid getppid

namespace {

#define PRESENT(X) X(getpid) X(zirpel_renamed_getppid)
ZIRPEL_RUNTIME_LIBRARY(PresentTable, LoadPresent, "libc.so.6", PRESENT)
#define ONE_MISSING(X) X(getpid) X(zirpel_missing_entry_point)
ZIRPEL_RUNTIME_LIBRARY(OneMissingTable, LoadOneMissing, "libc.so.6", ONE_MISSING)
#define NO_LIBRARY(X) X(getpid)
ZIRPEL_RUNTIME_LIBRARY(NoLibraryTable, LoadNoLibrary, "libzirpel-not-installed.so.0", NO_LIBRARY)

TEST(RuntimeLibraryTest, ATableIsCompleteOrNullAndCallsTheLibrary) {
    const PresentTable* present = LoadPresent();
    ASSERT_NE(present, nullptr);
    EXPECT_EQ(present, LoadPresent()) << "opened once";
    EXPECT_EQ(present->getpid(), ::getpid());
    EXPECT_EQ(present->zirpel_renamed_getppid(), ::getppid()) << "looked up under the renamed name";

    EXPECT_EQ(LoadOneMissing(), nullptr) << "one missing entry point makes the library unusable";
    EXPECT_EQ(LoadNoLibrary(), nullptr);

    const zirpel::RuntimeLibrary none("libzirpel-not-installed.so.0");
    EXPECT_FALSE(none.opened());
    int (*entry)() = nullptr;
    EXPECT_FALSE(none.resolve("getpid", entry));
}

}  // namespace
