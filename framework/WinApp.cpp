#include "framework/WinApp.h"

#include "framework/CommandLineRules.h"

namespace {
CWinApp* g_pApp = nullptr;

std::wstring ExecutableBaseName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        name.erase(0, slash + 1);
    }
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) {
        name.erase(dot);
    }
    return name;
}
}  // namespace

void CCommandLineInfo::ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL) {
    TakeFileNameParam(m_strFileName, pszParam, bFlag != FALSE);
}

CWinApp::CWinApp(const wchar_t* pszAppName) {
    if (pszAppName != nullptr) {
        m_appNameStorage = pszAppName;
        m_pszAppName = m_appNameStorage.c_str();
    }
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    ForEachCommandLineParam(::GetCommandLineW(), [&info](const std::wstring& param, bool flag, bool last) {
        info.ParseParam(param.c_str(), flag ? TRUE : FALSE, last ? TRUE : FALSE);
    });
}

void CWinApp::SetRegistryKey(const wchar_t* pszRegistryKey) {
    m_registryKeyStorage = pszRegistryKey != nullptr ? pszRegistryKey : L"";
    m_pszRegistryKey = m_registryKeyStorage.c_str();
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() {
    return g_pApp != nullptr && g_pApp->m_hInstance != nullptr ? g_pApp->m_hInstance : ::GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

void AfxEnableControlContainer() {}

int AfxWinMain(HINSTANCE hInstance, const wchar_t* lpCmdLine, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return -1;
    }
    app->m_hInstance = hInstance;
    app->m_nCmdShow = nCmdShow;
    app->m_cmdLineStorage = lpCmdLine != nullptr ? lpCmdLine : L"";
    app->m_lpCmdLine = app->m_cmdLineStorage.c_str();
    if (app->m_pszAppName == nullptr) {
        app->m_appNameStorage = ExecutableBaseName();
        app->m_pszAppName = app->m_appNameStorage.c_str();
    }
    if (!app->InitInstance()) {
        return app->ExitInstance();
    }
    return app->Run();
}
