#pragma once

// Small process and file helpers the Wine tests share.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Handles.h"

namespace observe {

// A process CreateProcess started, both of its handles owned.
struct StartedProcess {
    StartedProcess() = default;
    explicit StartedProcess(const PROCESS_INFORMATION& started)
        : process(started.hProcess), thread(started.hThread), pid(started.dwProcessId) {}

    // Asks the process to close through its main window and ends it when it
    // has not within waitMs; one that never showed a window (main null) is
    // ended at once. Nothing when none was started.
    void CloseOrEnd(HWND main, DWORD waitMs = 10000) const;

    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD pid = 0;
};

// CreateProcessW, tried again when Wine answers ERROR_INTERNAL_ERROR (1359):
// in long runs it now and then cannot start a process for reasons of the host,
// and a test must not take that for a fault of what it tests. Each retry is
// written to standard error.
BOOL CreateProcessRetrying(const wchar_t* application, std::wstring& commandLine, BOOL inheritHandles, DWORD flags,
                           const wchar_t* workDir, STARTUPINFOW* startup, PROCESS_INFORMATION* started);

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::string out;  // standard output as written
    std::string err;  // standard error as written
};

// Runs exe with args, collecting both output streams; a program still running
// after timeoutMs is terminated (timedOut set).
ProcessResult RunProcess(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs = 20000,
                         const std::wstring& workDir = {});

// Reads what the pipes receive until `process` has ended (true), or until
// timeoutMs has passed (false), and what they hold then. Not until the pipes'
// end: a program the process started may hold their write ends for as long
// as it lives (Wine starts its desktop process, explorer.exe, from whichever
// program first needs it, with that program's standard handles).
bool ReadWhileRunning(HANDLE process, DWORD timeoutMs, const std::vector<std::pair<HANDLE, std::string*>>& pipes);

// Folder of the running executable, with a trailing backslash.
std::wstring ExecutableDir();

// A new empty folder under the temporary folder, and its removal with all it holds.
std::wstring MakeTempDir(const std::wstring& prefix);
bool RemoveTree(const std::wstring& dir);

std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);

}  // namespace observe
