// Event log and usage counter.
#pragma once

namespace mivo {

constexpr int COUNT_SELECTION = 1;
constexpr int COUNT_OUTPUT = 2;
constexpr int COUNT_OUTPUT_UNDO = 4;

int OpenLog();
int WriteLog(const char* name, const char* text);
void CountEvent(int flags, int reset);
void CloseLogAndCounter();

}  // namespace mivo
