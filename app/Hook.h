#pragma once
// The keyboard hook and the thread it lives on. The system calls a low-level
// hook through the message loop of the thread that installed it, and every
// program's key event waits for that call. On the user-interface thread a
// vendor call, a picture decode or a modal loop would hold the whole desktop's
// typing, and past the system's timeout Windows removes the hook without a
// word. So the hook is installed, called and removed on a thread whose only
// work is its message loop; the user-interface thread only asks it to start
// and to stop. The thread also watches that the system still calls the hook
// (app/HookWatch.h).

#include <memory>

#include <windows.h>

#include "framework/Handles.h"
#include "framework/WinThread.h"

class CHook {
public:
    CHook() = default;
    CHook(const CHook&) = delete;
    CHook& operator=(const CHook&) = delete;
    // Removes the hook and ends its thread, if the close has not done so.
    virtual ~CHook();

    // Removes the hook installed before, if any, then installs it anew on a
    // thread of its own that posts every key event to `target`. Returns once
    // the system has answered the installation: the new hook's generation,
    // or 0 when the system refused it (no thread is left behind then).
    UINT Install(HWND target);
    // Removes the hook and waits until its thread has ended: TRUE when the
    // system had called that hook. Harmless when none is installed.
    BOOL Remove();
    // The generation Install last handed out.
    UINT Generation() const { return m_nGeneration; }

private:
    static UINT HookThread(LPVOID self);

    std::unique_ptr<CWinThread> m_pThread;
    UniqueKernelHandle m_installed;  // set by the thread once the system has answered
    HWND m_hTarget = nullptr;
    // Counts installations: the watch's reports carry the one they are about,
    // so a report of a hook replaced since is told apart (thread ids are reused).
    UINT m_nGeneration = 0;
    BOOL m_bHooked = FALSE;  // the answer, read after m_installed is set
    BOOL m_bCalled = FALSE;  // set by the thread as it ends
};
