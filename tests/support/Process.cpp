#include "tests/support/Process.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace observe {

namespace {

// One reader per pipe: a child that fills one pipe while we wait on the other
// would otherwise block for good.
// What the pipe holds now, without waiting for more.
void TakeAvailable(HANDLE pipe, std::string* into) {
    char buf[4096];
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD got = 0;
        if (!ReadFile(pipe, buf, available < sizeof buf ? available : sizeof buf, &got, nullptr) || got == 0) {
            return;
        }
        into->append(buf, got);
    }
}

// A pipe with both ends owned; false when none could be made.
bool OpenPipe(SECURITY_ATTRIBUTES* sa, UniqueKernelHandle* readEnd, UniqueKernelHandle* writeEnd) {
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, sa, 0)) {
        return false;
    }
    readEnd->reset(read);
    writeEnd->reset(write);
    return true;
}

}  // namespace

void StartedProcess::CloseOrEnd(HWND main, DWORD waitMs) const {
    if (!process) {
        return;
    }
    if (main != nullptr) {
        ::PostMessageW(main, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(process.get(), main != nullptr ? waitMs : 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
    }
}

BOOL CreateProcessRetrying(const wchar_t* application, std::wstring& commandLine, BOOL inheritHandles, DWORD flags,
                           const wchar_t* workDir, STARTUPINFOW* startup, PROCESS_INFORMATION* started) {
    constexpr int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(application, commandLine.data(), nullptr, nullptr, inheritHandles, flags, nullptr, workDir,
                           startup, started)) {
            return TRUE;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kTries) {
            SetLastError(error);
            return FALSE;
        }
        std::fprintf(stderr, "CreateProcess of %ls: error %lu from Wine, tried again\n", commandLine.c_str(), error);
        Sleep(100 * attempt);
    }
}

ProcessResult RunProcess(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs,
                         const std::wstring& workDir) {
    ProcessResult result;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    UniqueKernelHandle outRead, outWrite, errRead, errWrite;
    if (!OpenPipe(&sa, &outRead, &outWrite) || !OpenPipe(&sa, &errRead, &errWrite)) {
        return result;
    }
    // Only the child's ends are inherited.
    SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = outWrite.get();
    si.hStdError = errWrite.get();
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    result.started = CreateProcessRetrying(nullptr, commandLine, TRUE, CREATE_NO_WINDOW,
                                           workDir.empty() ? nullptr : workDir.c_str(), &si, &pi) != FALSE;
    outWrite.reset();
    errWrite.reset();
    if (result.started) {
        const StartedProcess child(pi);
        const std::vector<std::pair<HANDLE, std::string*>> pipes = {{outRead.get(), &result.out},
                                                                    {errRead.get(), &result.err}};
        if (!ReadWhileRunning(child.process.get(), timeoutMs, pipes)) {
            result.timedOut = true;
            TerminateProcess(child.process.get(), 1);
            WaitForSingleObject(child.process.get(), INFINITE);
            ReadWhileRunning(child.process.get(), 0, pipes);
        }
        GetExitCodeProcess(child.process.get(), &result.exitCode);
    }
    return result;
}

bool ReadWhileRunning(HANDLE process, DWORD timeoutMs, const std::vector<std::pair<HANDLE, std::string*>>& pipes) {
    const DWORD start = GetTickCount();
    for (;;) {
        // Ended before the last look at the pipes: all it wrote is in them.
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        for (const auto& [pipe, into] : pipes) {
            TakeAvailable(pipe, into);
        }
        if (ended) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        WaitForSingleObject(process, 5);
    }
}

std::wstring ExecutableDir() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

std::wstring MakeTempDir(const std::wstring& prefix) {
    wchar_t base[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, base);
    // Process id and tick count make clashes rare; retrying makes them harmless.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring dir = std::wstring(base, n) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(dir.c_str(), nullptr)) {
            return dir + L"\\";
        }
    }
    return {};
}

bool RemoveTree(const std::wstring& dir) {
    std::wstring root = dir;
    if (!root.empty() && root.back() != L'\\') {
        root += L'\\';
    }
    WIN32_FIND_DATAW fd;
    const HANDLE first = FindFirstFileW((root + L"*").c_str(), &fd);
    if (first != INVALID_HANDLE_VALUE) {
        const UniqueFindHandle find(first);
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            // Depth first: a folder can only go once it is empty.
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(root + name);
            } else {
                DeleteFileW((root + name).c_str());
            }
        } while (FindNextFileW(find.get(), &fd));
    }
    return RemoveDirectoryW(root.c_str()) != FALSE;
}

std::wstring Widen(const std::string& s) {
    if (s.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& w) {
    if (w.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

}  // namespace observe
