#include "ProgramHarness.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "Screen.h"
#include "WindowWatch.h"

namespace e2e {

namespace {
constexpr wchar_t kMainClass[] = L"VaskHotkeyClass";
constexpr wchar_t kOsdTitle[] = L"Function_control_window";
}  // namespace

std::vector<std::string> StartLines() {
    std::vector<std::string> lines = {"[VaskHotkey]Enable VaskHotkey to control Volume\n"};
    const sim::State fresh = sim::DefaultState();
    for (int32_t level : fresh.brightnessLevels) {
        lines.push_back("[VaskHotkey]Set Brightness Levels to : " + std::to_string(level) + "\n");
    }
    return lines;
}

std::vector<std::string> StartCalls() {
    std::vector<std::string> calls = {"KervoEvaluate(0x59, [90], 1, null, 0) -> 1"};
    const sim::State fresh = sim::DefaultState();
    for (int i = 0; i < 8; ++i) {
        calls.push_back("WMI_GetBrightnessSetVista(" + std::to_string(i) + ") -> " +
                        std::to_string(fresh.brightnessLevels[i]));
    }
    return calls;
}

std::vector<std::string> StartAndCloseLines() {
    std::vector<std::string> lines = StartLines();
    lines.insert(lines.end(), std::begin(kCloseLines), std::end(kCloseLines));
    return lines;
}

std::wstring BinDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

std::wstring ProgramPath() { return BinDirectory() + L"\\VaskHotkey.exe"; }

FreshNotebook::FreshNotebook() {
    // One machine per test process, reset for every test.
    const std::wstring instance = L"e2e-" + std::to_wstring(::GetCurrentProcessId());
    ::SetEnvironmentVariableW(L"VASK_NOTEBOOK", instance.c_str());
    m_notebook = std::make_unique<sim::Notebook>(instance);
    m_notebook->Open();
    m_notebook->Reset();
}

FreshNotebook::~FreshNotebook() {
    // The machine lives in a file of its own; leave nothing behind.
    m_notebook->Discard();
}

std::vector<std::string> FreshNotebook::CallLog() {
    return m_notebook->CallLogText().value_or(std::vector<std::string>{});
}

std::vector<sim::CallRecord> FreshNotebook::UnseenCalls() {
    std::vector<sim::CallRecord> unseen;
    const std::optional<sim::CallLog> log = m_notebook->ReadCallLog();
    if (!log || log->records.empty()) {
        return unseen;
    }
    // A reset since numbers the calls from 1 again: all of them are new.
    if (log->records.back().seq < m_seenSeq) {
        m_seenSeq = 0;
    }
    for (const sim::CallRecord& record : log->records) {
        if (record.seq > m_seenSeq) {
            unseen.push_back(record);
        }
    }
    return unseen;
}

std::vector<std::string> FreshNotebook::NewCalls() {
    std::vector<std::string> fresh;
    for (const sim::CallRecord& record : UnseenCalls()) {
        fresh.push_back(sim::FormatCall(record));
        m_seenSeq = record.seq;
    }
    return fresh;
}

bool FreshNotebook::WaitForCall(const std::string& prefix, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    do {
        for (const sim::CallRecord& record : UnseenCalls()) {
            if (sim::FormatCall(record).rfind(prefix, 0) == 0) {
                m_seenSeq = record.seq;
                return true;
            }
        }
        ::Sleep(2);
    } while (::GetTickCount() - start < timeoutMs);
    return false;
}

ProgramRun::~ProgramRun() {
    if (m_debuggee.Running()) {
        // Its window's close is what a "Close" start sends, without a second
        // program's start (a third of a second per case).
        if (m_main != nullptr && ::IsWindow(m_main)) {
            ::PostMessageW(m_main, WM_CLOSE, 0, 0);
        } else {
            RunToEnd(L"Close");
        }
        if (!m_debuggee.WaitExit(5000)) {
            m_debuggee.Terminate();
        }
    }
}

bool ProgramRun::Start(const std::wstring& args) {
    if (!m_debuggee.Start(ProgramPath(), args, BinDirectory())) {
        std::fprintf(stderr, "the program did not start: %s\n", m_debuggee.Error().c_str());
        return false;
    }
    return true;
}

HWND ProgramRun::WaitForMainWindow(DWORD timeoutMs) {
    m_main = observe::WaitForWindow(kMainClass, nullptr, timeoutMs, m_debuggee.Pid());
    // The window exists before its initialisation has run; a sent message is
    // answered only once the program's message loop runs, after it.
    if (m_main != nullptr) {
        Settle();
    }
    return m_main;
}

HWND ProgramRun::OsdWindow() const { return observe::WaitForWindow(nullptr, kOsdTitle, 2000, m_debuggee.Pid()); }

void ProgramRun::Press(uint32_t flags, uint32_t scanCode) const {
    ::PostMessageW(m_main, WM_FNKEY_EVENT, flags, scanCode);
}

bool ProgramRun::WaitForNewLine(const std::string& line, size_t after, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const std::vector<std::string> lines = Lines();
        for (size_t i = after; i < lines.size(); ++i) {
            if (lines[i] == line) {
                return true;
            }
        }
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
        ::Sleep(2);
    }
}

bool ProgramRun::Settle() const {
    // A sent message is handled after everything posted before it.
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(m_main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

ProgramRun::Effect ProgramRun::EffectOf(FreshNotebook& machine, const std::function<void()>& act,
                                        DWORD timeoutMs) const {
    return EffectWithMarker(
        machine, act, [this] { Press(0x81, 0x04); }, timeoutMs);
}

ProgramRun::Effect ProgramRun::EffectOfInput(FreshNotebook& machine, const std::function<void()>& act,
                                             DWORD timeoutMs) const {
    return EffectWithMarker(
        machine, act, [] { SendKeys(L"x04d x04u"); }, timeoutMs);
}

ProgramRun::Effect ProgramRun::EffectWithMarker(FreshNotebook& machine, const std::function<void()>& act,
                                                const std::function<void()>& marker, DWORD timeoutMs) const {
    Effect effect;
    const size_t linesBefore = Lines().size();
    machine.NewCalls();
    act();
    marker();
    const DWORD start = ::GetTickCount();
    for (bool marked = false; !marked && ::GetTickCount() - start < timeoutMs;) {
        for (const std::string& call : machine.NewCalls()) {
            if (call.rfind("KervoEvaluate(0xb0, [bb]", 0) == 0) {
                marked = true;
                break;
            }
            effect.calls.push_back(call);
        }
        if (!marked) {
            ::Sleep(2);
        }
    }
    // The marker's line follows its call.
    m_debuggee.WaitForLineCount(linesBefore + 1, timeoutMs);
    const DWORD lineStart = ::GetTickCount();
    for (;;) {
        const std::vector<std::string> lines = Lines();
        if (!lines.empty() && lines.size() > linesBefore &&
            (lines.back() == "SWITCH_ON" || lines.back() == "SWITCH_OFF")) {
            effect.lines.assign(lines.begin() + static_cast<long>(linesBefore), lines.end() - 1);
            break;
        }
        if (::GetTickCount() - lineStart > timeoutMs) {
            effect.lines.assign(lines.begin() + static_cast<long>(std::min(linesBefore, lines.size())), lines.end());
            effect.lines.push_back("<marker never answered>");
            break;
        }
        ::Sleep(2);
    }
    return effect;
}

PlainRun::~PlainRun() {
    if (m_process.process && ::WaitForSingleObject(m_process.process.get(), 0) == WAIT_TIMEOUT && !Close()) {
        ::TerminateProcess(m_process.process.get(), 1);
    }
}

bool PlainRun::Start(FreshNotebook& machine) {
    const std::wstring exe = ProgramPath();
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!observe::CreateProcessRetrying(exe.c_str(), commandLine, FALSE, 0, BinDirectory().c_str(), &startup,
                                        &started)) {
        return false;
    }
    m_process = observe::StartedProcess(started);
    m_main = observe::WaitForWindow(kMainClass, nullptr, kStartTimeoutMs, m_process.pid);
    return m_main != nullptr && machine.WaitForCall("WMI_GetBrightnessSetVista(7)");
}

std::optional<DWORD> PlainRun::Close(DWORD timeoutMs) {
    ::PostMessageW(m_main, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(m_process.process.get(), timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.process.get(), &code);
    return code;
}

SIZE_T PlainRun::PrivateBytes() const {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(m_process.process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters));
    return counters.PagefileUsage;
}

size_t CountCalls(const std::vector<std::string>& calls, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& call : calls) {
        n += call.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return n;
}

namespace {
std::wstring TempPicturePath(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"vask-e2e-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + name + L".png";
}
}  // namespace

std::optional<observe::Picture> ProgramPicture(uint16_t id, const std::wstring& type) {
    const std::wstring file = TempPicturePath(L"expected");
    if (!observe::ExtractResourcePicture(ProgramPath(), MAKEINTRESOURCEW(id), file, type.c_str())) {
        return std::nullopt;
    }
    std::optional<observe::Picture> picture = observe::LoadPicture(file);
    ::DeleteFileW(file.c_str());
    return picture;
}

long DifferingOnScreen(const RECT& area, const std::optional<observe::Picture>& expected) {
    const std::wstring file = TempPicturePath(L"shot");
    if (!expected) {
        return -2;
    }
    if (!observe::Screenshot(file)) {
        return -3;
    }
    const std::optional<observe::Picture> shot = observe::LoadPicture(file);
    ::DeleteFileW(file.c_str());
    return shot ? observe::CountDifferingPixels(*shot, area, *expected) : -3;
}

long DifferingFromPicture(uint16_t id) {
    return DifferingOnScreen({545, 343, 545 + 190, 343 + 114}, ProgramPicture(id));
}

ToolRun RunTool(const std::wstring& exe, const std::wstring& args) {
    ToolRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readPipe = nullptr;
    HANDLE writePipe = nullptr;
    if (!::CreatePipe(&readPipe, &writePipe, &inherit, 0)) {
        run.output = "no pipe for its output: error " + std::to_string(::GetLastError());
        return run;
    }
    const UniqueKernelHandle readEnd(readPipe);
    UniqueKernelHandle writeEnd(writePipe);
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    const std::wstring path = BinDirectory() + L"\\" + exe;
    std::wstring commandLine = L"\"" + path + L"\" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process{};
    const BOOL started =
        observe::CreateProcessRetrying(path.c_str(), commandLine, TRUE, 0, nullptr, &startup, &process);
    const DWORD startError = started ? 0 : ::GetLastError();
    writeEnd.reset();
    if (!started) {
        run.output = "could not start it: error " + std::to_string(startError);
    } else {
        const observe::StartedProcess tool(process);
        observe::ReadWhileRunning(tool.process.get(), INFINITE, {{readEnd.get(), &run.output}});
        ::GetExitCodeProcess(tool.process.get(), &run.exitCode);
    }
    return run;
}

bool SendKeys(const std::wstring& keys, DWORD timeoutMs) {
    const std::wstring exe = BinDirectory() + L"\\send_input.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + keys;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!observe::CreateProcessRetrying(exe.c_str(), commandLine, FALSE, 0, nullptr, &startup, &process)) {
        std::fprintf(stderr, "send_input could not start: error %lu\n", ::GetLastError());
        return false;
    }
    const observe::StartedProcess sender(process);
    ::WaitForSingleObject(sender.process.get(), timeoutMs);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(sender.process.get(), &exitCode);
    if (exitCode != 0) {
        std::fprintf(stderr, "send_input ended with %lu\n", exitCode);
    }
    return exitCode == 0;
}

Finished RunToEnd(const std::wstring& args, DWORD timeoutMs) {
    observe::Debuggee run;
    Finished finished;
    if (!run.Start(ProgramPath(), args, BinDirectory())) {
        std::fprintf(stderr, "the program did not start: %s\n", run.Error().c_str());
        return finished;
    }
    finished.exitCode = run.WaitExit(timeoutMs);
    finished.lines = run.Lines();
    if (!finished.exitCode) {
        run.Terminate();
    }
    return finished;
}

void RunningProgramTest::SetUp() {
    CloseAnyRunningProgram();
    ASSERT_TRUE(program.Start());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    osd = program.OsdWindow();
    ASSERT_NE(osd, nullptr);
    machine.NewCalls();
}

int CountFromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

void CloseAnyRunningProgram() {
    for (int i = 0; i < 5 && ::FindWindowW(kMainClass, nullptr) != nullptr; ++i) {
        RunToEnd(L"Close");
        ::Sleep(100);
    }
}

}  // namespace e2e
