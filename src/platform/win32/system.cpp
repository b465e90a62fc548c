// Shell, processes, time, files, file mappings and memory of the win32 backend.
#include <cstring>

#include "platform/os.h"
#include "platform/win32/convert.h"
#include "platform/win32/win.h"

namespace os {

using win32::FromRect;
using win32::H;
using win32::ToRect;
using win32::W;

// ---------------------------------------------------------------- shell and system

UINT_PTR SHAppBarMessage(DWORD message, AppBarData* data) {
  APPBARDATA real{};
  real.cbSize = sizeof real;
  real.hWnd = H(data->hWnd);
  real.uCallbackMessage = data->uCallbackMessage;
  real.uEdge = data->uEdge;
  real.rc = ToRect(data->rc);
  real.lParam = data->lParam;
  const UINT_PTR result = ::SHAppBarMessage(message, &real);
  // The shell answers in the record (the position it grants); cbSize stays the caller's.
  data->hWnd = W(real.hWnd);
  data->uCallbackMessage = real.uCallbackMessage;
  data->uEdge = real.uEdge;
  data->rc = FromRect(real.rc);
  data->lParam = real.lParam;
  return result;
}

UINT WinExec(const char* commandLine, UINT show) { return ::WinExec(commandLine, show); }
void Sleep(DWORD ms) { ::Sleep(ms); }

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const void* handles, DWORD ms, DWORD wakeMask,
                                  DWORD flags) {
  return ::MsgWaitForMultipleObjectsEx(count, static_cast<const HANDLE*>(handles), ms, wakeMask,
                                       flags);
}

DWORD GetQueueStatus(UINT flags) { return ::GetQueueStatus(flags); }

BOOL RegisterRawInputDevices(const RawInputDevice* devices, UINT count) {
  RAWINPUTDEVICE real[4];
  if (count > 4) return FALSE;
  for (UINT i = 0; i < count; ++i) {
    real[i].usUsagePage = devices[i].usUsagePage;
    real[i].usUsage = devices[i].usUsage;
    real[i].dwFlags = devices[i].dwFlags;
    real[i].hwndTarget = H(devices[i].hwndTarget);
  }
  return ::RegisterRawInputDevices(real, count, sizeof(RAWINPUTDEVICE));
}
DWORD GetTickCount() { return ::GetTickCount(); }

void GetLocalTime(SystemTime* t) {
  SYSTEMTIME real{};
  ::GetLocalTime(&real);
  t->wYear = real.wYear;
  t->wMonth = real.wMonth;
  t->wDayOfWeek = real.wDayOfWeek;
  t->wDay = real.wDay;
  t->wHour = real.wHour;
  t->wMinute = real.wMinute;
  t->wSecond = real.wSecond;
  t->wMilliseconds = real.wMilliseconds;
}

DWORD SearchPath(const char* path, const char* fileName, const char* extension, DWORD size,
                 char* buffer, char** filePart) {
  return ::SearchPathA(path, fileName, extension, size, buffer, filePart);
}

BOOL CreateDirectory(const char* path) { return ::CreateDirectoryA(path, nullptr); }
DWORD GetFileAttributes(const char* path) { return ::GetFileAttributesA(path); }

BOOL CopyFile(const char* from, const char* to, BOOL failIfExists) {
  return ::CopyFileA(from, to, failIfExists);
}

BOOL DeleteFile(const char* path) { return ::DeleteFileA(path); }

// ---------------------------------------------------------------- files

FileHandle CreateFile(const char* path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flagsAndAttributes) {
  HANDLE h = ::CreateFileA(path, access, share, nullptr, disposition, flagsAndAttributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return reinterpret_cast<FileHandle>(h);
}

BOOL CloseHandle(FileHandle f) { return ::CloseHandle(H(f)); }
DWORD GetFileSize(FileHandle f) { return ::GetFileSize(H(f), nullptr); }

BOOL ReadFile(FileHandle f, void* buffer, DWORD size, DWORD* read) {
  ::DWORD done = 0;
  const BOOL ok = ::ReadFile(H(f), buffer, size, &done, nullptr);
  if (read != nullptr) *read = done;
  return ok;
}

BOOL WriteFile(FileHandle f, const void* buffer, DWORD size, DWORD* written) {
  ::DWORD done = 0;
  const BOOL ok = ::WriteFile(H(f), buffer, size, &done, nullptr);
  if (written != nullptr) *written = done;
  return ok;
}

DWORD SetFilePointer(FileHandle f, LONG distance, DWORD method) {
  return ::SetFilePointer(H(f), distance, nullptr, method);
}

BOOL SetEndOfFile(FileHandle f) { return ::SetEndOfFile(H(f)); }

Mapping CreateFileMapping(FileHandle f, DWORD protect, DWORD size) {
  return reinterpret_cast<Mapping>(::CreateFileMappingA(H(f), nullptr, protect, 0, size, nullptr));
}

void* MapViewOfFile(Mapping m, DWORD access, DWORD size) {
  return ::MapViewOfFile(H(m), access, 0, 0, size);
}

BOOL FlushViewOfFile(const void* base, size_t bytes) { return ::FlushViewOfFile(base, bytes); }
BOOL FlushFileBuffers(FileHandle f) { return ::FlushFileBuffers(H(f)); }
// The Windows headers make MoveMemory (RtlMoveMemory) memmove itself.
void MoveMemory(void* destination, const void* source, size_t length) {
  std::memmove(destination, source, length);
}
BOOL UnmapViewOfFile(void* view) { return ::UnmapViewOfFile(view); }
BOOL CloseMapping(Mapping m) { return ::CloseHandle(H(m)); }

// ---------------------------------------------------------------- memory

void* GlobalAllocZero(size_t size) { return ::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size); }
void* GlobalAllocUnfilled(size_t size) { return ::GlobalAlloc(GMEM_FIXED, size); }
void GlobalFree(void* block) { ::GlobalFree(block); }

}  // namespace os
