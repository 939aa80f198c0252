#pragma once
// The application object and the program's entry point. One global object of
// a class derived from CWinApp exists; the entry point runs its InitInstance
// and, when that returns FALSE, its ExitInstance, whose result is the exit code.

#include <string>

#include <windows.h>

class CWnd;

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // Called once per argument after the program name; a flag comes without
    // its leading '/' or '-'.
    virtual void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast);

    std::wstring m_strFileName;  // the first argument that is not a flag
};

class CWinApp {
public:
    explicit CWinApp(const wchar_t* pszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();

    void ParseCommandLine(CCommandLineInfo& info);
    void SetRegistryKey(const wchar_t* pszRegistryKey);

    const wchar_t* m_pszAppName = nullptr;  // the exe's base name unless given
    const wchar_t* m_pszRegistryKey = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_lpCmdLine = L"";  // the command line after the program name
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

private:
    friend int AfxWinMain(HINSTANCE, const wchar_t*, int);
    std::wstring m_appNameStorage;
    std::wstring m_cmdLineStorage;
    std::wstring m_registryKeyStorage;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// Hosting of ActiveX controls in dialogs; the program's dialogs hold only
// standard controls, so there is no container to set up.
void AfxEnableControlContainer();

// The body of the entry point; the framework's wWinMain calls it.
int AfxWinMain(HINSTANCE hInstance, const wchar_t* lpCmdLine, int nCmdShow);
