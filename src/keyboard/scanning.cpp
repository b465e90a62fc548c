// Switch scanning: the marks. The scan state, the switch poll and the keyboard link
// come with the rest of scanning.
#include "keyboard/scanning.h"

#include "keyboard/key_tree.h"
#include "shell/bus.h"
#include "shell/messages.h"

namespace mivo {

namespace {

// A tabbed container hands the focus on to its shown page: the first child that is not
// hidden, walking by scan siblings.
int32_t ShownPage(int32_t container) {
  int32_t c = FirstChild(container);
  while (c != 0 && !IsVisibleKey(c)) c = NextScanSibling(c);
  return c;
}

// Marks a key may carry: an existing, non-inert key.
KeyRecord* MarkableKey(int32_t k) {
  KeyRecord* key = GetKey(k);
  return key && key->type != KT_INERT ? key : nullptr;
}

void PostKeyEvent(int32_t k, os::LPARAM event) {
  PostToMain(MM_KEY_EVENT, static_cast<os::WPARAM>(k), event);
}

}  // namespace

int SetFocusFlags(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key) return 0;
  if (key->type == KT_INERT) {
    // Nothing to mark, but the inert key is still redrawn in its normal colours.
    PostToMain(MM_KEY_REPAINT, static_cast<os::WPARAM>(k), 0);
    return 0;
  }
  if (key->type == KT_CONTAINER) {
    int32_t page = ShownPage(k);
    if (page != 0 && page != k) SetFocusFlags(page);
    key = GetKey(k);
    if (!key) return 0;
  }
  if (key->flags & KF_FOCUS) return 0;
  key->flags |= KF_FOCUS;
  PostKeyEvent(k, KE_FOCUS);
  if (key->parent != 0 && key->parent != k) SetFocusFlags(key->parent);
  return 1;
}

int ClearFocusFlags(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key) return 0;
  if (key->type == KT_CONTAINER) {
    int32_t page = ShownPage(k);
    if (page != 0 && page != k) ClearFocusFlags(page);
    key = GetKey(k);
    if (!key) return 0;
  }
  if (!(key->flags & KF_FOCUS)) return 0;
  key->flags &= ~KF_FOCUS;
  PostKeyEvent(k, KE_UNFOCUS);
  if (key->parent != 0 && key->parent != k) ClearFocusFlags(key->parent);
  return 1;
}

int SetSelectFlags(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key || (key->flags & KF_SELECT)) return 0;
  key->flags |= KF_SELECT;
  PostKeyEvent(k, KE_SELECT_MARK);
  if (key->parent != 0 && key->parent != k) SetSelectFlags(key->parent);
  return 1;
}

int ClearSelectFlags(int32_t k) {
  KeyRecord* key = MarkableKey(k);
  if (!key || !(key->flags & KF_SELECT)) return 0;
  key->flags &= ~KF_SELECT;
  PostKeyEvent(k, KE_UNSELECT_MARK);
  if (key->parent != 0 && key->parent != k) ClearSelectFlags(key->parent);
  return 1;
}

}  // namespace mivo
