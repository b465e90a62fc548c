// Tests keep Japanese in UTF-8 source; the program speaks Shift-JIS (CP932).
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

std::string Sjis(std::string_view utf8);   // UTF-8 -> CP932 bytes
std::string Utf8(std::string_view cp932);  // CP932 bytes -> UTF-8 (for messages)

}  // namespace testing_support
