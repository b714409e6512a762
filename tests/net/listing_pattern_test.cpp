#include "net/listing_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ferrow {
namespace {

using Result = CListingPattern::MatchResult;

// The groups of the first match, or {"<no match>"}.
std::vector<std::wstring> Groups(std::wstring_view pattern, std::wstring_view text) {
  CListingPattern compiled;
  EXPECT_TRUE(compiled.Compile(pattern)) << "pattern does not compile";
  std::vector<std::wstring_view> groups;
  if (compiled.Match(text, groups) != Result::Matched) return {L"<no match>"};
  return {groups.begin(), groups.end()};
}

using G = std::vector<std::wstring>;
const G kNoMatch{L"<no match>"};

TEST(ListingPatternTest, GroupsAreNumberedByOpeningBraceAndPlainParenthesesCaptureNothing) {
  EXPECT_EQ(Groups(L"{a{b}(c)}{d}", L"abcd"), (G{L"abc", L"b", L"d"}));
  // A group inside a repetition keeps its last iteration; one that never ran stays empty.
  EXPECT_EQ(Groups(L"({\\d})+x|{y}", L"123x"), (G{L"3", L""}));
}

TEST(ListingPatternTest, GreedyTakesTheLongestAndLazyTheShortestThatLetTheRestMatch) {
  EXPECT_EQ(Groups(L"{.*}-{.*}", L"a-b-c"), (G{L"a-b", L"c"}));
  EXPECT_EQ(Groups(L"{.*?}-{.*}", L"a-b-c"), (G{L"a", L"b-c"}));
  EXPECT_EQ(Groups(L"{a+}{a*}", L"aaa"), (G{L"aaa", L""}));
  EXPECT_EQ(Groups(L"{a+?}{a*}", L"aaa"), (G{L"a", L"aa"}));
  EXPECT_EQ(Groups(L"{a?}{a*}", L"aa"), (G{L"a", L"a"}));
  EXPECT_EQ(Groups(L"{a??}{a*}", L"aa"), (G{L"", L"aa"}));
  // Lazy repetition still extends when the rest needs it.
  EXPECT_EQ(Groups(L"^{.*?}\\b+{\\z}$", L"a b c 42$"), (G{L"a b c", L"42"}));
}

TEST(ListingPatternTest, AlternativesAreTriedLeftToRight) {
  EXPECT_EQ(Groups(L"{ab|a}{.*}", L"abc"), (G{L"ab", L"c"}));
  EXPECT_EQ(Groups(L"{a|ab}{.*}", L"abc"), (G{L"a", L"bc"}));
  EXPECT_EQ(Groups(L"{a|ab}c", L"abc"), (G{L"ab"}));
}

TEST(ListingPatternTest, BracketSetsTakeRangesNegationAndBackslashEscapes) {
  EXPECT_EQ(Groups(L"^{[ldrwxs\\-]+}", L"drwxr-xr-x 2"), (G{L"drwxr-xr-x"}));
  EXPECT_EQ(Groups(L"^{[ldrwxs\\-]+}", L"crw-rw----"), kNoMatch);
  EXPECT_EQ(Groups(L"{[a-cX-Z]+}", L"--abXcZd"), (G{L"abXcZ"}));
  EXPECT_EQ(Groups(L"{[^ ]+}", L"  word rest"), (G{L"word"}));
  // An escaped closing bracket and backslash are members, not syntax.
  EXPECT_EQ(Groups(L"{[\\]\\\\]+}", L"x]\\]y"), (G{L"]\\]"}));
  // A hyphen at either end of a set stands for itself.
  EXPECT_EQ(Groups(L"{[-a]+}", L"x-a-y"), (G{L"-a-"}));
  EXPECT_EQ(Groups(L"{[a-]+}", L"x-a-y"), (G{L"-a-"}));
}

TEST(ListingPatternTest, AbbreviationsStandForTheirExpansions) {
  EXPECT_EQ(Groups(L"{\\a+}", L"_x9Z_"), (G{L"x9Z"}));
  EXPECT_EQ(Groups(L"x{\\b+}y", L"x \t y"), (G{L" \t "}));
  EXPECT_EQ(Groups(L"{\\c+}", L"1ab2"), (G{L"ab"}));
  EXPECT_EQ(Groups(L"{\\d+}", L"ab12c"), (G{L"12"}));
  EXPECT_EQ(Groups(L"{\\h+}", L"xx0aFgh"), (G{L"0aF"}));
  EXPECT_EQ(Groups(L"{\\w}", L"12abc3"), (G{L"abc"}));
  EXPECT_EQ(Groups(L"{\\z}", L"ab123c"), (G{L"123"}));
  EXPECT_EQ(Groups(L"a{\\n}b", L"a\r\nb"), (G{L"\r\n"}));
  EXPECT_EQ(Groups(L"a{\\n}b", L"a\rb"), (G{L"\r"}));
  EXPECT_EQ(Groups(L"a{\\n}b", L"a\nb"), (G{L"\n"}));
  EXPECT_EQ(Groups(L"={\\q}", L"x=\"a b\"y"), (G{L"\"a b\""}));
  EXPECT_EQ(Groups(L"={\\q}", L"x='it'y"), (G{L"'it'"}));
  EXPECT_EQ(Groups(L"={\\q}", L"x=\"open"), kNoMatch);
  // An escaped character that is not a letter is itself.
  EXPECT_EQ(Groups(L"{\\.\\{}", L"a.{b"), (G{L".{"}));
}

TEST(ListingPatternTest, CaretAnchorsAtTheLineStartOtherwiseAnyStartWillDo) {
  EXPECT_EQ(Groups(L"^{b+}", L"abb"), kNoMatch);
  EXPECT_EQ(Groups(L"{b+}", L"abb"), (G{L"bb"}));
  // The leftmost start wins even when a later one would give a longer match.
  EXPECT_EQ(Groups(L"{b+}", L"abcbbb"), (G{L"b"}));
  EXPECT_EQ(Groups(L"{x*}", L""), (G{L""}));
  // Case counts.
  EXPECT_EQ(Groups(L"^{<DIR>}", L"<dir>"), kNoMatch);
}

TEST(ListingPatternTest, MalformedPatternsAreRefusedWithTheirPosition) {
  CListingPattern pattern;
  for (const wchar_t* bad : {L"{a", L"a}", L"(a", L"a)", L"[ab", L"[]", L"[z-a]", L"*a", L"a**",
                             L"\\", L"\\y", L"{a|*}", L"^*", L"(a*)*", L"{}+", L"x[\\"}) {
    EXPECT_FALSE(pattern.Compile(bad)) << std::wstring(bad).size();
    EXPECT_FALSE(pattern.IsValid());
    std::vector<std::wstring_view> groups;
    EXPECT_EQ(pattern.Match(L"anything", groups), Result::NoMatch);
  }
  EXPECT_FALSE(pattern.Compile(L"ab\\y"));
  EXPECT_EQ(pattern.ErrorOffset(), 3u);
  EXPECT_TRUE(pattern.Compile(L"{a}{b}"));
  EXPECT_EQ(pattern.GetGroupCount(), 2u);
}

TEST(ListingPatternTest, NeverLooksBeyondTheGivenText) {
  const std::wstring buffer = L"abc def";
  const std::wstring_view line(buffer.data(), 3);
  CListingPattern pattern;
  ASSERT_TRUE(pattern.Compile(L"^{.*}"));
  std::vector<std::wstring_view> groups;
  ASSERT_EQ(pattern.Match(line, groups), Result::Matched);
  EXPECT_EQ(groups[0], L"abc");
  ASSERT_TRUE(pattern.Compile(L"abc\\b"));
  EXPECT_EQ(pattern.Match(line, groups), Result::NoMatch);
}

TEST(ListingPatternTest, HostileLinesExhaustTheStepBudgetInsteadOfRunningForever) {
  // Nested lazy runs over a long line of blanks and letters that never completes the shape:
  // plain backtracking would need on the order of n^3 steps.
  std::wstring line = L"d 1 o g 1 ";
  for (int i = 0; i < 20000; ++i) line += (i % 3 == 0) ? L" " : L"x";
  CListingPattern pattern;
  ASSERT_TRUE(
      pattern.Compile(L"^{[ldrwxs\\-]+}\\b+\\z\\b+{\\a+}\\b+{\\a*}\\b+{\\z}\\b+"
                      L"{.*?\\b+.*?\\b+.*?}\\b+{.*}Q"));
  std::vector<std::wstring_view> groups;
  EXPECT_EQ(pattern.Match(line, groups, 100000), Result::BudgetExhausted);
  EXPECT_TRUE(groups.empty());
  // Classic catastrophic shape: (a+)+b against a run of a's.
  ASSERT_TRUE(pattern.Compile(L"^(a+)+b"));
  EXPECT_EQ(pattern.Match(std::wstring(64, L'a'), groups), Result::BudgetExhausted);
  // The same budget is plenty for a long line of the expected shape.
  ASSERT_TRUE(pattern.Compile(L"^{.*?\\b+.*?}\\b+{.*}\\b+{.*}"));
  const std::wstring longName(60000, L'n');
  EXPECT_EQ(pattern.Match(L"12-01-07  10:30AM 1024 " + longName, groups), Result::Matched);
  EXPECT_EQ(groups[2].size(), longName.size());
}

}  // namespace
}  // namespace ferrow
