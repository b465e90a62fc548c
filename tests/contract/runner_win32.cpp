// The contract cases' runner in the Windows program: runs every registered case in
// registration order, prints one line per case (and one per failed check) and closes
// with "N passed, M failed"; the exit code is 1 when any case failed.
#include <cstdio>
#include <vector>

#include "contract/contract.h"

namespace contract {
namespace {

struct Registered {
  const char* suite;
  const char* name;
  CaseBody body;
};

std::vector<Registered>& Cases() {
  static std::vector<Registered> cases;  // filled before main, from every file's statics
  return cases;
}

bool g_caseFailed = false;

}  // namespace

const bool kWine = true;

int Register(const char* suite, const char* name, CaseBody body) {
  Cases().push_back(Registered{suite, name, body});
  return static_cast<int>(Cases().size());
}

Failure::Failure(const char* file, int line, std::string text)
    : file_(file), line_(line), text_(std::move(text)) {}

Failure::~Failure() {
  g_caseFailed = true;
  std::printf("    %s:%d: %s%s%s\n", file_, line_, text_.c_str(), note_.empty() ? "" : " -- ",
              note_.c_str());
  std::fflush(stdout);
}

// Whatever the previous case left queued is not the next one's.
void BeginCase() {
  os::Msg m{};
  while (os::PeekMessage(&m, nullptr, 0, 0, os::PM_REMOVE)) {
    if (m.message != os::WM_QUIT) os::DispatchMessage(&m);
  }
}

}  // namespace contract

int main() {
  char description[256] = {};
  os::ImmGetDescription(os::GetKeyboardLayout(0), description, sizeof description);
  std::printf("info ImmGetDescription \"%s\"\n", description);
  int passed = 0;
  int failed = 0;
  for (const contract::Registered& c : contract::Cases()) {
    contract::g_caseFailed = false;
    contract::BeginCase();
    c.body();
    std::printf("%s %s.%s\n", contract::g_caseFailed ? "FAIL" : "ok", c.suite, c.name);
    std::fflush(stdout);
    contract::g_caseFailed ? ++failed : ++passed;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
