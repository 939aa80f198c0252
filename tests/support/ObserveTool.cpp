// observe: the observation support on the command line, for poking at the
// running program by hand or from a script. One row of kCommands per command.

#include "sim/ToolArguments.h"
#include "sim/Fields.h"
#include "tests/support/Observe.h"

#include <cstdint>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

using tool::Fail;
using tool::kBadInput;
constexpr int kNegative = tool::kFailed;  // not found, timed out, pictures differ
using tool::kOk;

// Line ends and other control bytes made visible, so that "\n" and "\r\n" differ on screen.
std::string Escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

bool Number(const std::string& text, const char* what, int64_t* v) {
    const std::optional<int64_t> parsed = sim::ParseInteger(text);
    if (!parsed) {
        Fail(kBadInput, std::string(what) + " \"" + text + "\" is not a number");
        return false;
    }
    *v = *parsed;
    return true;
}

// A Unix path (from a shell) becomes its Windows form; anything else is kept.
std::wstring PathArg(const std::string& text) {
    if (!text.empty() && text[0] == '/') {
        const std::wstring w = observe::WindowsPathOf(text);
        if (!w.empty()) {
            return w;
        }
    }
    return observe::Widen(text);
}

// Arguments go back into one command line for CreateProcess; the probe's and
// the program's parsers split it as the C runtime does.
std::string QuoteArg(const std::string& a) {
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
        return a;
    }
    std::string q = "\"";
    for (char c : a) {
        q += c == '"' ? std::string("\\\"") : std::string(1, c);
    }
    return q + "\"";
}

std::string HwndText(HWND h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
    return buf;
}

// Options "--name value" pulled out of args; what is left stays in args.
struct Options {
    std::string className, title;
    int64_t timeoutMs = 5000;
    int64_t pid = 0;
    bool hasClass = false, hasTitle = false;
};

bool TakeOptions(Args& args, Options* o, bool allowTimeout) {
    Args rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool known = a == "--class" || a == "--title" || a == "--pid" || (allowTimeout && a == "--timeout");
        if (!known) {
            rest.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) {
            Fail(kBadInput, a + " needs a value");
            return false;
        }
        const std::string& v = args[++i];
        if (a == "--class") {
            o->className = v;
            o->hasClass = true;
        } else if (a == "--title") {
            o->title = v;
            o->hasTitle = true;
        } else if (a == "--pid") {
            if (!Number(v, "pid", &o->pid)) {
                return false;
            }
        } else if (!Number(v, "timeout", &o->timeoutMs) || o->timeoutMs < 0) {
            if (o->timeoutMs < 0) {
                Fail(kBadInput, "timeout must not be negative");
            }
            return false;
        }
    }
    args = rest;
    return true;
}

HWND FindByOptions(const Options& o, DWORD timeoutMs) {
    const std::wstring cls = observe::Widen(o.className);
    const std::wstring title = observe::Widen(o.title);
    return observe::WaitForWindow(o.hasClass ? cls.c_str() : nullptr, o.hasTitle ? title.c_str() : nullptr, timeoutMs,
                                  static_cast<DWORD>(o.pid));
}

// A window handle given as a number, or --class/--title found now.
bool TargetWindow(Args& args, HWND* hwnd) {
    Options o;
    if (!TakeOptions(args, &o, false)) {
        return false;
    }
    if (o.hasClass || o.hasTitle || o.pid) {
        *hwnd = FindByOptions(o, 0);
        if (!*hwnd) {
            Fail(kNegative, "no such window");
            return false;
        }
        return true;
    }
    if (args.empty()) {
        Fail(kBadInput, "give a window handle or --class/--title");
        return false;
    }
    int64_t v;
    if (!Number(args[0], "window handle", &v)) {
        return false;
    }
    args.erase(args.begin());
    *hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(v));
    return true;
}

int Run(Args& args) {
    int64_t timeoutMs = -1;
    if (args.size() >= 2 && args[0] == "--timeout") {
        if (!Number(args[1], "timeout", &timeoutMs) || timeoutMs < 0) {
            return Fail(kBadInput, "usage: observe run [--timeout MS] EXE [ARGS]");
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        return Fail(kBadInput, "usage: observe run [--timeout MS] EXE [ARGS]");
    }
    std::wstring params;
    for (size_t i = 1; i < args.size(); ++i) {
        params += (i > 1 ? L" " : L"") + observe::Widen(QuoteArg(args[i]));
    }
    // A Ctrl-C at the terminal is for whoever started us to act on (make run
    // closes the program with a "Close" start); the lines that follow must
    // still be printed.
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    observe::Debuggee d;
    // Printed from the loop's thread as each line comes, flushed so that a
    // script sees the line before the program writes the next.
    d.OnLine([](const std::string& line) {
        std::printf("%s\n", Escape(line).c_str());
        std::fflush(stdout);
    });
    if (!d.Start(PathArg(args[0]), params)) {
        return Fail(kNegative, "cannot start " + args[0] + ": " + d.Error());
    }
    const std::optional<DWORD> code = d.WaitExit(timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (!code) {
        d.Terminate(1);
        d.WaitExit(INFINITE);
        std::printf("exit=timeout\n");
        return kNegative;
    }
    std::printf("exit=%lu\n", static_cast<unsigned long>(*code));
    return kOk;
}

int WaitWindow(Args& args) {
    Options o;
    if (!TakeOptions(args, &o, true)) {
        return kBadInput;
    }
    if (!args.empty()) {
        return Fail(kBadInput,
                    "usage: observe wait-window [--class C] [--title T] [--pid P] "
                    "[--timeout MS]");
    }
    const HWND h = FindByOptions(o, static_cast<DWORD>(o.timeoutMs));
    if (!h) {
        return Fail(kNegative, "no such window within " + std::to_string(o.timeoutMs) + " ms");
    }
    std::printf("%s\n", HwndText(h).c_str());
    return kOk;
}

int Window(Args& args) {
    HWND h;
    if (!TargetWindow(args, &h)) {
        return kBadInput;
    }
    const observe::WindowInfo w = observe::Inspect(h);
    if (!w.exists) {
        return Fail(kNegative, "no window " + HwndText(h));
    }
    // One "key value" line each, aligned, for grep and for eyes.
    std::printf("hwnd     %s\n", HwndText(h).c_str());
    std::printf("class    %s\n", observe::Narrow(w.className).c_str());
    std::printf("title    %s\n", observe::Narrow(w.title).c_str());
    std::printf("visible  %d\n", w.visible ? 1 : 0);
    std::printf("rect     %ld %ld %ld %ld (%ld x %ld)\n", w.rect.left, w.rect.top, w.rect.right, w.rect.bottom,
                w.rect.right - w.rect.left, w.rect.bottom - w.rect.top);
    std::printf("style    0x%08llx\n", static_cast<unsigned long long>(w.style) & 0xFFFFFFFFull);
    std::printf("exstyle  0x%08llx\n", static_cast<unsigned long long>(w.exStyle) & 0xFFFFFFFFull);
    std::printf("owner    %s\n", HwndText(w.owner).c_str());
    std::printf("pid      %lu\n", static_cast<unsigned long>(w.pid));
    return kOk;
}

bool MessageNumber(const std::string& text, UINT* msg) {
    static const struct {
        const char* name;
        UINT value;
    } kNames[] = {{"WM_DESTROY", WM_DESTROY},
                  {"WM_CLOSE", WM_CLOSE},
                  {"WM_QUIT", WM_QUIT},
                  {"WM_QUERYENDSESSION", WM_QUERYENDSESSION},
                  {"WM_ENDSESSION", WM_ENDSESSION},
                  {"WM_SETTINGCHANGE", WM_SETTINGCHANGE},
                  {"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE},
                  {"WM_KEYDOWN", WM_KEYDOWN},
                  {"WM_KEYUP", WM_KEYUP},
                  {"WM_COMMAND", WM_COMMAND},
                  {"WM_SYSCOMMAND", WM_SYSCOMMAND},
                  {"WM_TIMER", WM_TIMER},
                  {"WM_POWERBROADCAST", WM_POWERBROADCAST},
                  {"WM_HOTKEY", WM_HOTKEY},
                  {"WM_USER", WM_USER},
                  {"WM_APP", WM_APP}};
    // NAME, NAME+N or a number.
    const size_t plus = text.find('+');
    const std::string base = text.substr(0, plus);
    int64_t offset = 0;
    if (plus != std::string::npos) {
        const std::optional<int64_t> o = sim::ParseInteger(text.substr(plus + 1));
        if (!o || *o < 0) {
            return false;
        }
        offset = *o;
    }
    for (const auto& n : kNames) {
        if (base == n.name) {
            *msg = static_cast<UINT>(n.value + offset);
            return true;
        }
    }
    const std::optional<int64_t> v = sim::ParseInteger(text);
    if (!v || *v < 0 || *v > 0xFFFFFFFFLL) {
        return false;
    }
    *msg = static_cast<UINT>(*v);
    return true;
}

int PostOrSend(Args& args, bool send) {
    HWND h;
    if (!TargetWindow(args, &h)) {
        return kBadInput;
    }
    if (args.size() != 3) {
        return Fail(kBadInput, "usage: observe post|send HWND|--class C MSG WPARAM LPARAM");
    }
    UINT msg;
    if (!MessageNumber(args[0], &msg)) {
        return Fail(kBadInput, "message \"" + args[0] + "\" is neither a number nor a known WM_ name");
    }
    int64_t wp, lp;
    if (!Number(args[1], "wparam", &wp) || !Number(args[2], "lparam", &lp)) {
        return kBadInput;
    }
    if (!IsWindow(h)) {
        return Fail(kNegative, "no window " + HwndText(h));
    }
    if (!send) {
        if (!PostMessageW(h, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp))) {
            return Fail(kNegative, "PostMessage failed (error " + std::to_string(GetLastError()) + ")");
        }
        return kOk;
    }
    // With a time limit: a hung program must not hang the script poking at it.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(h, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp), SMTO_ABORTIFHUNG, 5000,
                             &result)) {
        return Fail(kNegative, "SendMessage failed or timed out");
    }
    std::printf("%lld\n", static_cast<long long>(static_cast<LONG_PTR>(result)));
    return kOk;
}

int Signal(Args& args) {
    if (args.size() != 1) {
        return Fail(kBadInput, "usage: observe signal NAME");
    }
    if (!observe::SignalNamedEvent(observe::Widen(args[0]).c_str())) {
        return Fail(kNegative, "no event named " + args[0]);
    }
    return kOk;
}

int Log(Args& args) {
    if (args.size() == 1 && args[0] == "--clear") {
        return observe::ClearCallLog() ? kOk : Fail(kNegative, "cannot reach the notebook");
    }
    if (!args.empty()) {
        return Fail(kBadInput, "usage: observe log [--clear]");
    }
    for (const std::string& line : observe::CallLogText()) {
        std::printf("%s\n", line.c_str());
    }
    return kOk;
}

int Shot(Args& args) {
    if (args.size() != 1) {
        return Fail(kBadInput, "usage: observe screenshot FILE.png");
    }
    return observe::Screenshot(PathArg(args[0])) ? kOk : Fail(kNegative, "screenshot failed");
}

int Diff(Args& args) {
    if (args.size() != 6) {
        return Fail(kBadInput, "usage: observe diff SHOT X Y W H EXPECTED");
    }
    int64_t x, y, w, h;
    if (!Number(args[1], "X", &x) || !Number(args[2], "Y", &y) || !Number(args[3], "W", &w) ||
        !Number(args[4], "H", &h)) {
        return kBadInput;
    }
    const RECT area{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w), static_cast<LONG>(y + h)};
    const long n = observe::CountDifferingPixels(PathArg(args[0]), area, PathArg(args[5]));
    if (n < 0) {
        return Fail(kBadInput,
                    "cannot compare: a picture is missing or undecodable, or the "
                    "sizes do not fit");
    }
    std::printf("%ld\n", n);
    // Like diff(1): 0 when equal, 1 when not, 2 when the comparison was impossible.
    return n == 0 ? kOk : kNegative;
}

int Extract(Args& args) {
    if (args.size() != 3) {
        return Fail(kBadInput, "usage: observe extract MODULE NAME|#ID OUT.png");
    }
    std::wstring name = observe::Widen(args[1]);
    const wchar_t* resource = name.c_str();
    if (args[1].size() > 1 && args[1][0] == '#') {
        int64_t id;
        if (!Number(args[1].substr(1), "resource id", &id) || id <= 0 || id > 0xFFFF) {
            return Fail(kBadInput, "resource id must be 1..65535");
        }
        resource = MAKEINTRESOURCEW(static_cast<WORD>(id));
    }
    return observe::ExtractResourcePicture(PathArg(args[0]), resource, PathArg(args[2]))
               ? kOk
               : Fail(kNegative, "no PNG or bitmap resource " + args[1] + " in " + args[0]);
}

// What the process of a window holds: private bytes, handles, GDI and USER objects.
int Objects(Args& args) {
    HWND h;
    if (!TargetWindow(args, &h)) {
        return kBadInput;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == 0) {
        return Fail(kNegative, "no window " + HwndText(h));
    }
    const observe::ProcessObjects o = observe::CountProcessObjects(pid);
    std::printf("pid      %lu\nprivate  %zu\nhandles  %ld\ngdi      %ld\nuser     %ld\n",
                static_cast<unsigned long>(pid), static_cast<size_t>(o.privateBytes), o.handles, o.gdiObjects,
                o.userObjects);
    return kOk;
}

int Help(Args&);

struct Command {
    const char* name;
    const char* usage;
    int (*run)(Args& args);
};

int Post(Args& args) { return PostOrSend(args, false); }
int Send(Args& args) { return PostOrSend(args, true); }

const Command kCommands[] = {
    {"run", "run [--timeout MS] EXE [ARGS]   diagnostic lines as they come, then exit=N", Run},
    {"wait-window", "wait-window [--class C] [--title T] [--pid P] [--timeout MS]", WaitWindow},
    {"window", "window HWND | --class C [--title T]   what the window is", Window},
    {"post", "post HWND|--class C MSG WPARAM LPARAM   MSG: number, WM_CLOSE, WM_APP+1 ...", Post},
    {"send", "send HWND|--class C MSG WPARAM LPARAM   prints the result", Send},
    {"signal", "signal NAME   sets an existing named event", Signal},
    {"objects", "objects HWND | --class C   private bytes, handles, GDI and USER objects of its process", Objects},
    {"log", "log [--clear]   the simulated notebook's call log", Log},
    {"screenshot", "screenshot FILE.png   the whole virtual display", Shot},
    {"diff", "diff SHOT X Y W H EXPECTED   differing pixels of the area", Diff},
    {"extract", "extract MODULE NAME|#ID OUT.png   a PNG or bitmap resource as PNG", Extract},
    {"help", "help", Help},
};

int Help(Args&) {
    std::printf("usage: observe COMMAND ...\n");
    for (const Command& c : kCommands) {
        std::printf("  %s\n", c.usage);
    }
    return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Args args = ToolArguments("observe", argc, argv);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        Args none;
        Help(none);
        return args.empty() ? kBadInput : kOk;
    }
    for (const Command& c : kCommands) {
        if (args[0] == c.name) {
            Args rest(args.begin() + 1, args.end());
            return c.run(rest);
        }
    }
    return Fail(kBadInput, "unknown command \"" + args[0] + "\" (observe --help lists them)");
}
