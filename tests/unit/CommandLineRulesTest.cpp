#include "framework/CommandLineRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::wstring>;

struct SplitCase {
    const wchar_t* line;
    Args args;
};

void ExpectSplits(const std::vector<SplitCase>& cases) {
    for (const SplitCase& c : cases) {
        EXPECT_EQ(SplitCommandLineArguments(c.line), c.args) << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(CommandLineSplit, ProgramName) {
    ExpectSplits({
        {L"prog", {L"prog"}},
        {L"prog a", {L"prog", L"a"}},
        {L"prog\ta", {L"prog", L"a"}},
        {L"\"C:\\Program Files\\x.exe\" Close", {L"C:\\Program Files\\x.exe", L"Close"}},
        // No escapes in the program name: backslashes stay, a quote only groups.
        {L"C:\\dir\\\"x y\".exe a", {L"C:\\dir\\x y.exe", L"a"}},
        {L"\"C:\\dir\\\\\" a", {L"C:\\dir\\\\", L"a"}},
        {L"\"unclosed name", {L"unclosed name"}},
    });
}

TEST(CommandLineSplit, EmptyLineHasOnlyAnEmptyProgramName) { ExpectSplits({{L"", {L""}}}); }

TEST(CommandLineSplit, BlanksAndTabsSeparate) {
    ExpectSplits({
        {L"prog  a \t b\t", {L"prog", L"a", L"b"}},
        {L"prog \t ", {L"prog"}},
        {L"prog a\t\tb", {L"prog", L"a", L"b"}},
    });
}

TEST(CommandLineSplit, QuotesGroupAndAreRemoved) {
    ExpectSplits({
        {L"prog \"a b\" c", {L"prog", L"a b", L"c"}},
        {L"prog a\"b c\"d", {L"prog", L"ab cd"}},
        {L"prog \"a\tb\"", {L"prog", L"a\tb"}},
        {L"prog \"unclosed arg", {L"prog", L"unclosed arg"}},
    });
}

TEST(CommandLineSplit, EmptyQuotedArgumentIsKept) {
    ExpectSplits({
        {L"prog \"\"", {L"prog", L""}},
        {L"prog \"\" x", {L"prog", L"", L"x"}},
        {L"prog a \"\" \"\"", {L"prog", L"a", L"", L""}},
    });
}

TEST(CommandLineSplit, DoubledQuoteInsideQuotesIsLiteral) {
    ExpectSplits({
        {L"prog \"a\"\"b\"", {L"prog", L"a\"b"}},
        // Quoting goes on after the doubled quote.
        {L"prog \"a\"\"b c\"", {L"prog", L"a\"b c"}},
        {L"prog \"\"\"\"", {L"prog", L"\""}},
    });
}

TEST(CommandLineSplit, BackslashesBeforeQuote) {
    ExpectSplits({
        // Odd run: half the backslashes and a literal quote.
        {L"prog a\\\"b", {L"prog", L"a\"b"}},
        {L"prog a\\\\\\\"b", {L"prog", L"a\\\"b"}},
        // Even run: half the backslashes and the quote groups.
        {L"prog a\\\\\"b c\"", {L"prog", L"a\\b c"}},
        {L"prog \"a\\\\\" b", {L"prog", L"a\\", L"b"}},
        {L"prog \"a\\\" b\"", {L"prog", L"a\" b"}},
    });
}

TEST(CommandLineSplit, BackslashesWithoutQuoteAreLiteral) {
    ExpectSplits({
        {L"prog a\\\\b", {L"prog", L"a\\\\b"}},
        {L"prog a\\b c\\", {L"prog", L"a\\b", L"c\\"}},
        {L"prog \\\\server\\share", {L"prog", L"\\\\server\\share"}},
        {L"prog a\\\\", {L"prog", L"a\\\\"}},
    });
}

struct RemainderCase {
    const wchar_t* line;
    const wchar_t* remainder;
};

TEST(CommandLineRemainder, RawTextAfterProgramName) {
    const std::vector<RemainderCase> cases = {
        {L"", L""},
        {L"prog", L""},
        {L"prog Close", L"Close"},
        {L"prog  \t Close ", L"Close "},
        {L"prog \"Close\"", L"\"Close\""},
        {L"\"C:\\Program Files\\x.exe\"\t/Close x", L"/Close x"},
        {L"prog a\\\"b  \"c d\"", L"a\\\"b  \"c d\""},
    };
    for (const RemainderCase& c : cases) {
        EXPECT_EQ(CommandLineRemainder(c.line), std::wstring_view(c.remainder))
            << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(CommandLineFlag, SlashOrDashStartsAFlag) {
    EXPECT_TRUE(IsFlagArgument(L"/Close"));
    EXPECT_TRUE(IsFlagArgument(L"-x"));
    EXPECT_TRUE(IsFlagArgument(L"/"));
    EXPECT_TRUE(IsFlagArgument(L"-"));
    EXPECT_FALSE(IsFlagArgument(L""));
    EXPECT_FALSE(IsFlagArgument(L"Close"));
    EXPECT_FALSE(IsFlagArgument(L"a/b"));
    EXPECT_FALSE(IsFlagArgument(L" /x"));
    EXPECT_FALSE(IsFlagArgument(L"\\x"));
}

}  // namespace
