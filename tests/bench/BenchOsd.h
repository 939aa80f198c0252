#pragma once
// A hidden OSD window of the program's own, for the benchmark and the soak.

#include <cstdio>

#include "BenchTiming.h"
#include "osd/Function_UI.h"

class BenchOsd : public Function_UI {
public:
    using Function_UI::RenderAndShow;
};
