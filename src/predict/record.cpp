// Learning from the macro texts that keys run.
#include "predict/record.h"

namespace mivo {

// The place where learning joins: the operation dictionaries will take the text here.
void RecordMacroRun(const char* text) { (void)text; }

}  // namespace mivo
