#pragma once
// How one of our processes starts another program (the package's starter the
// installed program, the program the companion) so that it runs as the
// desktop's user, unelevated, whatever token the starting process holds.
// Windows gives a started program the token of the process that starts it: a
// silent install from an administrator's prompt would give the program a full
// administrator's token, a copy with UI access the companion its high
// integrity. The desktop's shell runs as the session's user, unelevated, and
// starts what it is asked to as it starts the Run value at log-on.

// Whose the shell's process is, against the starting process's user.
enum class ShellOwner {
    SameUser,
    OtherUser,  // or one whose token cannot be read, which is no shell of ours
    NoShell,    // no desktop shell runs
};

// What the starting process's own token says.
struct StartingToken {
    bool sessionZero;  // the services' session, where nobody sees a window
    bool elevated;
    bool uiAccess;
    ShellOwner shellOwner;
};

enum class StartRoute {
    Itself,        // the process starts it: its token is the desktop user's own
    DesktopShell,  // the desktop's shell starts it
    Nothing,       // no desktop to start it on; the Run value starts it at the next log-on
};

constexpr StartRoute RouteOfStart(const StartingToken& token) {
    if (token.sessionZero) {
        return StartRoute::Nothing;
    }
    if (token.elevated || token.uiAccess || token.shellOwner == ShellOwner::OtherUser) {
        return StartRoute::DesktopShell;
    }
    // Without a shell an unelevated process is the best judge of its user.
    return StartRoute::Itself;
}
