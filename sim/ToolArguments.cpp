#include "sim/ToolArguments.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {
const char* g_toolName = "tool";
}  // namespace

int tool::Fail(int code, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", g_toolName, text.c_str());
    return code;
}

std::vector<std::string> ToolArguments(const char* name, int argc, wchar_t** argv) {
    g_toolName = name;
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) {
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), n, nullptr, nullptr);
        }
        args.push_back(arg);
    }
    return args;
}
