#pragma once
// The small regular-expression dialect in which directory-listing line shapes are written
// (docs/listing-patterns.md). Matching is by backtracking, first match wins, exactly as a
// recursive matcher would find it, but run on an explicit stack with a step budget so that a
// hostile line can neither blow the call stack nor take exponential time.
//
// A compiled pattern is immutable; Match may be called from several threads at once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ferrow {

class CListingPattern {
 public:
  enum class MatchResult { Matched, NoMatch, BudgetExhausted };

  // For callers that don't size the budget to their input: a few milliseconds of work. Lines of
  // the listing shapes need a few steps per character.
  static constexpr std::size_t kDefaultStepBudget = 4'000'000;

  CListingPattern() = default;

  // False (and an empty pattern that matches nothing) on a syntax error; ErrorOffset() then tells
  // where in the text the compiler gave up.
  bool Compile(std::wstring_view pattern);
  bool IsValid() const { return m_valid; }
  std::size_t ErrorOffset() const { return m_errorOffset; }
  // Number of capture groups ("{...}"), numbered from 0 in the order of their opening braces.
  std::size_t GetGroupCount() const { return m_groupCount; }

  // On Matched, groups holds one view into text per capture group; a group that took no part in
  // the match is an empty view. Views never reach outside text.
  MatchResult Match(std::wstring_view text, std::vector<std::wstring_view>& groups,
                    std::size_t stepBudget = kDefaultStepBudget) const;

 private:
  enum class Op : std::uint8_t { Char, Any, Set, Split, Jump, Save, AssertStart, Match };
  struct Instruction {
    Op op;
    // Char: the character. Set: index into m_sets. Split: the preferred branch; Jump: target.
    // Save: the capture slot.
    std::uint32_t arg = 0;
    // Split: the branch tried when the preferred one fails.
    std::uint32_t alternative = 0;
  };
  struct CharSet {
    bool negated = false;
    std::vector<std::pair<wchar_t, wchar_t>> ranges;
    bool Contains(wchar_t c) const;
  };
  struct Node;
  class Parser;

  void Emit(const Node& node);
  std::uint32_t Append(Op op, std::uint32_t arg = 0, std::uint32_t alternative = 0);

  bool m_valid = false;
  bool m_anchored = false;
  std::size_t m_errorOffset = 0;
  std::size_t m_groupCount = 0;
  std::vector<Instruction> m_program;
  std::vector<CharSet> m_sets;
};

}  // namespace ferrow
