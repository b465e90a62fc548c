// The fixed tables of key, latching-modifier and mouse-action names.
#pragma once

#include <cstdint>

namespace mivo {

struct NameCode {
  const char* name;
  uint8_t code;
};

extern const NameCode SysKeyTable[4];
extern const NameCode KeyNameTable[133];
extern const NameCode MouseNameTable[14];

// 0 when the name is null or not in the table.
int LookupSysKeyName(const char* name);
int LookupKeyName(const char* name);
int LookupMouseName(const char* name);

}  // namespace mivo
