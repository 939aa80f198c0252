#pragma once
// Asks Windows not to throttle this process. On battery, Windows 11 may run a
// process without a visible window at low quality of service (efficiency
// cores, a lower clock), and every key event of the desktop waits for the
// keyboard hook's thread.

// Systems without the request (before Windows 10 1709, and Wine) stay silent;
// any other refusal writes a line.
void OptOutOfPowerThrottling();
