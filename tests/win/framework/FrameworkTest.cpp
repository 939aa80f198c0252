// The framework behaviours the program relies on, under Wine: modal loops that
// nest and end from inside, default processing, command routing by id,
// creation messages, modeless dialogs that stay hidden, worker threads.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/SyncObjects.h"
#include "framework/WinApp.h"
#include "framework/WinThread.h"

namespace {

constexpr UINT kModalTemplate = 1000;
constexpr UINT kModelessTemplate = 1001;
constexpr UINT kCustomButton = 1001;
constexpr UINT WM_TEST_STEP = WM_APP + 1;
constexpr UINT WM_TEST_WORKER = WM_APP + 2;

// Processes what is queued for this thread, for at most timeoutMs.
void PumpMessages(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < timeoutMs) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A dialog that records what reaches it and acts on WM_TEST_STEP as told.
class ProbeDialog : public CDialog {
public:
    explicit ProbeDialog(std::vector<std::string>* log, std::string name)
        : CDialog(kModalTemplate), m_log(log), m_name(std::move(name)) {}

    std::function<void(ProbeDialog&)> onStep;
    std::function<void(ProbeDialog&)> onInit;
    bool closeDefault = true;
    bool createSeen = false;

    void Record(const std::string& what) { m_log->push_back(m_name + ":" + what); }

protected:
    BOOL OnInitDialog() override {
        Record("init");
        if (onInit) {
            onInit(*this);
        }
        return TRUE;
    }
    int OnCreate(LPCREATESTRUCTW cs) {
        createSeen = true;
        return CDialog::OnCreate(cs);
    }
    LRESULT OnStep(WPARAM, LPARAM) {
        Record("step");
        if (onStep) {
            onStep(*this);
        }
        return 0;
    }
    void OnCustom() { Record("custom"); }
    void OnClose() {
        Record("close");
        if (closeDefault) {
            CDialog::OnClose();
        }
    }

    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::string>* m_log;
    std::string m_name;
};

BEGIN_MESSAGE_MAP(ProbeDialog, CDialog)
ON_WM_CREATE()
ON_MESSAGE(WM_TEST_STEP, OnStep)
ON_BN_CLICKED(kCustomButton, OnCustom)
ON_WM_CLOSE()
END_MESSAGE_MAP()

// Takes the place of the framework's OK handling, as a confirmation does.
class YesDialog : public ProbeDialog {
public:
    using ProbeDialog::ProbeDialog;

protected:
    void OnYes() {
        Record("yes");
        EndDialog(77);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(YesDialog, ProbeDialog)
ON_COMMAND(IDOK, OnYes)
END_MESSAGE_MAP()

void PostStep(CDialog& dialog) { ::PostMessageW(dialog.m_hWnd, WM_TEST_STEP, 0, 0); }

TEST(ModalDialog, EndsFromAHandlerInsideItsLoopWithThatResult) {
    std::vector<std::string> log;
    ProbeDialog dialog(&log, "a");
    dialog.onInit = PostStep;
    dialog.onStep = [](ProbeDialog& d) { d.EndDialog(42); };
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(log, (std::vector<std::string>{"a:init", "a:step"}));
    EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is destroyed when DoModal returns";
}

TEST(ModalDialog, NestedLoopEndsAndTheOuterOneGoesOn) {
    std::vector<std::string> log;
    ProbeDialog outer(&log, "outer");
    outer.onInit = PostStep;
    INT_PTR innerResult = 0;
    outer.onStep = [&](ProbeDialog& d) {
        ProbeDialog inner(&log, "inner");
        inner.onInit = PostStep;
        inner.onStep = [](ProbeDialog& i) { i.EndDialog(7); };
        innerResult = inner.DoModal();
        d.Record("resumed");
        EXPECT_TRUE(::IsWindowEnabled(d.m_hWnd)) << "the owner is enabled again after the nested dialog";
        d.EndDialog(9);
    };
    EXPECT_EQ(outer.DoModal(), 9);
    EXPECT_EQ(innerResult, 7);
    EXPECT_EQ(log, (std::vector<std::string>{"outer:init", "outer:step", "inner:init", "inner:step", "outer:resumed"}));
}

TEST(ModalDialog, EndedDuringInitialisationNeverRunsItsLoop) {
    std::vector<std::string> log;
    ProbeDialog dialog(&log, "a");
    dialog.onInit = [](ProbeDialog& d) { d.EndDialog(3); };
    EXPECT_EQ(dialog.DoModal(), 3);
}

TEST(ModalDialog, MissingTemplateFailsWithMinusOne) {
    CDialog dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(MessageMap, CreationMessagesReachTheObject) {
    std::vector<std::string> log;
    ProbeDialog dialog(&log, "a");
    dialog.onInit = [](ProbeDialog& d) { d.EndDialog(1); };
    dialog.DoModal();
    EXPECT_TRUE(dialog.createSeen);
}

TEST(MessageMap, CommandsAreRoutedByControlId) {
    std::vector<std::string> log;
    ProbeDialog dialog(&log, "a");
    dialog.onInit = PostStep;
    dialog.onStep = [](ProbeDialog& d) {
        ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(kCustomButton, BN_CLICKED), 0);
        ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK) << "the base class maps IDOK to OnOK";
    EXPECT_EQ(log, (std::vector<std::string>{"a:init", "a:step", "a:custom"}));
}

TEST(MessageMap, DerivedEntryTakesThePlaceOfTheBaseOne) {
    std::vector<std::string> log;
    YesDialog dialog(&log, "y");
    dialog.onInit = PostStep;
    dialog.onStep = [](ProbeDialog& d) { ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); };
    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_EQ(log.back(), "y:yes");
}

TEST(MessageMap, DefaultProcessingFollowsOnlyWhenTheHandlerAsksForIt) {
    std::vector<std::string> log;
    ProbeDialog dialog(&log, "a");
    dialog.closeDefault = false;
    dialog.onInit = PostStep;
    int steps = 0;
    dialog.onStep = [&](ProbeDialog& d) {
        if (++steps == 1) {
            // Without default processing a close request ends nothing.
            ::SendMessageW(d.m_hWnd, WM_CLOSE, 0, 0);
            PostStep(d);
        } else {
            d.closeDefault = true;
            ::SendMessageW(d.m_hWnd, WM_CLOSE, 0, 0);
        }
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL) << "a dialog's default close is Cancel";
    EXPECT_EQ(steps, 2);
}

TEST(ModelessDialog, CreatedHiddenStaysHiddenAndIsOwned) {
    std::vector<std::string> log;
    ProbeDialog owner(&log, "owner");
    bool visibleAfterCreate = true;
    bool visibleLater = true;
    HWND ownerOfModeless = nullptr;
    owner.onInit = PostStep;
    owner.onStep = [&](ProbeDialog& d) {
        CDialog modeless(kModelessTemplate);
        ASSERT_TRUE(modeless.Create(kModelessTemplate, &d));
        visibleAfterCreate = ::IsWindowVisible(modeless.m_hWnd) != FALSE;
        PumpMessages(200);
        visibleLater = ::IsWindowVisible(modeless.m_hWnd) != FALSE;
        ownerOfModeless = ::GetWindow(modeless.m_hWnd, GW_OWNER);
        d.EndDialog(1);
    };
    owner.DoModal();
    EXPECT_FALSE(visibleAfterCreate);
    EXPECT_FALSE(visibleLater);
    EXPECT_NE(ownerOfModeless, nullptr);
}

struct WorkerRecord {
    CMultiLock* lock;
    HWND target;
};

UINT WaitThenPost(LPVOID param) {
    auto* record = static_cast<WorkerRecord*>(param);
    if (record->lock->Lock(INFINITE, FALSE) == WAIT_OBJECT_0) {
        ::PostMessageW(record->target, WM_TEST_WORKER, 0, 0);
    }
    return 0;
}

class WorkerDialog : public ProbeDialog {
public:
    using ProbeDialog::ProbeDialog;
    int workerPosts = 0;

protected:
    LRESULT OnWorker(WPARAM, LPARAM) {
        ++workerPosts;
        EndDialog(5);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(WorkerDialog, ProbeDialog)
ON_MESSAGE(WM_TEST_WORKER, OnWorker)
END_MESSAGE_MAP()

TEST(WorkerThread, WaitsOnAnEventAndPostsToAWindow) {
    std::vector<std::string> log;
    WorkerDialog dialog(&log, "w");
    CEvent event(FALSE, FALSE, L"VaskFrameworkTestEvent");
    CSyncObject* objects[1] = {&event};
    CMultiLock lock(objects, 1);
    WorkerRecord record{&lock, nullptr};
    CWinThread* thread = nullptr;
    dialog.onInit = [&](ProbeDialog& d) {
        record.target = d.m_hWnd;
        thread = AfxBeginThread(&WaitThenPost, &record, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        ASSERT_NE(thread, nullptr);
        thread->m_bAutoDelete = FALSE;
        thread->ResumeThread();
        // Another process would open the event by its name and set it.
        const UniqueKernelHandle byName(::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VaskFrameworkTestEvent"));
        ASSERT_TRUE(byName);
        ::SetEvent(byName.get());
    };
    EXPECT_EQ(dialog.DoModal(), 5);
    EXPECT_EQ(dialog.workerPosts, 1);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(::WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
    delete thread;
}

// Answers the probe's message box from a timer that runs inside the box's own
// modal loop.
void CALLBACK AnswerProbeBox(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (HWND box = ::FindWindowW(L"#32770", L"FrameworkProbe")) {
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    } else if (HWND other = ::GetActiveWindow()) {
        // A box with another caption: close it as Cancel, so the test fails, not hangs.
        ::PostMessageW(other, WM_COMMAND, IDCANCEL, 0);
    }
}

TEST(Application, MessageBoxesAreCaptionedWithTheApplicationName) {
    CWinApp app(L"FrameworkProbe");
    std::vector<std::string> log;
    ProbeDialog dialog(&log, "a");
    std::wstring caption;
    dialog.onInit = PostStep;
    dialog.onStep = [&](ProbeDialog& d) {
        ::SetTimer(nullptr, 0, 100, &AnswerProbeBox);
        const int answer = d.MessageBox(L"text");
        caption = answer == IDOK ? L"FrameworkProbe" : L"";
        d.EndDialog(1);
    };
    dialog.DoModal();
    EXPECT_EQ(caption, L"FrameworkProbe");
}

}  // namespace
