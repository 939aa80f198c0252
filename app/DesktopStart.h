#pragma once
// Starting a program as the desktop's user (app/StartRoute.h says why): the
// starting process's token read for the route, and the start through the
// desktop's shell. Shared by the package's starter and the companion key.

#include <optional>
#include <string>

#include <windows.h>

#include "app/StartRoute.h"

// This process's token as the route needs it. A question the system does not
// answer counts the way that hands out no rights: an unreadable elevation as
// elevated (the shell then starts it), an unknown session as the services'.
StartingToken ThisProcessStartingToken();

// The step of a start through the desktop's shell that failed, and its answer.
struct ShellStartFailure {
    const wchar_t* step;
    HRESULT result;
};

// Has the desktop's shell open `file`, shown normally, in `folder` (empty: the
// shell's choice), and returns once the shell has taken it. Needs COM in a
// single-threaded apartment on this thread. Nothing when the shell started it.
std::optional<ShellStartFailure> StartThroughDesktopShell(const std::wstring& file, const std::wstring& folder);
