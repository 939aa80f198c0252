// Any command line: it splits, its remainder is its own tail, and a close is
// asked for only by the exact word "Close" in one of the two places.
#include <string>

#include "FuzzInput.h"
#include "app/CloseRequest.h"
#include "framework/CommandLineRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::wstring line;
    while (in.Left() >= sizeof(char16_t)) {
        line.push_back(static_cast<wchar_t>(in.Take<char16_t>()));
    }
    const std::vector<std::wstring> args = SplitCommandLineArguments(line);
    FUZZ_REQUIRE(!args.empty());
    const std::wstring_view remainder = CommandLineRemainder(line);
    FUZZ_REQUIRE(remainder.size() <= line.size());
    FUZZ_REQUIRE(std::wstring_view(line).substr(line.size() - remainder.size()) == remainder);
    const std::wstring fileName = CommandLineFileName(line);
    FUZZ_REQUIRE(fileName.empty() || !IsFlagArgument(fileName));
    if (IsCloseRequest(fileName, remainder)) {
        FUZZ_REQUIRE(fileName == L"Close" || remainder == L"Close");
    }
    return 0;
}
