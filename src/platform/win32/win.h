// The Windows headers for the win32 backend, with every macro that would clash
// with a name of platform/os.h removed. Include this before "platform/os.h" in
// each backend file and call the real functions by their explicit A names
// (::CreateWindowExA, ::SendMessageA, ...); the Win32 constants that os.h also
// names are taken from namespace os, which has the same values.
//
// The list is generated into the build folder (tools/win32-undefs.sh, run by the
// win32 build whenever os.h or the script changes) from the MinGW headers in use.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the other two depend on it.
// clang-format off
#include <windows.h>
#include <imm.h>
#include <shellapi.h>
// clang-format on

#include "platform/win32/win_undef.h"
