// The shared-memory plumbing of the simulated notebook: the named block,
// its backing file and the lock every user takes.
#include "sim/NotebookBlock.h"

#include <cstdio>

namespace sim {

namespace {

// A stand-in call is on the program's UI thread: never hang it on a stuck peer.
constexpr DWORD kLockTimeoutMs = 5000;

std::string WinErrorText(const char* what) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s failed (error %lu)", what, GetLastError());
    return buf;
}

}  // namespace

std::wstring InstanceFromEnvironment() {
    // A name that does not fit is treated as unset rather than cut to another name.
    wchar_t buf[64];
    const DWORD n = GetEnvironmentVariableW(L"VASK_NOTEBOOK", buf, 64);
    if (n == 0 || n >= 64) {
        return L"default";
    }
    return std::wstring(buf, n);
}

Lock::Lock(Notebook& nb) : m_nb(nb) { m_held = m_nb.Acquire(); }

Lock::~Lock() {
    if (m_held) {
        m_nb.Release();
    }
}

State& Lock::state() { return m_nb.m_block.get()->state; }

Notebook::Notebook(std::wstring instance) : m_instance(std::move(instance)) {
    // The name becomes part of kernel object and file names.
    for (wchar_t& c : m_instance) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
                        c == L'_' || c == L'.';
        if (!ok) {
            c = L'_';
        }
    }
    if (m_instance.empty()) {
        m_instance = L"default";
    }
}

Notebook::~Notebook() { Close(); }

void Notebook::Close() {
    m_block.reset();
    m_mapping.reset();
    m_file.reset();
    m_mutex.reset();
}

bool Notebook::Discard() {
    Close();
    if (!DeleteFileW(BackingFile().c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        m_error = WinErrorText("DeleteFile of the notebook's backing file");
        return false;
    }
    return true;
}

std::wstring Notebook::MappingName() const {
    return L"VaskNotebook." + m_instance + L".v" + std::to_wstring(kLayoutVersion);
}

// In the temporary folder: per user (a log-on session's machine), and under
// Wine per prefix, which is per build tree.
std::wstring Notebook::BackingFile() const {
    wchar_t dir[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    std::wstring path = n && n <= MAX_PATH ? std::wstring(dir, n) : std::wstring(L".\\");
    return path + MappingName() + L".bin";
}

bool Notebook::Open() {
    if (m_block) {
        return true;
    }
    if (!m_mutex) {
        const std::wstring lockName = L"VaskNotebook." + m_instance + L".Lock";
        m_mutex.reset(CreateMutexW(nullptr, FALSE, lockName.c_str()));
        if (!m_mutex) {
            m_error = WinErrorText("CreateMutex");
            return false;
        }
    }
    const DWORD w = WaitForSingleObject(m_mutex.get(), kLockTimeoutMs);
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
        m_error = "the notebook's lock is held elsewhere";
        return false;
    }
    // Under the lock so that two first users agree on one file and one mapping.
    bool ok = false;
    HANDLE file = CreateFileW(BackingFile().c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        m_error = WinErrorText("CreateFile of the notebook's backing file");
    } else {
        m_file.reset(file);
        m_mapping.reset(
            CreateFileMappingW(m_file.get(), nullptr, PAGE_READWRITE, 0, sizeof(Block), MappingName().c_str()));
        if (!m_mapping) {
            m_error = WinErrorText("CreateFileMapping");
        } else {
            m_block.reset(static_cast<Block*>(
                MapViewOfFile(m_mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Block))));
            if (!m_block) {
                m_error = WinErrorText("MapViewOfFile");
            } else {
                InitialiseIfStale();
                ok = true;
            }
        }
    }
    ReleaseMutex(m_mutex.get());
    if (!ok) {
        // Leave nothing half open for the next attempt to trip over.
        m_mapping.reset();
        m_file.reset();
    }
    return ok;
}

void Notebook::InitialiseIfStale() {
    Block& b = *m_block.get();
    if (b.magic == kBlockMagic && b.version == kLayoutVersion && b.size == sizeof(Block)) {
        return;
    }
    b.state = DefaultState();
    b.nextSeq = 1;
    b.firstSeq = 1;
    b.totals = CallTotals{};
    b.size = sizeof(Block);
    b.version = kLayoutVersion;
    b.magic = kBlockMagic;
}

bool Notebook::Acquire() {
    if (!Open()) {
        return false;
    }
    // An abandoned lock means a process died mid-call; the state is still
    // whole enough to go on with, and refusing would wedge every later call.
    const DWORD w = WaitForSingleObject(m_mutex.get(), kLockTimeoutMs);
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
        m_error = "the notebook's lock is held elsewhere";
        return false;
    }
    // Someone may have scribbled over the header (or an old build left it).
    InitialiseIfStale();
    return true;
}

void Notebook::Release() { ReleaseMutex(m_mutex.get()); }

std::optional<State> Notebook::ReadState() {
    Lock lock(*this);
    if (!lock) {
        return std::nullopt;
    }
    return lock.state();
}

bool Notebook::Reset() {
    Lock lock(*this);
    if (!lock) {
        return false;
    }
    // A fresh machine is exactly what a stale one becomes.
    m_block.get()->magic = 0;
    InitialiseIfStale();
    return true;
}

Notebook& ProcessNotebook() {
    static Notebook notebook;
    // Opened within the thread-safe static initialisation: two threads making
    // their first call at once must not both open it.
    static const bool opened = notebook.Open();
    (void)opened;
    return notebook;
}

}  // namespace sim
