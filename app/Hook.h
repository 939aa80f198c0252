#pragma once

// Holds nothing; the hook itself lives in g_hKeyboardHook.
class CHook {
public:
    virtual ~CHook() = default;
};
