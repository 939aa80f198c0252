#pragma once
// `notebook press`: delivers the notebook's Fn keys to the running program
// exactly as its keyboard hook posts them.

#include <string>
#include <vector>

int PressCommand(const std::vector<std::string>& args);
void PrintPressHelp();
