#pragma once
// The Windows headers, tamed. Include this LAST, after every platform header: the Windows
// headers define as macros several names that the platform layer declares as constants of its
// own (WM_QUIT, FD_READ, WSAECONNREFUSED ...) and as functions (PostMessage, DeleteFile,
// CreateWindow ...). The values are the same, so the macros are dropped and ours serve.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdint>
#include <string>

#undef PostMessage
#undef PeekMessage
#undef GetMessage
#undef DispatchMessage
#undef SendMessage
#undef DeleteFile
#undef CreateWindow
#undef GetPrivateProfileString
#undef WM_NULL
#undef WM_DESTROY
#undef WM_CLOSE
#undef WM_QUIT
#undef WM_TIMER
#undef WM_USER
#undef FD_READ
#undef FD_WRITE
#undef FD_OOB
#undef FD_ACCEPT
#undef FD_CONNECT
#undef FD_CLOSE
#undef WSAEINTR
#undef WSAEBADF
#undef WSAEACCES
#undef WSAEFAULT
#undef WSAEINVAL
#undef WSAEMFILE
#undef WSAEWOULDBLOCK
#undef WSAEINPROGRESS
#undef WSAEALREADY
#undef WSAENOTSOCK
#undef WSAEDESTADDRREQ
#undef WSAEMSGSIZE
#undef WSAEPROTOTYPE
#undef WSAENOPROTOOPT
#undef WSAEPROTONOSUPPORT
#undef WSAEOPNOTSUPP
#undef WSAEAFNOSUPPORT
#undef WSAEADDRINUSE
#undef WSAEADDRNOTAVAIL
#undef WSAENETDOWN
#undef WSAENETUNREACH
#undef WSAENETRESET
#undef WSAECONNABORTED
#undef WSAECONNRESET
#undef WSAENOBUFS
#undef WSAEISCONN
#undef WSAENOTCONN
#undef WSAESHUTDOWN
#undef WSAETIMEDOUT
#undef WSAECONNREFUSED
#undef WSAEHOSTDOWN
#undef WSAEHOSTUNREACH
#undef WSAHOST_NOT_FOUND
#undef WSATRY_AGAIN
#undef WSANO_RECOVERY
#undef WSANO_DATA

// Later Windows headers (commctrl.h) still build their own names on these.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;

namespace ordo::detail {

// Handles cross the platform headers as 32-bit numbers. Windows keeps window, socket and kernel
// handles 32-bit significant so that 32- and 64-bit programs can share them: truncating is
// safe, and sign extension gives the handle back (INVALID_SOCKET and INVALID_HANDLE_VALUE
// become -1 and return as themselves).
inline std::uint32_t FromHwnd(HWND h) noexcept {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
}
inline HWND ToHwnd(std::uint32_t h) noexcept {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}
inline int FromSocket(SOCKET s) noexcept { return static_cast<int>(static_cast<std::intptr_t>(s)); }
inline SOCKET ToSocket(int fd) noexcept { return static_cast<SOCKET>(static_cast<std::intptr_t>(fd)); }
inline int FromHandle(HANDLE h) noexcept { return static_cast<int>(reinterpret_cast<std::intptr_t>(h)); }
inline HANDLE ToHandle(int fd) noexcept { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd)); }

/// The system's text for a Win32 error number, without the trailing line break.
std::string SystemErrorText(DWORD code);

/// Keeps Windows Sockets started for as long as the process runs; every socket path calls it.
void EnsureWinsock();

/// The main (first) thread of the process.
DWORD MainThreadId() noexcept;

}  // namespace ordo::detail
