// InfoBoxesTest.cpp - the usage and about boxes: their texts and owners.
#include "InfoBoxes.h"

#include "QvBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

TEST(InfoBoxes, UsageNamesTheProgram) {
    char text[2048];
    formatUsageText(text, sizeof text);
    EXPECT_STREQ(text, "usage:  Quorvel.exe [<-flags>]\n\nArguments:\n\n\tNone\n\nFlags:\n\n"
                       "\t-h          \t\tGive Help.\n\t-a          \t\tGive About information.\n");
}

TEST(InfoBoxes, AboutAndUsageBoxesGoToTheirOwner) {
    qvtest::BoxRecorder recorder;
    int owner = 0;
    EXPECT_EQ(showAbout(&owner), 0);
    EXPECT_EQ(showUsage(&owner), 0);
    ASSERT_EQ(recorder.boxes().size(), 2u);
    EXPECT_EQ(recorder.boxes()[0].owner, &owner);
    EXPECT_EQ(recorder.boxes()[1].owner, &owner);
}

} // namespace
