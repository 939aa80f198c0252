// The signed release's check that Windows will start its program, run by the
// package before anything changes. A program with UI access starts only when
// its signature chains to a root among the local computer's trusted roots:
// the check runs as the system, so a root in the installing user's own store
// counts for nothing, and an install would report success while every start
// of the program failed without a word. Signed with the program's own
// certificate, this library checks its own signature the same way; when the
// chain does not end there it sets UntrustedSigner to the signer's subject,
// and the package's next action ends the install with it. Time validity is
// not asked: a release is time-stamped, and Windows takes its signature for
// as long as the time stamp does.
//
//   CustomAction CheckSigner: type 1, Binary SignerCheck, entry CheckSigner
#include <windows.h>
#include <wincrypt.h>
#include <msi.h>
#include <msiquery.h>

#include <cwchar>
#include <string>
#include <vector>

#include "framework/Handles.h"

namespace {

constexpr wchar_t kUntrustedSignerProperty[] = L"UntrustedSigner";
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

struct CertStoreTraits {
    static void Close(HCERTSTORE store) { ::CertCloseStore(store, 0); }
};
struct CryptMessageTraits {
    static void Close(HCRYPTMSG message) { ::CryptMsgClose(message); }
};
struct CertificateTraits {
    static void Close(PCCERT_CONTEXT certificate) { ::CertFreeCertificateContext(certificate); }
};
struct ChainTraits {
    static void Close(PCCERT_CHAIN_CONTEXT chain) { ::CertFreeCertificateChain(chain); }
};
struct MsiHandleTraits {
    static void Close(MSIHANDLE handle) { ::MsiCloseHandle(handle); }
};

// A line in the installer's log.
void Log(MSIHANDLE install, const std::wstring& text) {
    const UniqueHandle<MSIHANDLE, MsiHandleTraits> record(::MsiCreateRecord(0));
    if (record && ::MsiRecordSetStringW(record.get(), 0, text.c_str()) == ERROR_SUCCESS) {
        ::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
    }
}

std::wstring Hex(DWORD code) {
    wchar_t text[16];
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"0x%08lx", static_cast<unsigned long>(code));
    return text;
}

std::wstring SubjectOf(PCCERT_CONTEXT certificate) {
    const DWORD length = ::CertNameToStrW(kEncoding, &certificate->pCertInfo->Subject, CERT_X500_NAME_STR, nullptr, 0);
    std::wstring subject(length, L'\0');
    ::CertNameToStrW(kEncoding, &certificate->pCertInfo->Subject, CERT_X500_NAME_STR, subject.data(), length);
    subject.resize(length > 0 ? length - 1 : 0);
    return subject;
}

// This library's file, as the installer put it on the disk to load it.
std::wstring OwnFile() {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&OwnFile), &self);
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            return std::wstring(path.data(), length);
        }
        path.resize(path.size() * 2);
    }
}

struct Verdict {
    bool trusted;
    std::wstring signer;  // the subject, or why the signature could not be read
    std::wstring detail;  // for the log
};

Verdict Unreadable(const wchar_t* step) {
    const DWORD error = ::GetLastError();
    const std::wstring why = std::wstring(L"a signature that cannot be read (") + step + L" " + Hex(error) + L")";
    return {false, why, why};
}

Verdict JudgeSignatureOf(const std::wstring& file) {
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMessage = nullptr;
    if (file.empty() || !::CryptQueryObject(CERT_QUERY_OBJECT_FILE, file.c_str(),
                                            CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                                            0, nullptr, nullptr, nullptr, &rawStore, &rawMessage, nullptr)) {
        return Unreadable(L"CryptQueryObject");
    }
    const UniqueHandle<HCERTSTORE, CertStoreTraits> store(rawStore);
    const UniqueHandle<HCRYPTMSG, CryptMessageTraits> message(rawMessage);
    DWORD size = 0;
    if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &size) || size == 0) {
        return Unreadable(L"CryptMsgGetParam");
    }
    std::vector<BYTE> signerInfo(size);
    if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_CERT_INFO_PARAM, 0, signerInfo.data(), &size)) {
        return Unreadable(L"CryptMsgGetParam");
    }
    const UniqueHandle<PCCERT_CONTEXT, CertificateTraits> signer(
        ::CertFindCertificateInStore(store.get(), kEncoding, 0, CERT_FIND_SUBJECT_CERT, signerInfo.data(), nullptr));
    if (!signer) {
        return Unreadable(L"CertFindCertificateInStore");
    }
    const std::wstring subject = SubjectOf(signer.get());
    // The local computer's engine, as the system's own check: its trusted
    // roots, and the certificates the signature carries for the way there.
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof(chainPara);
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    if (!::CertGetCertificateChain(HCCE_LOCAL_MACHINE, signer.get(), nullptr, store.get(), &chainPara, 0, nullptr,
                                   &rawChain)) {
        return {false, subject, L"no chain: " + Hex(::GetLastError())};
    }
    const UniqueHandle<PCCERT_CHAIN_CONTEXT, ChainTraits> chain(rawChain);
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof(policy);
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_NOT_TIME_VALID_FLAGS;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof(status);
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, chain.get(), &policy, &status)) {
        return {false, subject, L"no policy answer: " + Hex(::GetLastError())};
    }
    // A chain that ends short of a root, or in an untrusted one, is never
    // trusted; Windows' policy says so itself, Wine's passes a chain that
    // ends short.
    const DWORD chainErrors = rawChain->TrustStatus.dwErrorStatus;
    const bool toTrustedRoot = (chainErrors & (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT)) == 0;
    return {status.dwError == 0 && toTrustedRoot, subject,
            L"policy " + Hex(status.dwError) + L", chain " + Hex(chainErrors)};
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall CheckSigner(MSIHANDLE install) {
    const Verdict verdict = JudgeSignatureOf(OwnFile());
    Log(install,
        L"VaskHotkey signer " + verdict.signer +
            (verdict.trusted ? L": trusted by the local computer, " : L": not trusted by the local computer, ") +
            verdict.detail);
    if (!verdict.trusted) {
        ::MsiSetPropertyW(install, kUntrustedSignerProperty, verdict.signer.c_str());
    }
    // The refusal, with its message, is the package's next action.
    return ERROR_SUCCESS;
}
