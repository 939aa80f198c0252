#include "app/CloseRequest.h"

#include "framework/CommandLineRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the program decides at start-up from its whole command line: the
// application parser's file-name field, and the raw remainder.
bool LineAsksToClose(std::wstring_view cmdLine) {
    return IsCloseRequest(CommandLineFileName(cmdLine), CommandLineRemainder(cmdLine));
}

struct CloseCase {
    const wchar_t* line;
    bool closes;
};

TEST(CloseRequest, FromCommandLine) {
    const std::vector<CloseCase> cases = {
        {L"prog Close", true},
        {L"prog close", false},
        {L"prog CLOSE", false},
        {L"prog /Close", false},
        {L"prog -Close", false},
        {L"prog Close other", true},
        {L"prog other Close", false},
        {L"\"C:\\Program Files\\x.exe\" Close", true},
        {L"prog \"Close\"", true},
        {L"prog  Close ", true},
        {L"prog -x Close", true},
        {L"prog /a /b Close", true},
        {L"prog\tClose", true},
        {L"prog\t\"Close\"\t", true},
        {L"prog Closed", false},
        {L"prog Clos", false},
        {L"prog \"Close \"", false},
        {L"prog", false},
        {L"", false},
        {L"Close", false},
        // An empty argument leaves the field empty for the next one.
        {L"prog \"\" Close", true},
        {L"prog -x \"\" \"\" Close y", true},
    };
    for (const CloseCase& c : cases) {
        EXPECT_EQ(LineAsksToClose(c.line), c.closes) << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(CloseRequest, EitherFieldOrRawTextSuffices) {
    EXPECT_TRUE(IsCloseRequest(L"Close", L"\"Close\""));
    EXPECT_TRUE(IsCloseRequest(L"", L"Close"));
    EXPECT_TRUE(IsCloseRequest(L"Close", L"-x Close"));
    EXPECT_FALSE(IsCloseRequest(L"", L"/Close"));
    EXPECT_FALSE(IsCloseRequest(L"close", L"close"));
    EXPECT_FALSE(IsCloseRequest(L" Close", L"Close "));
}

TEST(FileNameField, FirstParameterThatIsNotAFlag) {
    EXPECT_EQ(CommandLineFileName(L"prog"), L"");
    EXPECT_EQ(CommandLineFileName(L"prog /a -b"), L"");
    EXPECT_EQ(CommandLineFileName(L"prog /a x y"), L"x");
    EXPECT_EQ(CommandLineFileName(L"prog x /a"), L"x");
    EXPECT_EQ(CommandLineFileName(L"prog -a \"\" y"), L"y");
    EXPECT_EQ(CommandLineFileName(L"prog \"-a\" \"/b c\" d"), L"d");
}

}  // namespace
