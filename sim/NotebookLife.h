#pragma once
// What Windows tells a resident program through a notebook's day, and does to
// it: `notebook sleep`, `wake`, `lock`, `unlock` and `drop-hook`.

#include <string>
#include <vector>

#include "sim/SimNotebook.h"

int SleepCommand(sim::Notebook& nb, const std::vector<std::string>& args);
int WakeCommand(sim::Notebook& nb, const std::vector<std::string>& args);
int LockCommand(sim::Notebook& nb, const std::vector<std::string>& args);
int UnlockCommand(sim::Notebook& nb, const std::vector<std::string>& args);
int DropHookCommand(sim::Notebook& nb, const std::vector<std::string>& args);
