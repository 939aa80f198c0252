#pragma once

// Everything a test needs to watch the running program from outside.

#include "tests/support/CallLogView.h"
#include "tests/support/Debuggee.h"
#include "tests/support/Process.h"
#include "tests/support/ProcessObjects.h"
#include "tests/support/Screen.h"
#include "tests/support/WindowWatch.h"
