#pragma once
// FERROW_ASSERT(condition): an invariant the code relies on (an index inside its table, a lock
// taken in the documented order, a call made on the owner's thread). Checked where FERROW_ASSERTS
// is defined, which the build does for debug builds and for every build with tests: a failure
// names the condition and its place on standard error and aborts. Elsewhere the condition is
// not evaluated. Keep conditions cheap and free of side effects.

namespace ferrow {

[[noreturn]] void AssertionFailed(const char* condition, const char* file, int line);

}  // namespace ferrow

#ifdef FERROW_ASSERTS
#define FERROW_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::ferrow::AssertionFailed(#condition, __FILE__, __LINE__))
#else
#define FERROW_ASSERT(condition) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif
