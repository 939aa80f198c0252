#pragma once
// What the project's console tools share: plain "\n" line ends (their output
// is read by scripts and tests), their arguments as UTF-8, and their exit codes
// and error lines, which scripts and tests tell apart.

#include <string>
#include <vector>

// `name` starts each error line the tool writes.
std::vector<std::string> ToolArguments(const char* name, int argc, wchar_t** argv);

namespace tool {
constexpr int kOk = 0;
constexpr int kFailed = 1;  // not reached, not found, timed out, refused
constexpr int kBadInput = 2;

// "name: text" on stderr; returns `code`.
int Fail(int code, const std::string& text);
}  // namespace tool
