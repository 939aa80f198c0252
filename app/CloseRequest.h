#pragma once

#include <string>
#include <string_view>
#include <vector>

// Word on the command line that asks a running instance to quit.
constexpr std::wstring_view kCloseCommand = L"Close";

// True when the file name field or the raw remainder is exactly kCloseCommand.
bool IsCloseRequest(std::wstring_view fileNameField, std::wstring_view rawRemainder);

// The file name field: the first argument that is not a flag, empty if none.
std::wstring FirstNonFlagArgument(const std::vector<std::wstring>& argsAfterProgramName);
