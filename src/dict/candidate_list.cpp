#include "dict/candidate_list.h"

#include <cstring>
#include <utility>

#include "base/scoped.h"
#include "base/text.h"

namespace mivo {

namespace {

char* CopyBytes(const char* bytes, size_t n) {
  char* copy = static_cast<char*>(MemAlloc(n + 1));
  if (copy != nullptr && n > 0) memcpy(copy, bytes, n);
  return copy;
}

// A copy that failed to allocate stands as the empty text.
bool SameText(const char* stored, const char* bytes, size_t n) {
  const size_t length = stored != nullptr ? TextLength(stored) : 0;
  return length == n && (n == 0 || memcmp(stored, bytes, n) == 0);
}

void SwapEntries(CandidateList* list, uint32_t a, uint32_t b) {
  std::swap(list->keys[a], list->keys[b]);
  std::swap(list->texts[a], list->texts[b]);
  std::swap(list->scores[a], list->scores[b]);
  std::swap(list->kinds[a], list->kinds[b]);
}

uint32_t PageCount(const CandidateList* list) {
  const uint32_t count = list->total > list->skip ? list->total - list->skip : 0;
  return count < list->capacity ? count : list->capacity;
}

}  // namespace

CandidateList* CandidateListCreate(uint32_t capacity, uint32_t skip) {
  if (capacity >= (1u << 24)) return nullptr;  // no page is that long
  const size_t entries = static_cast<size_t>(capacity) + 1;
  MemBlock<CandidateList> list(static_cast<CandidateList*>(MemAlloc(sizeof(CandidateList))));
  MemBlock<char*> keys(static_cast<char**>(MemAlloc(entries * sizeof(char*))));
  MemBlock<char*> texts(static_cast<char**>(MemAlloc(entries * sizeof(char*))));
  MemBlock<uint32_t> scores(static_cast<uint32_t*>(MemAlloc(entries * sizeof(uint32_t))));
  MemBlock<int32_t> kinds(static_cast<int32_t*>(MemAlloc(entries * sizeof(int32_t))));
  if (!list || !keys || !texts || !scores || !kinds) return nullptr;
  CandidateList* made = list.Get();
  made->total = 0;
  made->skip = skip;
  made->keys = keys.Release();
  made->texts = texts.Release();
  made->scores = scores.Release();
  made->more = 0;
  made->kinds = kinds.Release();
  made->capacity = capacity;
  return list.Release();
}

uint32_t CandidateListAdd(CandidateList* list, char** skippedKeys, const char* key,
                          uint32_t keyLength, const char* text, uint32_t textLength, uint32_t score,
                          int room, int32_t kind, int byKey) {
  if (list == nullptr) return 0;
  if (key == nullptr) keyLength = 0;
  if (text == nullptr) textLength = 0;
  const uint32_t total = list->total;

  if (list->skip > 0) {
    if (skippedKeys == nullptr) return total;  // nowhere to remember the earlier pages
    uint32_t stored = 0;
    for (; stored < list->skip && skippedKeys[stored] != nullptr; ++stored) {
      // A new key that begins a skipped key is taken for it.
      const char* skipped = skippedKeys[stored];
      if (byKey != 0 && TextLength(skipped) >= keyLength &&
          (keyLength == 0 || memcmp(skipped, key, keyLength) == 0)) {
        return total;
      }
    }
    if (stored < list->skip) {
      skippedKeys[stored] = CopyBytes(key, keyLength);
      return ++list->total;
    }
  }

  const uint32_t count = PageCount(list);
  for (uint32_t i = 0; i < count; ++i) {
    const bool same = byKey != 0 ? SameText(list->keys[i], key, keyLength)
                                 : SameText(list->texts[i], text, textLength);
    if (!same) continue;
    if (byKey != 0) {
      list->scores[i] += score;
    } else if (score > list->scores[i]) {
      MemFree(list->keys[i]);
      MemFree(list->texts[i]);
      list->keys[i] = CopyBytes(key, keyLength);
      list->texts[i] = CopyBytes(text, textLength);
      list->scores[i] = score;
      list->kinds[i] = kind;
    }
    for (uint32_t j = i; j >= 1; --j) {
      if (list->scores[j] > list->scores[j - 1]) SwapEntries(list, j, j - 1);
    }
    return total;
  }

  if (room == 0 || count >= list->capacity) {
    list->more = 1;
    return total + 1;
  }
  uint32_t at = count;
  for (; at > 0 && list->scores[at - 1] < score; --at) {
    list->keys[at] = list->keys[at - 1];
    list->texts[at] = list->texts[at - 1];
    list->scores[at] = list->scores[at - 1];
    list->kinds[at] = list->kinds[at - 1];
  }
  list->keys[at] = CopyBytes(key, keyLength);
  list->texts[at] = CopyBytes(text, textLength);
  list->scores[at] = score;
  list->kinds[at] = kind;
  return ++list->total;
}

void CandidateListFree(CandidateList* list) {
  if (list == nullptr) return;
  for (uint32_t i = 0; i <= list->capacity; ++i) {
    MemFree(list->keys[i]);
    MemFree(list->texts[i]);
  }
  MemFree(list->keys);
  MemFree(list->texts);
  MemFree(list->scores);
  MemFree(list->kinds);
  MemFree(list);
}

char** SkippedKeysCreate(uint32_t skip) {
  if (skip >= (1u << 24)) return nullptr;
  return static_cast<char**>(MemAlloc((static_cast<size_t>(skip) + 1) * sizeof(char*)));
}

void SkippedKeysFree(char** skippedKeys) {
  if (skippedKeys == nullptr) return;
  for (char** entry = skippedKeys; *entry != nullptr; ++entry) MemFree(*entry);
  MemFree(skippedKeys);
}

uint32_t NextPageSkip(const char* argument) {
  return static_cast<uint32_t>(FirstNumberIn(argument));
}

uint32_t PreviousPageSkip(const char* argument) {
  const uint32_t n = NextPageSkip(argument);
  return n > 10 ? n - 10 : 0;
}

}  // namespace mivo
