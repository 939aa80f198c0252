#pragma once
// What the project's console tools share at start: plain "\n" line ends (their
// output is read by scripts and tests) and their arguments as UTF-8.

#include <string>
#include <vector>

std::vector<std::string> ToolArguments(int argc, wchar_t** argv);
