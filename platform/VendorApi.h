#pragma once
// The three libraries of the notebook's maker, as the program binds them at
// load time: Kervo.dll (embedded-controller commands and ACPI methods),
// Quellomar.dll (master volume, mute, display brightness) and Brantisol.dll
// (the BIOS flag that disables battery charging).
//
// Calling convention: every function is extern "C" __cdecl. The exports are
// then undecorated without a .def file, and a caller that disagrees with the
// library about an argument count cannot unbalance the stack, because the
// caller removes its own arguments. It is chosen here, once, for all three.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VENDOR_CALL __cdecl
#else
#define VENDOR_CALL
#endif

#if defined(VENDOR_BUILD_KERVO)
#define KERVO_API __declspec(dllexport)
#elif defined(_WIN32)
#define KERVO_API __declspec(dllimport)
#else
#define KERVO_API
#endif

#if defined(VENDOR_BUILD_QUELLOMAR)
#define QUELLOMAR_API __declspec(dllexport)
#elif defined(_WIN32)
#define QUELLOMAR_API __declspec(dllimport)
#else
#define QUELLOMAR_API
#endif

#if defined(VENDOR_BUILD_BRANTISOL)
#define BRANTISOL_API __declspec(dllexport)
#elif defined(_WIN32)
#define BRANTISOL_API __declspec(dllimport)
#else
#define BRANTISOL_API
#endif

// The firmware request handed by address to ACPIEvalMethodEx and ControlMethod.
// Little-endian, 12 bytes, no padding: the firmware reads it byte for byte.
#pragma pack(push, 4)
struct ACPI_METHOD_REQUEST {
    char MethodName[4];  // four ASCII letters, no terminating NUL
    uint32_t Argument;
    uint32_t Result;  // preset by the caller where it reads it back
};
#pragma pack(pop)

static_assert(sizeof(ACPI_METHOD_REQUEST) == 12, "the firmware expects 12 bytes");
static_assert(offsetof(ACPI_METHOD_REQUEST, MethodName) == 0, "MethodName at 0");
static_assert(offsetof(ACPI_METHOD_REQUEST, Argument) == 4, "Argument at 4");
static_assert(offsetof(ACPI_METHOD_REQUEST, Result) == 8, "Result at 8");

// Embedded-controller commands and the data bytes the program sends with them.
constexpr uint8_t HOTKEY_MODE_COMMAND = 0x59;  // 'Y'
constexpr uint8_t HOTKEY_MODE_ENTER = 0x90;
constexpr uint8_t HOTKEY_MODE_LEAVE = 0x91;
constexpr uint8_t EC_READ_COMMAND = 0xB0;
constexpr uint8_t EC_WIRELESS_REGISTER = 0xBB;

extern "C" {

// Kervo.dll. Non-zero result means success. The command travels in a 32-bit
// slot of which only the low byte is defined.
KERVO_API int32_t VENDOR_CALL KervoEvaluate(uint32_t command, const uint8_t* input, uint32_t inputLength,
                                            uint8_t* output, uint32_t outputLength);
KERVO_API int32_t VENDOR_CALL ACPIEvalMethodEx(ACPI_METHOD_REQUEST* request);
KERVO_API int32_t VENDOR_CALL ControlMethod(ACPI_METHOD_REQUEST* request);

// Quellomar.dll. Volume and brightness on a 0..100 scale; negative brightness
// answers mean the service refused.
QUELLOMAR_API int32_t VENDOR_CALL GetMuteVista(void);
QUELLOMAR_API int32_t VENDOR_CALL SetMuteVista(int32_t muted);
QUELLOMAR_API int32_t VENDOR_CALL GetVolumnVista(void);
QUELLOMAR_API int32_t VENDOR_CALL SetVolumnVista(int32_t volume);
QUELLOMAR_API int32_t VENDOR_CALL WMI_GetBrightnessVista(void);
QUELLOMAR_API int32_t VENDOR_CALL WMI_GetBrightnessSetVista(int32_t levelIndex);

// Brantisol.dll. Writes 0 to *disabled when charging is enabled, non-zero
// when the BIOS has disabled it.
BRANTISOL_API int32_t VENDOR_CALL GetBatteryChargingDisable(int32_t* disabled);

}  // extern "C"
