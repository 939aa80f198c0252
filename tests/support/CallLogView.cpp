#include "tests/support/CallLogView.h"

#include "sim/SimNotebook.h"

namespace observe {

// Through the process's own handle: opening one per call would cost a file
// open and a mapping each time a test polls the log.
std::vector<std::string> CallLogText() {
    return sim::ProcessNotebook().CallLogText().value_or(std::vector<std::string>{});
}

unsigned long long CallLogDropped() {
    const auto log = sim::ProcessNotebook().ReadCallLog();
    return log ? log->dropped : 0;
}

bool ClearCallLog() { return sim::ProcessNotebook().ClearCallLog(); }

}  // namespace observe
