#pragma once
// The display settings from the program's own key, and the DPI awareness the
// sharp OSD needs. Both run once, first thing at start: awareness can only be
// asked for before the process has windows.

#include "osd/OsdSettings.h"

// HKEY_CURRENT_USER\Software\VaskHotkey over HKEY_LOCAL_MACHINE\Software\VaskHotkey,
// value by value, in the program's own registry view.
SettingsRead ReadOsdSettings();

// Asks for per-monitor (v2) DPI awareness and says whether the user-interface
// thread has per-monitor awareness now. Windows without these calls (before
// Windows 10 1703), or a system that left the process unaware or system-aware,
// answer false with the line saying why in `line`.
bool BecomePerMonitorDpiAware(std::wstring* line);
