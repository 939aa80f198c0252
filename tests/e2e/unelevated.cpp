// Runs a command line as an ordinary user's unelevated program. Wine starts
// every process with a full administrator's token (TokenElevationTypeFull)
// and links to it the limited one Windows gives the same user's programs by
// default; the command runs with that one, and its children inherit it.
//
//   unelevated COMMAND LINE...   exits with the command's exit code; 120 when
//                                it could not be started
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/Handles.h"

int wmain() {
    constexpr int kNotStarted = 120;
    // The command line as given, past this program's own name.
    const wchar_t* rest = ::GetCommandLineW();
    if (*rest == L'"') {
        rest = std::wcschr(rest + 1, L'"');
        rest = rest != nullptr ? rest + 1 : L"";
    } else {
        rest += std::wcscspn(rest, L" \t");
    }
    std::wstring command(rest + std::wcsspn(rest, L" \t"));
    HANDLE own = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own);
    const UniqueKernelHandle ownToken(own);
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    const bool hasLinked =
        own != nullptr && ::GetTokenInformation(own, TokenLinkedToken, &linked, sizeof(linked), &size);
    const UniqueKernelHandle linkedToken(hasLinked ? linked.LinkedToken : nullptr);
    HANDLE primary = nullptr;
    if (hasLinked) {
        ::DuplicateTokenEx(linkedToken.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &primary);
    }
    const UniqueKernelHandle limited(primary);
    if (command.empty() || !limited) {
        std::fprintf(stderr, "unelevated: no limited token to run \"%ls\" with (error %lu)\n", command.c_str(),
                     ::GetLastError());
        return kNotStarted;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessAsUserW(limited.get(), nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process)) {
        std::fprintf(stderr, "unelevated: cannot start \"%ls\" (error %lu)\n", command.c_str(), ::GetLastError());
        return kNotStarted;
    }
    const UniqueKernelHandle thread(process.hThread);
    const UniqueKernelHandle child(process.hProcess);
    ::WaitForSingleObject(child.get(), INFINITE);
    DWORD code = kNotStarted;
    ::GetExitCodeProcess(child.get(), &code);
    return static_cast<int>(code);
}
