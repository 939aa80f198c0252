#include "app/CloseRequest.h"

#include "framework/CommandLineRules.h"

bool IsCloseRequest(std::wstring_view fileNameField, std::wstring_view rawRemainder) {
    return fileNameField == kCloseCommand || rawRemainder == kCloseCommand;
}

std::wstring FirstNonFlagArgument(const std::vector<std::wstring>& argsAfterProgramName) {
    for (const std::wstring& arg : argsAfterProgramName) {
        if (!IsFlagArgument(arg)) {
            return arg;
        }
    }
    return {};
}
