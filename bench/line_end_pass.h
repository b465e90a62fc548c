// The floor of the dictionary searches: every line end of the files' mapped text found
// once by memchr. Any search must at least look at every record of both files, so no
// reading of them could cost less; the searches' benches report their time against it.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "dict/dict_file.h"

namespace bench {

inline size_t LineEndPass(std::initializer_list<const mivo::DictFile*> files) {
  size_t lines = 0;
  for (const mivo::DictFile* f : files) {
    const char* pos = f->view;
    const char* const end = f->view + f->used;
    while ((pos = static_cast<const char*>(
                std::memchr(pos, '\n', static_cast<size_t>(end - pos)))) != nullptr) {
      ++lines;
      ++pos;
    }
  }
  return lines;
}

}  // namespace bench
