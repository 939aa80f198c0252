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

namespace {

constexpr int kNotStarted = 120;

int Fail(const char* what) {
    std::fprintf(stderr, "unelevated: %s (error %lu)\n", what, ::GetLastError());
    return kNotStarted;
}

}  // namespace

int wmain() {
    // The command line as given, past this program's own name.
    const wchar_t* rest = ::GetCommandLineW();
    if (*rest == L'"') {
        rest = std::wcschr(rest + 1, L'"');
        rest = rest != nullptr ? rest + 1 : L"";
    } else {
        rest += std::wcscspn(rest, L" \t");
    }
    rest += std::wcsspn(rest, L" \t");
    std::wstring command(rest);
    if (command.empty()) {
        std::fprintf(stderr, "usage: unelevated COMMAND LINE...\n");
        return kNotStarted;
    }
    HANDLE own = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) {
        return Fail("cannot open this process's token");
    }
    const UniqueKernelHandle ownToken(own);
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (!::GetTokenInformation(own, TokenLinkedToken, &linked, sizeof(linked), &size)) {
        return Fail("no limited token linked to this one");
    }
    const UniqueKernelHandle linkedToken(linked.LinkedToken);
    HANDLE primary = nullptr;
    if (!::DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary,
                            &primary)) {
        return Fail("cannot make the limited token a process's");
    }
    const UniqueKernelHandle limited(primary);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessAsUserW(limited.get(), nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process)) {
        return Fail("cannot start the command");
    }
    const UniqueKernelHandle thread(process.hThread);
    const UniqueKernelHandle child(process.hProcess);
    ::WaitForSingleObject(child.get(), INFINITE);
    DWORD code = kNotStarted;
    ::GetExitCodeProcess(child.get(), &code);
    return static_cast<int>(code);
}
