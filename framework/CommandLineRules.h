#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Splits a command line the way the C runtime builds argv; element 0 is the
// program name and is always present, empty for an empty command line.
std::vector<std::wstring> SplitCommandLineArguments(std::wstring_view cmdLine);

// The raw text after the program name, leading blanks and tabs skipped.
std::wstring_view CommandLineRemainder(std::wstring_view cmdLine);

// True for an argument written as a switch: "/x" or "-x".
bool IsFlagArgument(std::wstring_view arg);

// Hands each argument after the program name to `parseParam` as the
// application's parser does: a flag without its leading '/' or '-', and
// whether it is the last.
void ForEachCommandLineParam(std::wstring_view cmdLine,
                             const std::function<void(const std::wstring& param, bool flag, bool last)>& parseParam);

// The file-name field's rule: a parameter that is not a flag fills the field
// while it is still empty (an empty argument leaves it empty for the next).
void TakeFileNameParam(std::wstring& fileName, std::wstring_view param, bool flag);
