#include "predict/operations.h"

#include <algorithm>
#include <cstring>

#include "base/bus.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/text.h"
#include "predict/state.h"

namespace mivo {

PredictState predictState;

namespace {

constexpr char TAB = '\t';
constexpr const char* APP_LIST_FILE = "ApplicationList.txt";
constexpr const char* CORE_NAME_FILE = "PredCore\\Name";
constexpr const char* CORE_MACRO_FILE = "PredCore\\Macro";
constexpr const char* APP_HISTORY_FILE = "history";
constexpr const char* APP_MACRO_FILE = "macro";
constexpr const char* APP_NAME_FILE = "name";

char* CopyBytes(const char* bytes, size_t n) {
  char* copy = static_cast<char*>(MemAlloc(n + 1));
  if (copy != nullptr && n > 0) memcpy(copy, bytes, n);
  return copy;
}

DictSet* ActiveApp() { return predictState.slots != nullptr ? predictState.slots[0] : nullptr; }

DictSet* ActiveSet() {
  DictSet* app = ActiveApp();
  return app != nullptr ? app : predictState.core;
}

const char* ViewOf(const DictFile* file) {
  return file != nullptr && file->view != nullptr ? file->view : nullptr;
}

void CloseFiles(DictSet* set) {
  DictFileClose(set->history);
  DictFileClose(set->name);
  DictFileClose(set->macro);
}

// A directory whose path would not fit the 256-byte buffer is refused, as a missing one is.
bool BuildPath(char (&path)[DICT_PATH_SIZE], const char* directory, const char* file) {
  const size_t d = TextLength(directory);
  const size_t f = TextLength(file);
  if (d + 1 + f + 1 > DICT_PATH_SIZE) return false;
  memcpy(path, directory, d);
  path[d] = '\\';
  memcpy(path + d + 1, file, f + 1);
  return true;
}

bool OpenIn(DictFile* file, const char* directory, const char* name) {
  char path[DICT_PATH_SIZE];
  return BuildPath(path, directory, name) && DictFileOpen(file, path) == 1;
}

// A kill can leave a journal beside an application's dictionary, and that folder is opened
// only once its application comes to the front, which may be never: every listed folder's
// dictionaries are made whole at start, so that the files on disk hold every record.
void RecoverAppFolders(const AppEntry* list) {
  if (list == nullptr) return;
  for (const AppEntry* entry = list; entry->className != nullptr || entry->directory != nullptr;
       ++entry) {
    for (const char* name : {APP_HISTORY_FILE, APP_MACRO_FILE, APP_NAME_FILE}) {
      char path[DICT_PATH_SIZE];
      if (entry->directory != nullptr && BuildPath(path, entry->directory, name))
        DictFileRecover(path);
    }
  }
}

struct Search {
  CandidateList* list;
  char** skipped;
  const char* recent;
  uint32_t recentLength;
  uint32_t limit;
  int room = 1;

  // False once the page is full and a further candidate was seen.
  bool Offer(const char* key, const char* keyEnd, const char* text, const char* textEnd,
             uint32_t score, int32_t kind) {
    const uint32_t total =
        CandidateListAdd(list, skipped, key, static_cast<uint32_t>(keyEnd - key), text,
                         static_cast<uint32_t>(textEnd - text), score, room, kind, 1);
    if (total >= limit) room = 0;
    return total <= limit;
  }

  // context TAB key TAB name, read from the end; a line with fewer fields is no record.
  bool History(const char* line, const char* end) {
    const char* name = ScanBackToChar(end - 1, line, TAB);
    if (name == line || name - 1 == line) return true;
    const char* key = ScanBackToChar(name - 2, line, TAB);
    if (key == line) return true;
    const uint32_t contextLength = static_cast<uint32_t>(key - 1 - line);
    if (contextLength == 0 || recentLength == 0) return true;
    const uint32_t score = ContextScore(line, contextLength, recent, recentLength);
    if (score <= 100) return true;
    return Offer(key, name - 1, name, end, score, CANDIDATE_FROM_HISTORY);
  }

  // key TAB name, read from the end.
  bool String(const char* line, const char* end) {
    const char* name = ScanBackToChar(end - 1, line, TAB);
    if (name == line || name == end || name - 1 == line) return true;
    return Offer(line, name - 1, name, end, 1, CANDIDATE_FROM_STRING);
  }

  // The pending records are newer than the file's, so they come first.
  bool File(const DictFile* file, bool history) {
    auto offer = [this, history](const char* line, const char* end) {
      return history ? History(line, end) : String(line, end);
    };
    return EachDictText(file, [&](const char* text, uint32_t length) {
      return EachRecordBackwards(text, length, offer);
    });
  }
};

template <typename Lookup>
char* ActiveThenCore(Lookup lookup, const char* what, DictFile* DictSet::*file) {
  if (what == nullptr) return nullptr;
  DictSet* app = ActiveApp();
  if (app != nullptr) {
    const char* view = ViewOf(app->*file);
    char* found = view != nullptr ? lookup(what, view) : nullptr;
    if (found != nullptr) return found;
  }
  if (predictState.core == nullptr) return nullptr;
  const char* view = ViewOf(predictState.core->*file);
  return view != nullptr ? lookup(what, view) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- application list

AppEntry* AppListLoad() {
  ScopedFile file(os::CreateFile(APP_LIST_FILE, os::GENERIC_READ, os::FILE_SHARE_READ,
                                 os::OPEN_EXISTING,
                                 os::FILE_ATTRIBUTE_NORMAL | os::FILE_FLAG_RANDOM_ACCESS));
  if (!file) return nullptr;
  const os::DWORD size = os::GetFileSize(file.Get());
  if (size == 0 || size == os::INVALID_FILE_SIZE) return nullptr;
  ScopedMapping mapping(os::CreateFileMapping(file.Get(), os::PAGE_READONLY, 0));
  if (!mapping) return nullptr;
  ScopedView view(os::MapViewOfFile(mapping.Get(), os::FILE_MAP_READ, 0));
  if (!view) return nullptr;
  const char* const end = static_cast<const char*>(view.Get()) + size;

  struct Span {
    const char *className, *classEnd, *directory, *directoryEnd;
  } spans[APP_LIST_MAX];
  int count = 0;
  const char* pos = ScanToText(static_cast<const char*>(view.Get()), end);
  while (pos < end && count < APP_LIST_MAX) {
    const char* lineEnd = ScanOverText(pos, end);
    const char* tab = ScanToChar(pos, lineEnd, TAB);
    // A line without a TAB, or with nothing after it, names no dictionary and is skipped;
    // a second TAB ends the directory and the rest of that line is ignored.
    if (tab < lineEnd) {
      const char* directoryEnd = ScanToChar(tab + 1, lineEnd, TAB);
      if (directoryEnd > tab + 1) spans[count++] = {pos, tab, tab + 1, directoryEnd};
    }
    pos = ScanToText(lineEnd, end);
  }
  if (count == 0) return nullptr;

  MemBlock<AppEntry> list(static_cast<AppEntry*>(MemAlloc(sizeof(AppEntry) * (count + 1))));
  if (!list) return nullptr;
  for (int i = 0; i < count; ++i) {
    AppEntry& entry = list.Get()[i];
    entry.className = CopyBytes(spans[i].className, spans[i].classEnd - spans[i].className);
    entry.directory = CopyBytes(spans[i].directory, spans[i].directoryEnd - spans[i].directory);
    if (entry.className == nullptr || entry.directory == nullptr) {
      AppListFree(list.Release());
      return nullptr;
    }
  }
  return list.Release();
}

void AppListFree(AppEntry* list) {
  if (list == nullptr) return;
  for (AppEntry* entry = list; entry->className != nullptr || entry->directory != nullptr;
       ++entry) {
    MemFree(entry->className);
    MemFree(entry->directory);
  }
  MemFree(list);
}

// ---------------------------------------------------------------- open and close

int PredictionOpen() {
  // A second open would lose what the first one holds.
  if (predictState.core != nullptr) PredictionClose();
  predictState.appList = AppListLoad();
  RecoverAppFolders(predictState.appList);
  predictState.slots = static_cast<DictSet**>(MemAlloc(sizeof(DictSet*) * OPEN_DICT_SLOTS));
  DictSet* core = DictSetCreate();
  if (core != nullptr) {
    MemFree(core->history);
    core->history = nullptr;
  }
  if (predictState.slots == nullptr || core == nullptr ||
      DictFileOpen(core->name, CORE_NAME_FILE) != 1 ||
      DictFileOpen(core->macro, CORE_MACRO_FILE) != 1) {
    if (core != nullptr) {
      CloseFiles(core);
      DictSetFree(core);
    }
    MemFree(predictState.slots);
    predictState.slots = nullptr;
    AppListFree(predictState.appList);
    predictState.appList = nullptr;
    return 0;
  }
  predictState.core = core;
  PostToMain(MM_PREDICT_CANDIDATES, 0, 0);
  return 1;
}

void DictSetClose(DictSet* set) {
  if (set == nullptr) return;
  MergeHistoryStudy(set, nullptr, nullptr, 1, TAB);
  MergeStringStudy(set, nullptr, nullptr, 1, TAB);
  DictFileTrim(set->history, HISTORY_MAX_LINES);
  CloseFiles(set);
  DictSetFree(set);
}

void PredictionClose() {
  if (predictState.core != nullptr) {
    MergeHistoryStudy(predictState.core, nullptr, nullptr, 1, TAB);
    MergeStringStudy(predictState.core, nullptr, nullptr, 1, TAB);
  }
  DictSetClose(predictState.core);
  predictState.core = nullptr;
  if (predictState.slots != nullptr) {
    for (int i = 0; i < OPEN_DICT_SLOTS; ++i) DictSetClose(predictState.slots[i]);
  }
  MemFree(predictState.slots);
  predictState.slots = nullptr;
  AppListFree(predictState.appList);
  predictState.appList = nullptr;
  // Not named among what closing releases, but the leak check at shutdown counts it.
  MemFree(predictState.lastClass);
  predictState.lastClass = nullptr;
}

void ResetPredictState() {
  PredictionClose();
  predictState = PredictState{};
}

// ---------------------------------------------------------------- foreground and switch

char* ForegroundClassCheck() {
  // A window keeps its class for life: while the same window stays in front, asking
  // for the class again would cost a server round trip every tick for nothing.
  const os::Window foreground = os::GetForegroundWindow();
  if (predictState.lastClass != nullptr && foreground == predictState.lastForeground)
    return nullptr;
  char name[DICT_PATH_SIZE] = {};
  const int length = os::GetClassName(foreground, name, sizeof name);
  if (length <= 0) return nullptr;
  name[sizeof name - 1] = 0;
  predictState.lastForeground = foreground;
  if (predictState.lastClass != nullptr) {
    const size_t shorter = std::min(TextLength(predictState.lastClass), TextLength(name));
    if (memcmp(predictState.lastClass, name, shorter) == 0) return nullptr;
  }
  char* remembered = TextDuplicate(name);
  if (remembered == nullptr) return nullptr;
  MemFree(predictState.lastClass);
  predictState.lastClass = remembered;
  WriteLog("AppChk", name);
  return TextDuplicate(name);
}

void SwitchDictionary(const char* className) {
  if (className == nullptr || predictState.appList == nullptr || predictState.slots == nullptr)
    return;
  const char* wanted = nullptr;
  for (const AppEntry* entry = predictState.appList; entry->className != nullptr; ++entry) {
    if (TextEqual(entry->className, className)) {
      wanted = entry->directory;
      break;
    }
  }
  if (wanted == nullptr) {
    // Without a match the last default entry of the whole list counts.
    for (const AppEntry* entry = predictState.appList; entry->className != nullptr; ++entry) {
      if (*entry->className == 0) wanted = entry->directory;
    }
  }
  if (wanted == nullptr) return;

  DictSet** slots = predictState.slots;
  for (int i = 0; i < OPEN_DICT_SLOTS; ++i) {
    if (slots[i] != nullptr && TextEqual(slots[i]->directory, wanted)) {
      DictSet* found = slots[i];
      for (int j = i; j > 0; --j) slots[j] = slots[j - 1];
      slots[0] = found;
      WriteLog("ChangeDic", wanted);
      return;
    }
  }

  WriteLog("LoadDic", wanted);
  DictSet* set = DictSetCreate();
  if (set == nullptr) return;
  set->directory = TextDuplicate(wanted);
  set->contextLength = APP_CONTEXT_LENGTH;
  if (set->directory == nullptr || !OpenIn(set->history, wanted, APP_HISTORY_FILE) ||
      !OpenIn(set->macro, wanted, APP_MACRO_FILE) || !OpenIn(set->name, wanted, APP_NAME_FILE)) {
    CloseFiles(set);
    DictSetFree(set);
    return;
  }
  if (slots[2] != nullptr) {
    DictSetClose(slots[2]);
    slots[2] = nullptr;
  }
  slots[2] = slots[1];
  slots[1] = slots[0];
  slots[0] = set;
  WriteLog("LoadDicFinish", set->directory);
}

// ---------------------------------------------------------------- learning

void LearnOperation(const char* key, const char* name) {
  DictSet* active = ActiveSet();
  if (key == nullptr || active == nullptr) return;
  if (name != nullptr && *name != 0) {
    DictSet* app = ActiveApp();
    if (app != nullptr) {
      const char* view = ViewOf(app->name);
      OwnedText stored(view != nullptr ? LookupTextByKey(key, view) : nullptr);
      if (stored) {
        MergeHistoryStudy(app, key, stored.Get(), 0, TAB);
        MergeStringStudy(app, key, stored.Get(), 0, TAB);
      } else {
        MergeHistoryStudy(app, key, name, 0, TAB);
        MergeStringStudy(predictState.core, key, name, 0, TAB);
      }
    } else {
      MergeStringStudy(predictState.core, key, name, 0, TAB);
    }
  }
  // The text keeps its last 256 bytes, of the key alone when the key is longer.
  char* recent = active->recent;
  const size_t old = strnlen(recent, RECENT_TEXT_MAX);
  size_t keyLength = TextLength(key);
  if (keyLength > RECENT_TEXT_MAX) {
    key += keyLength - RECENT_TEXT_MAX;
    keyLength = RECENT_TEXT_MAX;
  }
  size_t kept = old;
  if (old + keyLength > RECENT_TEXT_MAX) {
    kept = RECENT_TEXT_MAX - keyLength;
    memmove(recent, recent + (old - kept), kept);
  }
  memcpy(recent + kept, key, keyLength);
  memset(recent + kept + keyLength, 0, DICT_RECENT_SIZE - kept - keyLength);
}

const char* ActiveRecentText() {
  DictSet* active = ActiveSet();
  return active != nullptr ? active->recent : nullptr;
}

// ---------------------------------------------------------------- search

uint32_t ContextScore(const char* context, uint32_t contextLength, const char* recent,
                      uint32_t recentLength) {
  const uint32_t groups = std::min(contextLength, recentLength) / 4;
  uint32_t sum = 0;
  for (uint32_t i = 1; i <= groups; ++i) {
    if (memcmp(context + contextLength - 4 * i, recent + recentLength - 4 * i, 4) != 0) break;
    sum += (10000 / (i + 6)) / 2;
  }
  return sum * 10 / (groups + 1);
}

CandidateList* PredictSearch(const char* recentText, uint32_t recentLength, uint32_t capacity,
                             uint32_t skip) {
  if (predictState.core == nullptr) return nullptr;
  CandidateList* list = CandidateListCreate(capacity, skip);
  char** skipped = SkippedKeysCreate(skip);
  if (list == nullptr || skipped == nullptr) {
    SkippedKeysFree(skipped);
    CandidateListFree(list);
    return nullptr;
  }
  if (recentText == nullptr) recentLength = 0;
  Search search{list, skipped, recentText, recentLength, capacity + skip};
  DictSet* app = ActiveApp();
  const bool more =
      app == nullptr || (search.File(app->history, true) && search.File(app->name, false));
  if (more) search.File(predictState.core->name, false);
  SkippedKeysFree(skipped);
  return list;
}

// ---------------------------------------------------------------- lookups

char* FindMacro(const char* key) { return ActiveThenCore(LookupMacroByKey, key, &DictSet::macro); }

char* FindKeyByMacro(const char* macroText) {
  return ActiveThenCore(LookupKeyByText, macroText, &DictSet::macro);
}

char* FindName(const char* key) { return ActiveThenCore(LookupTextByKey, key, &DictSet::name); }

}  // namespace mivo
