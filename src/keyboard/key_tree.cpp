// The key and colour-set tables, the key record's life, the lookups and the walks.
#include "keyboard/key_tree.h"

#include <cstring>
#include <iterator>
#include <new>

#include "base/scoped.h"
#include "base/text.h"
#include "keyboard/painting.h"
#include "keyboard/state.h"

namespace mivo {

namespace {

char* CopyOrEmpty(const char* text) { return TextDuplicate(text ? text : ""); }

// The system destroys child windows with their parent; the records must not keep the
// dead handles.
void ForgetDescendantWindows(int32_t k, int depth) {
  if (depth > KEY_TABLE_SIZE) return;  // a parent cycle left by slot reuse must not recurse forever
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    KeyRecord* child = GetKey(c);
    if (child && child->parent == k && c != k) {
      ForgetDescendantWindows(c, depth + 1);
      child->window = nullptr;
      child->kept = nullptr;
      child->later.rank = 0;
    }
  }
}

// Slot k no longer holds `id`: the next slot that does, if any, becomes its first.
void ForgetSlotOfId(int32_t id, int32_t k) {
  const auto found = keyboardState.slotOfId.find(id);
  if (found == keyboardState.slotOfId.end() || found->second != k) return;
  for (int32_t n = k + 1; n <= keyboardState.KeyCount; ++n) {
    const KeyRecord* key = GetKey(n);
    if (key && key->id == id) {
      found->second = n;
      return;
    }
  }
  keyboardState.slotOfId.erase(found);
}

int DeleteChildKeysAt(int32_t k, int depth) {
  if (depth > KEY_TABLE_SIZE) return 1;  // see ForgetDescendantWindows
  for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
    KeyRecord* child = GetKey(c);
    if (child && child->parent == k && c != k) {
      DeleteChildKeysAt(c, depth + 1);
      DeleteKey(c);
    }
  }
  return 1;
}

}  // namespace

os::Instance KeyboardInstance() { return keyboardState.instance; }
void SetKeyboardInstance(os::Instance instance) { keyboardState.instance = instance; }

bool KeyTableInit() {
  if (keyboardState.keyTable) return true;
  keyboardState.keyTable = static_cast<KeyRecord**>(MemAlloc(sizeof(KeyRecord*) * KEY_TABLE_SIZE));
  keyboardState.KeyCount = 0;
  keyboardState.freeSlotHint = 1;
  keyboardState.slotOfId.clear();
  return keyboardState.keyTable != nullptr;
}

void KeyTableFree() {
  if (!keyboardState.keyTable) return;
  DeleteAllKeys();
  MemFree(keyboardState.keyTable);
  keyboardState.keyTable = nullptr;
  keyboardState.KeyCount = 0;
  keyboardState.freeSlotHint = 1;
  keyboardState.slotOfId.clear();
}

bool ColorSetTableInit() {
  if (keyboardState.colorSetTable) return true;
  keyboardState.colorSetTable =
      static_cast<ColorSet**>(MemAlloc(sizeof(ColorSet*) * COLOR_SET_TABLE_SIZE));
  keyboardState.ColorSetCount = 0;
  return keyboardState.colorSetTable != nullptr;
}

void ColorSetTableFree() {
  if (!keyboardState.colorSetTable) return;
  for (int32_t c = keyboardState.ColorSetCount; c >= 1; --c) {
    ColorSet* set = keyboardState.colorSetTable[c - 1];
    if (!set) continue;
    set->~ColorSet();  // gives back its brushes and pens
    MemFree(set);
    keyboardState.colorSetTable[c - 1] = nullptr;
  }
  MemFree(keyboardState.colorSetTable);
  keyboardState.colorSetTable = nullptr;
  keyboardState.ColorSetCount = 0;
}

KeyRecord* GetKey(int32_t k) {
  if (!keyboardState.keyTable || k < 1 || k > keyboardState.KeyCount) return nullptr;
  return keyboardState.keyTable[k - 1];
}

ColorSet* GetColorSet(int32_t c) {
  if (!keyboardState.colorSetTable || c < 1 || c > keyboardState.ColorSetCount) return nullptr;
  return keyboardState.colorSetTable[c - 1];
}

int32_t CreateKey(int32_t type, int32_t parent, uint32_t x, uint32_t y, uint32_t cx, uint32_t cy,
                  int32_t id, const char* name, const char* onfocus, const char* onunfocus,
                  const char* onselect, const char* onunselect, const char* onselected,
                  int32_t colorSet, int32_t visible) {
  if (!keyboardState.keyTable) return 0;
  int32_t slot = 0;
  for (int32_t k = keyboardState.freeSlotHint; k <= keyboardState.KeyCount; ++k) {
    if (!keyboardState.keyTable[k - 1]) {
      slot = k;
      break;
    }
  }
  if (slot == 0) {
    if (keyboardState.KeyCount >= KEY_TABLE_SIZE) return 0;
    slot = keyboardState.KeyCount + 1;
  }

  if (const KeyRecord* parentKey = GetKey(parent)) {
    bool parentIsContainer = parentKey->type == KT_CONTAINER;
    bool isPage = type == KT_PAGE;
    if (parentIsContainer != isPage) return 0;
  }

  // The record and its six texts are one block: a keyboard of thousands of keys is made
  // with one allocation per key.
  const char* texts[] = {name, onfocus, onunfocus, onselect, onunselect, onselected};
  size_t lengths[std::size(texts)];
  size_t size = sizeof(KeyRecord);
  for (size_t t = 0; t < std::size(texts); ++t) {
    lengths[t] = TextLength(texts[t]);
    size += lengths[t] + 1;
  }
  // Filling a block of several kilobytes with zeros only to copy the texts over them
  // cost as much as the copy.
  MemBlock<KeyRecord> record(static_cast<KeyRecord*>(MemAllocUnfilled(size)));
  if (!record) return 0;
  KeyRecord* key = record.Get();
  *key = KeyRecord{};
  char* at = reinterpret_cast<char*>(key + 1);
  char** fields[] = {&key->name,     &key->onfocus,    &key->onunfocus,
                     &key->onselect, &key->onunselect, &key->onselected};
  for (size_t t = 0; t < std::size(texts); ++t) {
    if (lengths[t] != 0) std::memcpy(at, texts[t], lengths[t]);
    at[lengths[t]] = 0;
    *fields[t] = at;
    at += lengths[t] + 1;
  }
  key->nameApart = false;
  key->type = type;
  key->window = nullptr;
  key->parent = parent;
  key->x = x;
  key->y = y;
  key->cx = cx;
  key->cy = cy;
  key->id = id;
  key->colorSet = colorSet;
  key->flags = visible == 0 ? KF_HIDDEN : 0;
  key->paintedFlags = 0;

  keyboardState.keyTable[slot - 1] = record.Release();
  if (slot == keyboardState.KeyCount + 1) keyboardState.KeyCount = slot;
  keyboardState.freeSlotHint = slot + 1;
  // A hole below the id's first slot can take a later key of the same id.
  const auto [first, isNew] = keyboardState.slotOfId.try_emplace(id, slot);
  if (!isNew && slot < first->second) first->second = slot;

  if (type == KT_PAGE) {
    key->x = 0;
    key->y = 0;
    // Only one page of a container has a window: a later page waits until shown.
    for (int32_t c = 1; c <= keyboardState.KeyCount; ++c) {
      const KeyRecord* sibling = GetKey(c);
      if (c != slot && sibling && sibling->parent == parent && HasWindow(sibling)) return slot;
    }
  }
  MakeKeyWindow(slot);
  return slot;
}

void DropKeptWindow(KeyRecord* key) {
  os::Window w = key->kept;
  key->kept = nullptr;
  if (w && os::IsWindow(w)) os::DestroyWindow(w);
}

void DeleteKey(int32_t k) {
  KeyRecord* key = GetKey(k);
  if (!key) return;
  if (HasWindow(key)) {
    ForgetDescendantWindows(k, 0);
    if (key->window) os::DestroyWindow(key->window);
    key->window = nullptr;
  }
  DropKeptWindow(key);
  const int32_t id = key->id;
  if (key->nameApart) MemFree(key->name);
  MemFree(key);
  keyboardState.keyTable[k - 1] = nullptr;
  if (k == keyboardState.KeyCount) --keyboardState.KeyCount;
  if (k < keyboardState.freeSlotHint) keyboardState.freeSlotHint = k;
  ForgetSlotOfId(id, k);
}

void DeleteAllKeys() {
  // The count only drops by one per deletion, so an empty slot just below the top would
  // stop a "delete at the count until 0" loop forever; walk every index instead.
  for (int32_t k = keyboardState.KeyCount; k >= 1; --k) DeleteKey(k);
  keyboardState.KeyCount = 0;
}

int DeleteChildKeys(int32_t k) {
  if (!GetKey(k)) return 0;
  return DeleteChildKeysAt(k, 0);
}

int SetKeyText(int32_t k, const char* text) {
  KeyRecord* key = GetKey(k);
  if (!key) return 0;
  char* copy = CopyOrEmpty(text);
  if (!copy) return 0;
  if (key->nameApart) MemFree(key->name);
  key->name = copy;
  key->nameApart = true;
  PaintKey(k);
  return 1;
}

int32_t CreateColorSet(int32_t id, os::Colour normal, os::Colour focus, os::Colour select,
                       os::Colour fnormal, os::Colour ffocus, os::Colour fselect,
                       os::Colour tnormal, os::Colour tfocus, os::Colour tselect) {
  if (!keyboardState.colorSetTable) return 0;
  int32_t slot = 0;
  for (int32_t c = 1; c <= keyboardState.ColorSetCount; ++c) {
    if (!keyboardState.colorSetTable[c - 1]) {
      slot = c;
      break;
    }
  }
  if (slot == 0) {
    if (keyboardState.ColorSetCount >= COLOR_SET_TABLE_SIZE) return 0;
    slot = keyboardState.ColorSetCount + 1;
  }
  void* block = MemAlloc(sizeof(ColorSet));
  if (!block) return 0;
  auto* set = new (block) ColorSet{};
  auto brush = [](os::Colour c) {
    return OwnedBrush(c > 0xFFFFFF ? nullptr : os::CreateSolidBrush(c));
  };
  auto pen = [](os::Colour c) {
    return OwnedPen(c > 0xFFFFFF ? nullptr : os::CreatePen(os::PS_SOLID, 1, c));
  };
  set->id = id;
  set->fillNormal = brush(normal);
  set->fillFocus = brush(focus);
  set->fillSelect = brush(select);
  set->frameNormal = pen(fnormal);
  set->frameFocus = pen(ffocus);
  set->frameSelect = pen(fselect);
  set->textNormal = tnormal;
  set->textFocus = tfocus;
  set->textSelect = tselect;
  keyboardState.colorSetTable[slot - 1] = set;
  if (slot == keyboardState.ColorSetCount + 1) keyboardState.ColorSetCount = slot;
  return slot;
}

int32_t FindKeyById(int32_t id) {
  const auto found = keyboardState.slotOfId.find(id);
  return found == keyboardState.slotOfId.end() ? 0 : found->second;
}

int32_t FindColorSetById(int32_t id) {
  for (int32_t c = 1; c <= keyboardState.ColorSetCount; ++c) {
    const ColorSet* set = GetColorSet(c);
    if (set && set->id == id) return c;
  }
  return 0;
}

int32_t FindKeyByWindow(os::Window w) {
  if (!w) return 0;
  for (int32_t k = 1; k <= keyboardState.KeyCount; ++k) {
    const KeyRecord* key = GetKey(k);
    if (key && key->window == w) return k;
  }
  return 0;
}

// ---------------------------------------------------------------- walks

int32_t ParentOf(int32_t k) {
  const KeyRecord* key = GetKey(k);
  return key ? key->parent : 0;
}

int32_t FirstChild(int32_t p) {
  for (int32_t k = 1; k <= keyboardState.KeyCount; ++k) {
    if (ParentOf(k) == p) return k;
  }
  return 0;
}

int32_t NextSibling(int32_t k) {
  if (k < 1 || k > keyboardState.KeyCount) return 0;
  int32_t parent = ParentOf(k);
  for (int32_t n = k + 1; n <= keyboardState.KeyCount; ++n) {
    if (ParentOf(n) == parent) return n;
  }
  return 0;
}

int32_t NextScanSibling(int32_t k) {
  int32_t parent = ParentOf(k);
  if (parent == 0) return 0;
  for (int32_t n = k + 1; n <= keyboardState.KeyCount; ++n) {
    const KeyRecord* key = GetKey(n);
    if (key && key->parent == parent && key->type != KT_INERT) return n;
  }
  return 0;
}

int32_t NextVisibleSibling(int32_t k) {
  int32_t parent = ParentOf(k);
  if (parent == 0) return 0;
  for (int32_t n = k + 1; n <= keyboardState.KeyCount; ++n) {
    const KeyRecord* key = GetKey(n);
    if (key && key->parent == parent && key->type != KT_INERT && !(key->flags & KF_HIDDEN)) {
      return n;
    }
  }
  return 0;
}

int32_t FirstVisibleChild(int32_t p) {
  int32_t first = FirstChild(p);
  if (first == 0) return 0;
  if (IsVisibleKey(first)) return first;
  return NextVisibleSibling(first);
}

bool IsVisibleKey(int32_t k) {
  const KeyRecord* key = GetKey(k);
  return key && !(key->flags & KF_HIDDEN);
}

}  // namespace mivo
