// Scoped handles of the platform layer: each holder gives back what it took when its
// scope ends, so no early return can skip the giving back and no cleanup is written
// twice. Move-only and tiny; a holder of nothing (a failed taking) gives back nothing.
// Only os.h below it, so that mivoSweep, which links nothing of mivo, holds its GDI
// objects the same way.
#pragma once

#include <cstddef>
#include <utility>

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
  friend bool operator==(const Owned& owned, std::nullptr_t) { return owned.handle_ == nullptr; }
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

// GDI objects kept for as long as they are drawn with: a colour set's brushes and pens,
// the key font, the sweep line's pen. Windows refuses to delete one that a context still
// holds: its selections are undone before its holder goes.
using OwnedFont = Owned<os::Font, os::DeleteObject>;
using OwnedPen = Owned<os::Pen, os::DeleteObject>;
using OwnedBrush = Owned<os::Brush, os::DeleteObject>;
using OwnedBitmap = Owned<os::GdiObject, os::DeleteObject>;
// A memory context of CreateCompatibleDC, which is deleted rather than released.
using OwnedMemoryDc = Owned<os::Dc, os::DeleteDC>;

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
