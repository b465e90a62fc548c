#include "base/log.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "base/scoped.h"
#include "base/settings.h"
#include "base/state.h"
#include "base/text.h"
#include "base/text_constants.h"
#include "platform/os.h"

namespace mivo {

namespace {

// Both files are opened the same way: readers may look while we write, and every line
// reaches the disk before the call returns.
os::FileHandle OpenForAppend(const char* name) {
  os::FileHandle file =
      os::CreateFile(name, os::GENERIC_WRITE, os::FILE_SHARE_READ, os::OPEN_ALWAYS,
                     os::FILE_ATTRIBUTE_NORMAL | os::FILE_FLAG_WRITE_THROUGH);
  if (file != nullptr) os::SetFilePointer(file, 0, os::FILE_END);
  return file;
}

// Formats into a buffer of the exact size, so that a long macro text is logged whole
// instead of being cut at a fixed buffer size.
void AppendFormatted(os::FileHandle file, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length > 0) {
    OwnedText line(static_cast<char*>(MemAlloc(static_cast<size_t>(length) + 1)));
    if (line) {
      std::vsnprintf(line.Get(), static_cast<size_t>(length) + 1, format, args);
      os::DWORD written = 0;
      os::SetFilePointer(file, 0, os::FILE_END);
      os::WriteFile(file, line.Get(), static_cast<os::DWORD>(length), &written);
    }
  }
  va_end(args);
}

os::SystemTime Now() {
  os::SystemTime t{};
  os::GetLocalTime(&t);
  return t;
}

}  // namespace

int OpenLog() {
  if (settings.LoggingMode) {
    baseState.logFile =
        OpenForAppend(settings.LogFile != nullptr ? settings.LogFile : kDefaultLogFile);
    if (baseState.logFile == nullptr) return 0;
    WriteLog("Log", "Init Success");
  } else if (settings.CounterMode) {
    baseState.selections = 0;
    baseState.outputs = 0;
  }
  return 1;
}

int WriteLog(const char* name, const char* text) {
  if (!settings.LoggingMode || baseState.logFile == nullptr) return 0;
  const os::SystemTime t = Now();
  // A missing text is written as an empty field, so the line keeps its three columns.
  AppendFormatted(baseState.logFile, "[%02d/%02d/%02d:%02d:%02d]\t%s\t%s\r\n", t.wYear % 100,
                  t.wMonth, t.wDay, t.wHour, t.wMinute, name != nullptr ? name : "",
                  text != nullptr ? text : "");
  return 1;
}

void CountEvent(int flags, int reset) {
  if (!settings.CounterMode) return;
  if (flags & COUNT_SELECTION) ++baseState.selections;
  if (flags & COUNT_OUTPUT) ++baseState.outputs;
  if (flags & COUNT_OUTPUT_UNDO) --baseState.outputs;
  if (reset) {
    baseState.selections = 0;
    baseState.outputs = 0;
  }
}

void CloseLogAndCounter() {
  if (settings.LoggingMode) {
    WriteLog("Log", "Finish Success");
    if (settings.CounterMode) WriteLog("Counter", "Finish Success");
  }
  // Closed even when a reload switched logging off meanwhile, so the handle never leaks.
  if (baseState.logFile != nullptr) {
    os::CloseHandle(baseState.logFile);
    baseState.logFile = nullptr;
  }
  if (!settings.CounterMode) return;
  ScopedFile counter(
      OpenForAppend(settings.CounterFile != nullptr ? settings.CounterFile : kDefaultCounterFile));
  if (!counter) return;
  const os::SystemTime t = Now();
  AppendFormatted(counter.Get(), "[%02d/%02d/%02d:%02d:%02d]\t%d\t%d\r\n", t.wYear % 100, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, baseState.selections, baseState.outputs);
}

}  // namespace mivo
