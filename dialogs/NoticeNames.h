#pragma once
// The two notices' window titles, and the private message that closes each.

#include <windows.h>

constexpr UINT WM_CLOSE_GUEST_NOTICE = WM_USER + 100;
constexpr UINT WM_CLOSE_CHARGING_NOTICE = WM_USER + 101;

inline constexpr wchar_t kGuestNoticeTitle[] = L"Korvelane On-Screen Display-Guest User Deny";
inline constexpr wchar_t kChargingNoticeTitle[] = L"Korvelane On-Screen Display-Battery Disabeled";
