#pragma once
// Starts another program directly from an argument vector: no shell ever sees the arguments, so
// a file name such as "$(rm x).zip" or "a;b.zip" reaches the program as one plain argument. The
// caller does not wait for the program; it runs in a session of its own with standard input
// from /dev/null, and is never left behind as a zombie.
#include <string>
#include <vector>

#include "platform/error_code.h"

namespace ferrow {

enum class LaunchFailure {
  kNone,
  kNotFound,     // no such file (or not found in PATH)
  kNotAProgram,  // the file exists but cannot be executed (no permission, unknown format)
  kOther,
};

struct LaunchResult {
  LaunchFailure failure = LaunchFailure::kNone;
  ErrorValue error = 0;  // the packed system error when the start failed
  bool Started() const { return failure == LaunchFailure::kNone; }
};

class CProcessLauncher {
 public:
  // argv[0] is the program: a path, or a bare name looked up in PATH. The result says whether
  // the program itself began to run (a failed exec is reported here, not lost in the child).
  static LaunchResult Start(const std::vector<std::wstring>& argv);
};

}  // namespace ferrow
