// The display key steps through the output combinations the connected
// screens allow; the last choice goes to the firmware 3 s after the last press.
#include "osd/Function_UI.h"

#include <cstring>

#include "framework/DebugOutput.h"
#include "osd/DisplayOutputRules.h"

namespace {
constexpr char kQueryOutputsMethod[4] = {'G', 'O', 'P', 'S'};
constexpr char kSetOutputsMethod[4] = {'S', 'O', 'P', 'S'};
}  // namespace

void Function_UI::CycleDisplayOutput() {
    // One request record serves the query and the commit; each writes only the
    // fields it uses.
    std::memcpy(m_acpiRequest.MethodName, kQueryOutputsMethod, sizeof(kQueryOutputsMethod));
    m_acpiRequest.Result = m_byPortQueryDefault;
    if (::ACPIEvalMethodEx(&m_acpiRequest) == 0) {
        DiagnosticLine(L"Get Display Input Failed==============");
    }
    m_byPluggedOutputs = static_cast<uint8_t>(m_acpiRequest.Result & 0xFF);
    DiagnosticLine(L"Got plugin display port : 0x0%x ", static_cast<unsigned>(m_byPluggedOutputs));

    const DisplayPress press = AdvanceDisplayCycle(m_byPluggedOutputs, m_nDisplayPressCount, m_byChosenOutput);
    if (!press.show) {
        // Panel only: nothing to choose, and a pending commit stays pending.
        DiagnosticLine(L"===========DisplayMode : Default LCD Mode");
        return;
    }
    if (press.loadPicture) {
        LoadPngPicture(press.pictureId);
    }
    RenderAndShow(OSD_TIMER_DISPLAY_COMMIT);
}

void Function_UI::CommitDisplayOutput() {
    std::memcpy(m_acpiRequest.MethodName, kSetOutputsMethod, sizeof(kSetOutputsMethod));
    m_acpiRequest.Argument = m_byChosenOutput;
    if (::ACPIEvalMethodEx(&m_acpiRequest) == 0) {
        DiagnosticLine(L"Set Display port Failed");
    } else {
        DiagnosticLine(L"Set Display port is :0x0%x", static_cast<unsigned>(m_byChosenOutput));
    }
    m_nDisplayPressCount = 0;
}
