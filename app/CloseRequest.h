#pragma once

#include <string>
#include <string_view>

// Word on the command line that asks a running instance to quit.
constexpr std::wstring_view kCloseCommand = L"Close";

// True when the file name field or the raw remainder is exactly kCloseCommand.
bool IsCloseRequest(std::wstring_view fileNameField, std::wstring_view rawRemainder);

// The file-name field the application's parser fills from a whole command line.
std::wstring CommandLineFileName(std::wstring_view cmdLine);
