// What the contract cases share: a window class whose procedure records every message
// and can be steered per case, and a way to empty the queue.
#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include "contract/contract.h"

namespace contract {

struct Seen {
  os::Window w;
  os::UINT msg;
  os::WPARAM wParam;
  os::LPARAM lParam;
};

// The hook's answer for a message it leaves to DefWindowProc.
constexpr os::LRESULT kNotMine = -16;

// Registers the class "Probe" for one case. Leaving destroys every window the case made
// through it and unregisters the class: on a real desktop the cases share one process.
class Probe {
 public:
  Probe();
  ~Probe();
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  os::Window Top(os::Rect r, os::DWORD style = os::WS_POPUP | os::WS_VISIBLE, os::DWORD ex = 0);
  os::Window Child(os::Window parent, os::Rect r, int id = 0,
                   os::DWORD style = os::WS_CHILD | os::WS_VISIBLE);
  // The messages of `only` that reached w, in order.
  std::vector<os::UINT> SeenBy(os::Window w, std::initializer_list<os::UINT> only) const;

  std::vector<Seen> seen;
  std::function<os::LRESULT(os::Window, os::UINT, os::WPARAM, os::LPARAM)> hook;

 private:
  std::vector<os::Window> made_;
};

// Takes every queued message and dispatches it (up to WM_QUIT, which it returns but
// does not dispatch); returns the message numbers in order.
std::vector<os::UINT> Drain();

}  // namespace contract
