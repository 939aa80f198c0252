#pragma once

// The simulated notebook's call log as the observing tests read it.

#include <string>
#include <vector>

namespace observe {

// Every call in the log, oldest first, one line each in the stand-ins' text
// form (sim/SimNotebook.h); empty when the notebook cannot be reached.
std::vector<std::string> CallLogText();
// Calls pushed out of the log's ring since it was last cleared.
unsigned long long CallLogDropped();
bool ClearCallLog();

}  // namespace observe
