// The Windows base types and result codes that the simulator client API is written in, for
// builds without the Windows headers: DWORD, BOOL, HRESULT, HANDLE, the CALLBACK marker and
// the result codes the stand-in returns. A result below zero is a failure.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;
using HANDLE = void*;

#ifndef CALLBACK
#define CALLBACK
#endif
// Constants rather than macros, so that this header and the window system's, which declares
// its own in its namespace, can be included in either order (GLib's macros are replaced too).
#ifdef FALSE
#undef FALSE
#endif
#ifdef TRUE
#undef TRUE
#endif
inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
// The result of a call on a connection whose pipe to the simulator broke (Win32 error 109
// wrapped as an HRESULT).
inline constexpr HRESULT E_BROKEN_PIPE = static_cast<HRESULT>(0x8007006Du);
