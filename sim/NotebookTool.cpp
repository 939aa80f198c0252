// notebook: looks at and changes the simulated notebook behind the stand-in
// vendor libraries. Every command is one row of kCommands.

#include "sim/Fields.h"
#include "sim/KeyPress.h"
#include "sim/NotebookLife.h"
#include "sim/SimNotebook.h"
#include "sim/ToolArguments.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

using tool::Fail;
using tool::kBadInput;
using tool::kFailed;
using tool::kOk;

int Unreachable(sim::Notebook& nb) { return Fail(kFailed, "cannot reach the notebook: " + nb.LastError()); }

bool ParseArg(const std::string& text, const char* what, int64_t* v) {
    const std::optional<int64_t> parsed = sim::ParseInteger(text);
    if (!parsed) {
        Fail(kBadInput, std::string(what) + " \"" + text + "\" is not a number (decimal or 0x hex)");
        return false;
    }
    *v = *parsed;
    return true;
}

// "range(0x1f0)" or "range(-5)": hex where the answer is a bit pattern.
std::string FaultText(const sim::State& s, sim::Function f) {
    const sim::FaultSwitch& fs = s.faults[static_cast<int>(f)];
    const auto fault = static_cast<sim::Fault>(fs.fault);
    std::string text = sim::FaultName(fault);
    if (fault == sim::Fault::Range) {
        char buf[32];
        std::snprintf(buf, sizeof buf,
                      f == sim::Function::ACPIEvalMethodEx || f == sim::Function::KervoEvaluate ? "(0x%x)" : "(%d)",
                      fs.rangeValue);
        text += buf;
    } else if (fault == sim::Fault::Stall) {
        text += "(" + std::to_string(fs.stallMs) + " ms)";
    }
    if (fs.onlyCommand != 0) {
        char buf[24];
        std::snprintf(buf, sizeof buf, " 0x%02x only", fs.command);
        text += buf;
    }
    if (fs.timesLeft != 0) {
        text += " x" + std::to_string(fs.timesLeft);
    }
    return text;
}

void Row(const char* name, const std::string& value) { std::printf("%-18s %s\n", name, value.c_str()); }

int Show(sim::Notebook& nb, const Args&) {
    const std::optional<sim::State> st = nb.ReadState();
    const std::optional<sim::CallLog> log = nb.ReadCallLog();
    if (!st || !log) {
        return Unreachable(nb);
    }
    const sim::State& s = *st;
    const std::wstring& inst = nb.Instance();
    Row("instance", std::string(inst.begin(), inst.end()));
    // The table's order, with the fields that take an argument shown whole.
    for (const sim::Field& f : sim::Fields()) {
        if (std::string(f.name) == "level") {
            std::string levels;
            for (int i = 0; i < sim::kBrightnessLevelCount; ++i) {
                levels += (i ? " " : "") + std::to_string(s.brightnessLevels[i]);
            }
            Row("levels", levels);
        } else if (std::string(f.name) == "ec") {
            std::string regs;
            for (int r = 0; r < sim::kEcRegisterCount; ++r) {
                if (s.ec[r]) {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "%s0x%02x=0x%02x", regs.empty() ? "" : " ", r, s.ec[r]);
                    regs += buf;
                }
            }
            // 256 registers are mostly zero: list the others.
            Row("ec", regs.empty() ? "all registers 0" : regs);
        } else if (std::string(f.name) == "outputs" || std::string(f.name) == "active") {
            const int64_t v = f.get(s, 0);
            Row(f.name, sim::FormatFieldValue(f, v) + " (" + sim::OutputNames(static_cast<uint32_t>(v)) + ")");
        } else {
            Row(f.name, sim::FormatFieldValue(f, f.get(s, 0)));
        }
    }
    std::string faults;
    for (int i = 0; i < sim::kFunctionCount; ++i) {
        const auto fn = static_cast<sim::Function>(i);
        if (s.faults[i].fault != static_cast<uint8_t>(sim::Fault::None)) {
            faults += (faults.empty() ? "" : " ") + std::string(sim::Info(fn).name) + "=" + FaultText(s, fn);
        }
    }
    Row("faults", faults.empty() ? "none" : faults);
    Row("call log", std::to_string(log->records.size()) + " calls, " + std::to_string(log->dropped) + " dropped");
    return kOk;
}

// FIELD [ARG] at args[first..]; returns the field, sets *arg, and how many words it took.
const sim::Field* ParseFieldRef(const Args& args, size_t first, int64_t* arg, size_t* used) {
    const sim::Field* f = sim::FieldByName(args[first]);
    if (!f) {
        Fail(kBadInput, "unknown field \"" + args[first] + "\" (see notebook --help)");
        return nullptr;
    }
    *arg = 0;
    *used = 1;
    if (f->argName) {
        if (args.size() <= first + 1) {
            Fail(kBadInput, std::string(f->name) + " needs " + f->argName);
            return nullptr;
        }
        if (!ParseArg(args[first + 1], f->argName, arg)) {
            return nullptr;
        }
        if (*arg < f->argMin || *arg > f->argMax) {
            Fail(kBadInput, std::string(f->name) + ": " + f->argName + " " + args[first + 1] + " is outside " +
                                std::to_string(f->argMin) + ".." + std::to_string(f->argMax));
            return nullptr;
        }
        *used = 2;
    }
    return f;
}

int Get(sim::Notebook& nb, const Args& args) {
    if (args.empty()) {
        return Fail(kBadInput, "usage: notebook get FIELD [N|REG]");
    }
    int64_t arg;
    size_t used;
    const sim::Field* f = ParseFieldRef(args, 0, &arg, &used);
    if (!f) {
        return kBadInput;
    }
    if (args.size() != used) {
        return Fail(kBadInput, "too many words after get " + args[0]);
    }
    const std::optional<sim::State> st = nb.ReadState();
    if (!st) {
        return Unreachable(nb);
    }
    std::printf("%s\n", sim::FormatFieldValue(*f, f->get(*st, arg)).c_str());
    return kOk;
}

int SetLevels(sim::Notebook& nb, const Args& args) {
    // "levels 5,10,20,..." or "levels 5 10 20 ...".
    std::vector<int64_t> values;
    for (size_t i = 1; i < args.size(); ++i) {
        size_t start = 0;
        const std::string& word = args[i];
        while (start <= word.size()) {
            const size_t comma = word.find(',', start);
            const std::string item = word.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            int64_t v;
            if (!ParseArg(item, "level", &v)) {
                return kBadInput;
            }
            values.push_back(v);
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
    }
    std::string why;
    if (!nb.Modify([&](sim::State& s) { why = sim::SetBrightnessLevels(s, values); })) {
        return Unreachable(nb);
    }
    return why.empty() ? kOk : Fail(kBadInput, why);
}

// The checks run inside Modify, under the lock, against the state as it is then.
int Set(sim::Notebook& nb, const Args& args) {
    if (args.size() >= 1 && args[0] == "levels") {
        return SetLevels(nb, args);
    }
    if (args.size() < 2) {
        return Fail(kBadInput, "usage: notebook set FIELD [N|REG] VALUE");
    }
    int64_t arg;
    size_t used;
    const sim::Field* f = ParseFieldRef(args, 0, &arg, &used);
    if (!f) {
        return kBadInput;
    }
    if (args.size() != used + 1) {
        return Fail(kBadInput, std::string("usage: notebook set ") + f->name +
                                   (f->argName ? std::string(" ") + f->argName : "") + " VALUE");
    }
    int64_t value;
    if (!ParseArg(args[used], "value", &value)) {
        return kBadInput;
    }
    std::string why;
    if (!nb.Modify([&](sim::State& s) { why = sim::SetField(s, *f, arg, value); })) {
        return Unreachable(nb);
    }
    return why.empty() ? kOk : Fail(kBadInput, why);
}

int Reset(sim::Notebook& nb, const Args& args) {
    if (!args.empty()) {
        return Fail(kBadInput, "reset takes no arguments");
    }
    return nb.Reset() ? kOk : Unreachable(nb);
}

int ListFaults(sim::Notebook& nb, const std::vector<sim::Function>& which) {
    const std::optional<sim::State> st = nb.ReadState();
    if (!st) {
        return Unreachable(nb);
    }
    std::printf("%-26s %-14s %s\n", "FUNCTION", "FAULT", "APPLICABLE");
    for (sim::Function fn : which) {
        const sim::FunctionInfo& info = sim::Info(fn);
        std::string modes = "none refuse";
        modes += info.canNoWrite ? " nowrite" : "";
        modes += info.canRange ? " range" : "";
        modes += " stall";
        std::printf("%-26s %-14s %s\n", info.name, FaultText(*st, fn).c_str(), modes.c_str());
    }
    return kOk;
}

// The functions that take faults: all but the keyboard's log entries.
std::vector<sim::Function> AllFunctions() {
    std::vector<sim::Function> all;
    for (int i = 0; i < sim::kFunctionCount; ++i) {
        if (static_cast<sim::Function>(i) != sim::Function::Keyboard) {
            all.push_back(static_cast<sim::Function>(i));
        }
    }
    return all;
}

int FaultCommand(sim::Notebook& nb, const Args& allArgs) {
    // --command BYTE and --times N may stand anywhere after the function.
    Args args;
    sim::FaultScope scope;
    for (size_t i = 0; i < allArgs.size(); ++i) {
        const bool command = allArgs[i] == "--command";
        if (!command && allArgs[i] != "--times") {
            args.push_back(allArgs[i]);
            continue;
        }
        int64_t v = 0;
        if (i + 1 == allArgs.size() || !ParseArg(allArgs[i + 1], command ? "command byte" : "call count", &v)) {
            return i + 1 == allArgs.size() ? Fail(kBadInput, allArgs[i] + " needs a value") : kBadInput;
        }
        if (command ? (v < 0 || v > 0xFF) : (v < 1 || v > 0xFFFFFFFFLL)) {
            return Fail(kBadInput, command ? "a command byte is 0..0xff" : "--times counts 1 or more calls");
        }
        if (command) {
            scope.command = static_cast<uint8_t>(v);
        } else {
            scope.times = static_cast<uint32_t>(v);
        }
        ++i;
    }
    if (args.empty()) {
        return ListFaults(nb, AllFunctions());
    }
    const bool all = args[0] == "all";
    const std::optional<sim::Function> fn = sim::FunctionByName(args[0]);
    if (!fn && !all) {
        return Fail(kBadInput,
                    "unknown function \"" + args[0] + "\" (notebook fault lists them; \"all\" with none clears all)");
    }
    if (args.size() == 1) {
        return ListFaults(nb, all ? AllFunctions() : std::vector<sim::Function>{*fn});
    }
    const std::optional<sim::Fault> fault = sim::FaultByName(args[1]);
    if (!fault) {
        return Fail(kBadInput, "unknown fault \"" + args[1] + "\": none, refuse, nowrite, range or stall");
    }
    const bool takesValue = *fault == sim::Fault::Range || *fault == sim::Fault::Stall;
    if (args.size() > 3 || (args.size() == 3 && !takesValue) || (args.size() == 2 && *fault == sim::Fault::Stall)) {
        return Fail(kBadInput,
                    "usage: notebook fault FUNCTION none|refuse|nowrite|range [VALUE]|stall MS "
                    "[--command BYTE] [--times N]");
    }
    if (all) {
        if (*fault != sim::Fault::None) {
            return Fail(kBadInput, "\"all\" goes with none only");
        }
        for (sim::Function f : AllFunctions()) {
            if (!nb.SetFault(f, sim::Fault::None)) {
                return Unreachable(nb);
            }
        }
        return kOk;
    }
    std::optional<int64_t> value;
    if (args.size() == 3) {
        int64_t v;
        if (!ParseArg(args[2], *fault == sim::Fault::Stall ? "stall length" : "range value", &v)) {
            return kBadInput;
        }
        value = v;
    }
    if (!nb.SetFault(*fn, *fault, value, scope)) {
        // SetFault refuses bad combinations before it touches the notebook.
        const std::string why = nb.LastError();
        const bool reached = nb.ReadState().has_value();
        return Fail(reached ? kBadInput : kFailed, why);
    }
    return kOk;
}

int ClearLog(sim::Notebook& nb, const Args& args) {
    if (!args.empty()) {
        return Fail(kBadInput, "clear-log takes no arguments");
    }
    return nb.ClearCallLog() ? kOk : Unreachable(nb);
}

// Every function's calls and faults taken since the last reset, however many
// the ring has dropped.
int LogCounts(sim::Notebook& nb) {
    const std::optional<sim::CallTotals> totals = nb.ReadCallTotals();
    if (!totals) {
        return Unreachable(nb);
    }
    std::printf("%-26s %12s %12s\n", "FUNCTION", "CALLS", "FAULTS");
    for (int i = 0; i < sim::kFunctionCount; ++i) {
        std::printf("%-26s %12llu %12llu\n", sim::Info(static_cast<sim::Function>(i)).name,
                    static_cast<unsigned long long>(totals->calls[i]),
                    static_cast<unsigned long long>(totals->faults[i]));
    }
    return kOk;
}

// --clear only clears: printing and clearing in two steps could lose a call in between.
int Log(sim::Notebook& nb, const Args& args) {
    bool withSeq = false;
    for (const std::string& a : args) {
        if (a == "--clear" || a == "--counts") {
            if (args.size() != 1) {
                return Fail(kBadInput, "log " + a + " takes nothing else");
            }
            return a == "--clear" ? ClearLog(nb, {}) : LogCounts(nb);
        }
        if (a != "--seq") {
            return Fail(kBadInput, "usage: notebook log [--seq | --clear | --counts]");
        }
        withSeq = true;
    }
    const std::optional<sim::CallLog> log = nb.ReadCallLog();
    if (!log) {
        return Unreachable(nb);
    }
    // A comment line, so that a script reading calls can skip it.
    if (log->dropped) {
        std::printf("# %llu earlier calls dropped\n", static_cast<unsigned long long>(log->dropped));
    }
    for (const sim::CallRecord& r : log->records) {
        if (withSeq) {
            std::printf("%llu ", static_cast<unsigned long long>(r.seq));
        }
        std::printf("%s\n", sim::FormatCall(r).c_str());
    }
    return kOk;
}

int Help(sim::Notebook&, const Args&);

int Press(sim::Notebook& nb, const Args& args) { return PressCommand(nb, args); }

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(sim::Notebook& nb, const Args& args);
};

// A new command is one more row here.
const Command kCommands[] = {
    {"show", "show", "all of the notebook's state", Show},
    {"get", "get FIELD [N|REG]", "one field's value", Get},
    {"set", "set FIELD [N|REG] VALUE", "change one field (decimal or 0x hex)", Set},
    {"reset", "reset", "defaults, no faults, empty call log", Reset},
    {"fault", "fault [FUNCTION [none|refuse|nowrite|range [VALUE]|stall MS] [--command B] [--times N]]",
     "list or switch a stand-in function's fault", FaultCommand},
    {"log", "log [--seq | --clear | --counts]", "the call log, a call a line; --counts: totals", Log},
    {"clear-log", "clear-log", "empty the call log", ClearLog},
    {"press", "press KEY [--down | --up | --flags HEX] [--input]",
     "deliver a key to the program as its hook does (press --help)", Press},
    {"sleep", "sleep [--modern]", "suspend (--modern: display off); the controller forgets hotkey mode", SleepCommand},
    {"wake", "wake [--modern]", "tell the program of the resume (--modern: display on)", WakeCommand},
    {"lock", "lock", "tell the program the session was locked", LockCommand},
    {"unlock", "unlock", "tell the program the session was unlocked", UnlockCommand},
    {"drop-hook", "drop-hook [--for SECONDS]",
     "remove the program's hook without telling it, as Windows does (--for: each new one too)", DropHookCommand},
    {"help", "help", "this text", Help},
};

int Help(sim::Notebook&, const Args&) {
    std::printf("usage: notebook COMMAND [ARGS]\n\n");
    for (const Command& c : kCommands) {
        std::printf("  %-55s %s\n", c.usage, c.summary);
    }
    std::printf("\nfields:\n");
    for (const sim::Field& f : sim::Fields()) {
        const std::string name = std::string(f.name) + (f.argName ? std::string(" ") + f.argName : "");
        std::printf("  %-20s %s\n", name.c_str(), f.help);
    }
    std::printf("  %-20s %s\n", "levels L0,..,L7", "all eight brightness levels at once");
    std::printf(
        "\nfaults (per function):\n"
        "  refuse   answer failure (0; -1 for the brightness calls), write nothing;\n"
        "           GetSystemPowerStatus (the program's power status, answered by\n"
        "           its debugger from battery-charge and battery-flag) takes refuse only\n"
        "  nowrite  answer success, write no out-value and change no state\n"
        "  stall MS take MS milliseconds (0..600000) before answering normally\n"
        "  range    answer a value outside the documented range:\n");
    std::printf(
        "  (KervoEvaluate's refuse and stall can be limited to one command byte with\n"
        "   --command BYTE; any fault to N calls with --times N, then it is off)\n");
    for (sim::Function f : AllFunctions()) {
        const sim::FunctionInfo& info = sim::Info(f);
        if (info.canRange) {
            std::printf("    %-26s %s (default %d)\n", info.name, info.rangeMeaning, info.defaultRangeValue);
        }
    }
    std::printf("\nVASK_NOTEBOOK=NAME selects another simulated notebook.\n");
    return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Args args = ToolArguments("notebook", argc, argv);
    sim::Notebook nb;
    // No command at all is a mistake: help, but a failing exit code.
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?") {
        Help(nb, {});
        return args.empty() ? kBadInput : kOk;
    }
    for (const Command& c : kCommands) {
        if (args[0] == c.name) {
            return c.run(nb, Args(args.begin() + 1, args.end()));
        }
    }
    return Fail(kBadInput, "unknown command \"" + args[0] + "\" (notebook --help lists them)");
}
