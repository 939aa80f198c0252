#pragma once

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
