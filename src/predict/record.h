// Learning from the macro texts that keys run.
#pragma once

namespace mivo {

// Every key action passes through here before it runs: this is where the operation
// dictionaries learn which operation the user performed in which application. Until
// learning joins, nothing is recorded.
void RecordMacroRun(const char* text);

}  // namespace mivo
