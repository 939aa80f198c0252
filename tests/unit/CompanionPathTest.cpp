#include "hotkeys/CompanionPath.h"

#include <gtest/gtest.h>

TEST(CompanionPath, EndsAtTheFirstNulOrTheBytesReadAndNeverPastTheBuffer) {
    const char16_t full[4] = {u'a', u'b', u'c', u'd'};
    const char16_t ended[4] = {u'a', u'b', u'c', u'\0'};
    const char16_t inner[4] = {u'a', u'\0', u'c', u'\0'};
    EXPECT_EQ(CompanionPathFromValue(full, 6, 4), u"abc") << "the bytes read end it";
    EXPECT_EQ(CompanionPathFromValue(full, 7, 4), u"abc") << "an odd byte is no unit";
    EXPECT_EQ(CompanionPathFromValue(ended, 8, 4), u"abc") << "a full buffer ended by its NUL";
    EXPECT_EQ(CompanionPathFromValue(inner, 8, 4), u"a");
    EXPECT_EQ(CompanionPathFromValue(full, 0, 4), u"");
    EXPECT_EQ(CompanionPathFromValue(full, 8, 4), std::nullopt) << "full, no NUL: cannot be ended";
    EXPECT_EQ(CompanionPathFromValue(ended, 10, 4), std::nullopt) << "more bytes than the buffer holds";
}
