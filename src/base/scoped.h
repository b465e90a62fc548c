// Scoped resources: each holder gives back what it took when its scope ends, so no early
// return can skip the giving back and no cleanup is written twice. Move-only and tiny;
// a holder of nothing (a failed taking) gives back nothing.
#pragma once

#include <utility>

#include "base/text.h"
#include "platform/os.h"

namespace mivo {

// One handle, owned alone and given back through `Free`.
template <typename Handle, auto Free>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Owned() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Hands the handle over to a new owner.
  Handle Release() { return std::exchange(handle_, nullptr); }
  // Gives the handle back now.
  void Reset() {
    if (handle_ != nullptr) Free(std::exchange(handle_, nullptr));
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedFile = Owned<os::FileHandle, os::CloseHandle>;
using ScopedMapping = Owned<os::Mapping, os::CloseMapping>;
using ScopedView = Owned<void*, os::UnmapViewOfFile>;  // of a ScopedMapping declared before it
// A block of the counting allocator, so that the leak check at shutdown stays exact.
template <typename T>
using MemBlock = Owned<T*, MemFree>;
using OwnedText = MemBlock<char>;

// A window's drawing context, got with GetDC and released with ReleaseDC.
class ScopedDc {
 public:
  explicit ScopedDc(os::Window window) : window_(window), dc_(os::GetDC(window)) {}
  ScopedDc(ScopedDc&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  ScopedDc& operator=(ScopedDc&& other) noexcept {
    std::swap(window_, other.window_);
    std::swap(dc_, other.dc_);
    return *this;
  }
  ~ScopedDc() {
    if (dc_ != nullptr) os::ReleaseDC(window_, dc_);
  }

  os::Dc Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  os::Window window_;
  os::Dc dc_;
};

// An object selected into a context; the object it replaced goes back in at the end.
// A refused selection (null answer) has nothing to put back.
class ScopedSelect {
 public:
  ScopedSelect(os::Dc dc, os::GdiObject object)
      : dc_(dc), previous_(os::SelectObject(dc, object)) {}
  ScopedSelect(ScopedSelect&& other) noexcept
      : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
  ScopedSelect& operator=(ScopedSelect&& other) noexcept {
    std::swap(dc_, other.dc_);
    std::swap(previous_, other.previous_);
    return *this;
  }
  ~ScopedSelect() {
    if (previous_ != nullptr) os::SelectObject(dc_, previous_);
  }

  explicit operator bool() const { return previous_ != nullptr; }

 private:
  os::Dc dc_;
  os::GdiObject previous_;
};

}  // namespace mivo
