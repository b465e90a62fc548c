// Operation dictionaries: the core dictionary, always open, and the application
// dictionaries that the foreground window's class chooses through the application list,
// three of them open at a time. Offers what prediction learns from and searches.
//
// Owns: the application list, the open dictionary sets and the last foreground class
// (all in predictState). Offers: open and close, the foreground check and the switch,
// learning, the ranked search and the lookups of names and macros.
#pragma once

#include <cstdint>

#include "dict/candidate_list.h"
#include "dict/dict_file.h"

namespace mivo {

constexpr int APP_LIST_MAX = 100;
constexpr int OPEN_DICT_SLOTS = 3;
constexpr uint32_t APP_CONTEXT_LENGTH = 32;
constexpr uint32_t HISTORY_MAX_LINES = 3000;
constexpr uint32_t DICT_PATH_SIZE = 256;
constexpr uint32_t RECENT_TEXT_MAX = DICT_RECENT_SIZE - 1;

// One line of the application list; an empty class name marks a default entry.
struct AppEntry {
  char* className;  // owned
  char* directory;  // owned
};

// ---- application list: owned entries in file order, ended by a pair of nulls
AppEntry* AppListLoad();  // null when the file is missing, empty or unreadable
void AppListFree(AppEntry* list);

// ---- the dictionaries
int PredictionOpen();  // 1, or 0 with nothing left open
void PredictionClose();
void DictSetClose(DictSet* set);  // flushes, trims the history, closes the files, frees

// A new copy of the foreground window's class when it changed, else null.
char* ForegroundClassCheck();
void SwitchDictionary(const char* className);

// ---- learning and searching
void LearnOperation(const char* key, const char* name);
const char* ActiveRecentText();  // null while prediction is closed
// How well a history record's context matches the end of the recent text.
uint32_t ContextScore(const char* context, uint32_t contextLength, const char* recent,
                      uint32_t recentLength);
// A page of candidates for the caller to deliver and free; null without the core dictionary.
CandidateList* PredictSearch(const char* recentText, uint32_t recentLength, uint32_t capacity,
                             uint32_t skip);

// ---- lookups in the active application dictionary, then the core; MemAlloc'd or null
char* FindMacro(const char* key);
char* FindKeyByMacro(const char* macroText);
char* FindName(const char* key);

}  // namespace mivo
