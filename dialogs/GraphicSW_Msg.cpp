#include "dialogs/GraphicSW_Msg.h"

#include <cstring>

#include "platform/VendorApi.h"

namespace {
constexpr char kSwitchGraphicsMethod[4] = {'S', 'G', 'F', 'C'};
}  // namespace

BEGIN_MESSAGE_MAP(CGraphicSW_Msg, CDialog)
    ON_BN_CLICKED(IDOK, OnYes)
END_MESSAGE_MAP()

BOOL CGraphicSW_Msg::OnInitDialog() {
    // Raised and activated, but not made top-most.
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    return TRUE;
}

void CGraphicSW_Msg::OnYes() {
    // The method takes no argument and answers nothing the program reads; the
    // other fields go out cleared rather than as whatever the stack held.
    ACPI_METHOD_REQUEST request{};
    std::memcpy(request.MethodName, kSwitchGraphicsMethod, sizeof(kSwitchGraphicsMethod));
    ::ControlMethod(&request);
    OnOK();
}
