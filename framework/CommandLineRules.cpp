#include "framework/CommandLineRules.h"

#include <cstddef>

namespace {

constexpr wchar_t kBlank = L' ';
constexpr wchar_t kTab = L'\t';
constexpr wchar_t kQuote = L'"';
constexpr wchar_t kBackslash = L'\\';
constexpr wchar_t kSlashFlag = L'/';
constexpr wchar_t kDashFlag = L'-';

bool IsSeparator(wchar_t c) { return c == kBlank || c == kTab; }

struct ProgramName {
    std::wstring name;
    std::size_t end;  // index just past the name and the blank that ended it
};

// The program name has no backslash escapes; quotes only protect blanks.
ProgramName ReadProgramName(std::wstring_view line) {
    ProgramName result{{}, 0};
    bool inQuotes = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const wchar_t c = line[i++];
        if (c == kQuote) {
            inQuotes = !inQuotes;
        } else if (!inQuotes && IsSeparator(c)) {
            break;
        } else {
            result.name.push_back(c);
        }
    }
    result.end = i;
    return result;
}

std::size_t SkipSeparators(std::wstring_view line, std::size_t i) {
    while (i < line.size() && IsSeparator(line[i])) {
        ++i;
    }
    return i;
}

}  // namespace

std::vector<std::wstring> SplitCommandLineArguments(std::wstring_view cmdLine) {
    ProgramName program = ReadProgramName(cmdLine);
    std::vector<std::wstring> args;
    args.push_back(std::move(program.name));

    std::size_t i = SkipSeparators(cmdLine, program.end);
    while (i < cmdLine.size()) {
        std::wstring arg;
        bool inQuotes = false;
        while (i < cmdLine.size()) {
            std::size_t backslashes = 0;
            while (i < cmdLine.size() && cmdLine[i] == kBackslash) {
                ++backslashes;
                ++i;
            }
            const bool atQuote = i < cmdLine.size() && cmdLine[i] == kQuote;
            if (!atQuote) {
                // Backslashes not followed by a quote are plain characters.
                arg.append(backslashes, kBackslash);
                if (i == cmdLine.size() || (!inQuotes && IsSeparator(cmdLine[i]))) {
                    break;
                }
                arg.push_back(cmdLine[i++]);
                continue;
            }
            arg.append(backslashes / 2, kBackslash);
            if (backslashes % 2 == 1) {
                arg.push_back(kQuote);
            } else if (inQuotes && i + 1 < cmdLine.size() && cmdLine[i + 1] == kQuote) {
                // "" inside quotes is a literal quote and the quoting goes on.
                arg.push_back(kQuote);
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
            ++i;
        }
        args.push_back(std::move(arg));
        i = SkipSeparators(cmdLine, i);
    }
    return args;
}

std::wstring_view CommandLineRemainder(std::wstring_view cmdLine) {
    const std::size_t start = SkipSeparators(cmdLine, ReadProgramName(cmdLine).end);
    return cmdLine.substr(start);
}

bool IsFlagArgument(std::wstring_view arg) {
    return !arg.empty() && (arg.front() == kSlashFlag || arg.front() == kDashFlag);
}

void ForEachCommandLineParam(std::wstring_view cmdLine,
                             const std::function<void(const std::wstring& param, bool flag, bool last)>& parseParam) {
    const std::vector<std::wstring> args = SplitCommandLineArguments(cmdLine);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool flag = IsFlagArgument(args[i]);
        parseParam(flag ? args[i].substr(1) : args[i], flag, i + 1 == args.size());
    }
}

void TakeFileNameParam(std::wstring& fileName, std::wstring_view param, bool flag) {
    if (!flag && fileName.empty()) {
        fileName = param;
    }
}
