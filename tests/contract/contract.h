// One description of how the port behaves, compiled for both backends: GoogleTest
// cases on the headless desktop (contract_tests), and a small runner of its own in a
// Windows program that the e2e step runs under Wine (win_platform_contract.exe).
//
// A case reaches the system only through platform/os.h and checks with this subset of
// GoogleTest's assertions, each taking a message after "<<": EXPECT_ EQ NE GT GE TRUE
// FALSE STREQ and ASSERT_ EQ NE GT TRUE. What one backend alone can show (the headless
// desktop's test API, Win32 calls outside os.h) stays in that backend's own tests.
#pragma once

#include "platform/os.h"

namespace contract {

// Backend glue, run before every case: a fresh desktop on headless (which also defines
// the dialog that dialog.rc gives the Windows program); on win32 an empty queue.
void BeginCase();

// True in the Windows program, which the e2e step runs under Wine: for the few places
// where Wine and the headless desktop differ on purpose, each explained at its case.
extern const bool kWine;

// The dialog that both backends define: an edit field and an OK button.
constexpr int kDialog = 200;
constexpr int kDialogEdit = 1001;

}  // namespace contract

#if defined(MIVO_CONTRACT_GTEST)

#include <gtest/gtest.h>

#define CONTRACT_TEST(Suite, Name)     \
  static void Suite##_##Name##_Body(); \
  TEST(Suite, Name) {                  \
    ::contract::BeginCase();           \
    Suite##_##Name##_Body();           \
  }                                    \
  static void Suite##_##Name##_Body()

#else

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace contract {

using CaseBody = void (*)();
int Register(const char* suite, const char* name, CaseBody body);

inline std::string Quote(std::string_view text) {
  std::string out(1, '"');
  out.append(text);
  return out.append(1, '"');
}

template <typename T>
std::string Show(const T& v) {
  if constexpr (std::is_same_v<T, std::nullptr_t>) {
    return "nullptr";
  } else if constexpr (std::is_same_v<T, bool>) {
    return v ? "true" : "false";
  } else if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) {
    return v ? Quote(v) : "nullptr";
  } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    return Quote(v);
  } else if constexpr (std::is_integral_v<T>) {
    return std::to_string(v);
  } else if constexpr (std::is_pointer_v<T>) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", static_cast<const void*>(v));
    return text;
  } else if constexpr (requires {
                         v.first;
                         v.second;
                       }) {
    return std::string("(").append(Show(v.first)).append(", ").append(Show(v.second)).append(")");
  } else if constexpr (requires {
                         v.begin();
                         v.end();
                       }) {
    std::string out = "{";
    for (const auto& item : v) out.append(out.size() > 1 ? ", " : "").append(Show(item));
    return out.append("}");
  } else {
    return "(a value)";
  }
}

// What a check found; false carries the text to report.
struct Outcome {
  bool ok;
  std::string text;
  explicit operator bool() const { return ok; }
};

template <typename A, typename B, typename Op>
Outcome Compare(const A& a, const B& b, Op op, const char* expression) {
  if (op(a, b)) return Outcome{true, {}};
  return Outcome{false, std::string(expression) + " with " + Show(a) + " and " + Show(b)};
}

inline Outcome Truth(bool value, bool expected, const char* expression) {
  if (value == expected) return Outcome{true, {}};
  return Outcome{false, std::string(expression) + " is " + (value ? "true" : "false")};
}

inline Outcome SameText(const char* a, const char* b, const char* expression) {
  bool same = a && b ? std::strcmp(a, b) == 0 : a == b;
  if (same) return Outcome{true, {}};
  return Outcome{false, std::string(expression) + " with " + Show(a) + " and " + Show(b)};
}

// A failed check: reports where and what, with the message streamed after it, and
// marks the running case as failed.
class Failure {
 public:
  Failure(const char* file, int line, std::string text);
  Failure(const Failure&) = delete;
  Failure& operator=(const Failure&) = delete;
  ~Failure();
  template <typename T>
  Failure& operator<<(const T& v) {
    if constexpr (std::is_convertible_v<const T&, std::string_view>)
      note_ += std::string_view(v);
    else
      note_ += Show(v);
    return *this;
  }

 private:
  const char* file_;
  int line_;
  std::string text_;
  std::string note_;
};

// Ends the case after a failed ASSERT_: "return Fatal() = Failure(...) << note;".
struct Fatal {
  void operator=(const Failure&) const {}
};

}  // namespace contract

#define CONTRACT_TEST(Suite, Name)                                \
  static void Suite##_##Name##_Body();                            \
  [[maybe_unused]] static const int Suite##_##Name##_Registered = \
      ::contract::Register(#Suite, #Name, Suite##_##Name##_Body); \
  static void Suite##_##Name##_Body()

#define CONTRACT_CHECK_(outcome, onFailure)                    \
  switch (0)                                                   \
  case 0:                                                      \
  default:                                                     \
    if (const ::contract::Outcome contract_outcome_ = outcome) \
      ;                                                        \
    else                                                       \
      onFailure ::contract::Failure(__FILE__, __LINE__, contract_outcome_.text)

#define CONTRACT_FATAL_ return ::contract::Fatal() =
#define CONTRACT_CMP_(a, op, b, onFailure)                                               \
  CONTRACT_CHECK_(                                                                       \
      ::contract::Compare(                                                               \
          a, b, [](const auto& x, const auto& y) { return x op y; }, #a " " #op " " #b), \
      onFailure)

#define EXPECT_EQ(a, b) CONTRACT_CMP_(a, ==, b, )
#define EXPECT_NE(a, b) CONTRACT_CMP_(a, !=, b, )
#define EXPECT_GT(a, b) CONTRACT_CMP_(a, >, b, )
#define EXPECT_GE(a, b) CONTRACT_CMP_(a, >=, b, )
#define EXPECT_TRUE(a) CONTRACT_CHECK_(::contract::Truth(static_cast<bool>(a), true, #a), )
#define EXPECT_FALSE(a) CONTRACT_CHECK_(::contract::Truth(static_cast<bool>(a), false, #a), )
#define EXPECT_STREQ(a, b) CONTRACT_CHECK_(::contract::SameText(a, b, #a " == " #b), )
#define ASSERT_EQ(a, b) CONTRACT_CMP_(a, ==, b, CONTRACT_FATAL_)
#define ASSERT_NE(a, b) CONTRACT_CMP_(a, !=, b, CONTRACT_FATAL_)
#define ASSERT_GT(a, b) CONTRACT_CMP_(a, >, b, CONTRACT_FATAL_)
#define ASSERT_TRUE(a) \
  CONTRACT_CHECK_(::contract::Truth(static_cast<bool>(a), true, #a), CONTRACT_FATAL_)

#endif
