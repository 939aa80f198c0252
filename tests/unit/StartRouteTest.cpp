#include "app/StartRoute.h"

#include <gtest/gtest.h>

namespace {

constexpr auto kSame = ShellOwner::SameUser;
constexpr auto kOther = ShellOwner::OtherUser;
constexpr auto kNoShell = ShellOwner::NoShell;

TEST(StartRoute, TheDesktopsUserUnelevatedStartsItThemselvesAnyOtherTokenHasTheShellStartIt) {
    const struct {
        const char* name;
        StartingToken token;
        StartRoute route;
    } cases[] = {
        {"a double-click install: the user's own limited token", {false, false, false, kSame}, StartRoute::Itself},
        {"no shell runs: an unelevated process is the user", {false, false, false, kNoShell}, StartRoute::Itself},
        {"a silent install from an administrator's prompt", {false, true, false, kSame}, StartRoute::DesktopShell},
        {"elevated and no shell: the shell's start fails and says so",
         {false, true, false, kNoShell},
         StartRoute::DesktopShell},
        {"another account's credentials, unelevated", {false, false, false, kOther}, StartRoute::DesktopShell},
        {"a copy with UI access starts the companion", {false, false, true, kSame}, StartRoute::DesktopShell},
        {"a management system's service account", {true, false, false, kNoShell}, StartRoute::Nothing},
        {"LocalSystem in session 0, whoever's shell it sees", {true, true, false, kOther}, StartRoute::Nothing},
        {"session 0 never starts anything, even with a shell of the same user",
         {true, false, false, kSame},
         StartRoute::Nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RouteOfStart(c.token), c.route);
    }
}

}  // namespace
