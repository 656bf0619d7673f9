// The sense tables and geterrorMessage: table shape, the key, the prefix
// rules and the look-up of pairs with one, two or no entries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cdrom/scsierrs.h"

using zirpel::geterrorMessage;

TEST(SenseTexts, TablesHaveTheirSizesAndSortedWellFormedKeys) {
    ASSERT_EQ(zirpel::kSenseKeyNames.size(), 16u);
    ASSERT_EQ(zirpel::kAdditionalSenseTexts.size(), 310u);

    std::string previous;
    for (const char* entry : zirpel::kAdditionalSenseTexts) {
        const std::string s(entry);
        ASSERT_GT(s.size(), 8u) << s;
        ASSERT_TRUE(s[0] == '\\' && s[4] == '\\') << s;
        for (int i : {1, 2, 3, 5, 6, 7}) ASSERT_TRUE(s[i] >= '0' && s[i] <= '7') << s;
        EXPECT_LE(previous, s.substr(0, 8)) << s;  // sorted by ASC, then ASCQ
        previous = s.substr(0, 8);
        for (char c : s.substr(8)) EXPECT_FALSE(c >= 'A' && c <= 'Z') << s;
    }
    EXPECT_STREQ(zirpel::kAdditionalSenseTexts[0], "\\000\\000no additional sense information");
    EXPECT_STREQ(zirpel::kAdditionalSenseTexts[309], "\\200\\000start vendor unique");
    EXPECT_EQ(zirpel::SenseTableKey(0x24, 0x00), "\\044\\000");
    EXPECT_EQ(zirpel::SenseTableKey(0xFF, 0x08), "\\377\\010");
}

TEST(SenseTexts, MessagesForKnownPairs) {
    EXPECT_EQ(geterrorMessage(5, 0x24, 0x00), "Illegal Request: invalid field in cdb");
    EXPECT_EQ(geterrorMessage(0, 0x00, 0x11),
              "No Additional Sense: audio play operation in progress");
    EXPECT_EQ(geterrorMessage(2, 0x04, 0x02),
              "Not Ready: logical unit not ready, initializing cmd. required");
    EXPECT_EQ(geterrorMessage(3, 0x11, 0x05), "Medium Error: l-ec uncorrectable error");
    EXPECT_EQ(geterrorMessage(6, 0x28, 0x00),
              "Unit Attention: not ready to ready change, medium may have changed");
    EXPECT_EQ(geterrorMessage(2, 0x3A, 0x01), "Not Ready: medium not present - tray closed");
    EXPECT_EQ(geterrorMessage(3, 0x57, 0x00), "Medium Error: unable to recover table-of-contents");
    EXPECT_EQ(geterrorMessage(1, 0x5D, 0xFF),
              "Recovered Error: failure prediction threshold exceeded (false)");
    EXPECT_EQ(geterrorMessage(5, 0x64, 0x00), "Illegal Request: illegal mode for this track");
    EXPECT_EQ(geterrorMessage(4, 0x73, 0x00), "Hardware Error: cd control error");
    EXPECT_EQ(geterrorMessage(9, 0x80, 0x00), "Vendor Unique: start vendor unique");
    // Both entries of the pair, in table order.
    EXPECT_EQ(geterrorMessage(4, 0x40, 0x00),
              "Hardware Error: ram failure (should use 40 nn) "
              "nn diagnostic failure on component nn (80h-ffh)");
}

TEST(SenseTexts, FallBacks) {
    EXPECT_EQ(geterrorMessage(2, 0x23, 0x00), "Not Ready:");  // pair not in the table
    EXPECT_EQ(geterrorMessage(1, 0x5D, 0x01), "Recovered Error:");
    EXPECT_EQ(geterrorMessage(9, 0x81, 0x00), "Vendor Unique:");  // vendor codes
    EXPECT_EQ(geterrorMessage(15, 0x23, 0x00), "Reserved:");
    EXPECT_EQ(geterrorMessage(16, 0x23, 0x00), "Fehler:");
    // The sense key byte is taken whole: flags make it "Fehler:".
    EXPECT_EQ(geterrorMessage(0x25, 0x24, 0x00), "Fehler: invalid field in cdb");
    EXPECT_EQ(geterrorMessage(0xFF, 0xFF, 0xFF), "Fehler:");
}
