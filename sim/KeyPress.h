#pragma once
// `notebook press`: delivers the notebook's Fn keys to the running program
// exactly as its keyboard hook posts them, or through the system's input; out
// of hotkey mode, as the plain function keys the keyboard then sends.

#include <string>
#include <vector>

#include "sim/SimNotebook.h"

int PressCommand(sim::Notebook& nb, const std::vector<std::string>& args);
void PrintPressHelp();
