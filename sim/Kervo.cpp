// Stand-in for Kervo.dll: embedded-controller commands and ACPI methods,
// answered from the simulated notebook.

#include "platform/VendorApi.h"
#include "sim/StandInCall.h"

#include <cstring>

using sim::Fault;
using sim::StandInCall;

namespace {

bool MethodIs(const ACPI_METHOD_REQUEST& req, const char (&name)[5]) {
    return std::memcmp(req.MethodName, name, 4) == 0;
}

// Common head of the two ACPI entry points: null check and logging of the request.
bool LogRequest(StandInCall& call, const ACPI_METHOD_REQUEST* req) {
    sim::CallRecord& r = call.record();
    if (!req) {
        r.flags |= sim::CallFlag::kOutputNull;
        return false;
    }
    std::memcpy(r.method, req->MethodName, 4);
    r.arg[0] = req->Argument;
    r.arg[1] = req->Result;
    return true;
}

}  // namespace

extern "C" {

KERVO_API int32_t VENDOR_CALL KervoEvaluate(uint32_t command, const uint8_t* input, uint32_t inputLength,
                                            uint8_t* output, uint32_t outputLength) {
    StandInCall call(sim::Function::KervoEvaluate, static_cast<uint8_t>(command));
    if (!call) {
        return 0;
    }
    sim::CallRecord& r = call.record();
    r.arg[0] = command;
    r.arg[1] = inputLength;
    r.arg[2] = outputLength;
    if (!input) {
        r.flags |= sim::CallFlag::kInputNull;
    } else {
        r.inputCount =
            static_cast<uint8_t>(inputLength < sim::kLoggedInputBytes ? inputLength : sim::kLoggedInputBytes);
        std::memcpy(r.input, input, r.inputCount);
    }
    if (!output) {
        r.flags |= sim::CallFlag::kOutputNull;
    }
    if (call.fault() == Fault::Refuse) {
        return call.Answer(0);
    }
    if (!input || inputLength != 1) {
        return call.Answer(0);
    }
    // Only the low byte of the command slot is defined; the rest may be anything.
    switch (static_cast<uint8_t>(command)) {
    case HOTKEY_MODE_COMMAND: {
        if (input[0] != HOTKEY_MODE_ENTER && input[0] != HOTKEY_MODE_LEAVE) {
            return call.Answer(0);
        }
        if (call.fault() != Fault::NoWrite) {
            call.state().hotkeyMode = input[0] == HOTKEY_MODE_ENTER ? 1 : 0;
        }
        return call.Answer(1);
    }
    case EC_READ_COMMAND: {
        if (!output || outputLength != 1) {
            return call.Answer(0);
        }
        if (call.fault() == Fault::NoWrite) {
            return call.Answer(1);
        }
        const uint8_t value =
            call.fault() == Fault::Range ? static_cast<uint8_t>(call.rangeValue()) : call.state().ec[input[0]];
        *output = value;
        call.Wrote(value);
        return call.Answer(1);
    }
    default:
        return call.Answer(0);
    }
}

KERVO_API int32_t VENDOR_CALL ACPIEvalMethodEx(ACPI_METHOD_REQUEST* request) {
    StandInCall call(sim::Function::ACPIEvalMethodEx);
    if (!call) {
        return 0;
    }
    if (!LogRequest(call, request) || call.fault() == Fault::Refuse) {
        return call.Answer(0);
    }
    sim::State& st = call.state();
    if (MethodIs(*request, "GOPS")) {
        if (call.fault() == Fault::NoWrite) {
            return call.Answer(1);
        }
        // The whole Result is written, upper bytes cleared, so a caller's preset
        // never leaks into the answer.
        const uint32_t value =
            call.fault() == Fault::Range ? static_cast<uint32_t>(call.rangeValue()) : (st.connectedOutputs & 0xFF);
        request->Result = value;
        call.Wrote(value);
        return call.Answer(1);
    }
    if (MethodIs(*request, "SOPS")) {
        const uint32_t wanted = request->Argument;
        // Nothing, or an output that is not plugged in, cannot be switched to.
        if (wanted == 0 || (wanted & ~st.connectedOutputs) != 0) {
            return call.Answer(0);
        }
        if (call.fault() != Fault::NoWrite) {
            st.activeOutputs = wanted;
            ++st.sopsCommits;
        }
        return call.Answer(1);
    }
    return call.Answer(0);
}

KERVO_API int32_t VENDOR_CALL ControlMethod(ACPI_METHOD_REQUEST* request) {
    StandInCall call(sim::Function::ControlMethod);
    if (!call) {
        return 0;
    }
    if (!LogRequest(call, request) || call.fault() == Fault::Refuse) {
        return call.Answer(0);
    }
    if (!MethodIs(*request, "SGFC")) {
        return call.Answer(0);
    }
    if (call.fault() != Fault::NoWrite) {
        ++call.state().sgfcRequests;
    }
    return call.Answer(1);
}

}  // extern "C"
