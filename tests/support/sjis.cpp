#include "support/sjis.h"

#include <stdexcept>

#include "platform/headless/internal.h"

namespace testing_support {
namespace {

// The headless desktop's own conversion, so that tests spell text as the program meets it.
std::string Convert(std::string_view in, const char* to, const char* from) {
  std::string out;
  if (!headless::Recode(std::string(in), to, from, &out))
    throw std::runtime_error("text not convertible");
  return out;
}

}  // namespace

std::string Sjis(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8"); }
std::string Utf8(std::string_view cp932) { return Convert(cp932, "UTF-8", "CP932"); }

}  // namespace testing_support
