// Compiles an arbitrary pattern and matches it against an arbitrary line (input: pattern, a NUL
// byte, line; both ISO 8859-1). The matcher must stay inside the line and within its budget, and
// where the pattern translates plainly into an ECMAScript expression, std::wregex (a different
// backtracking engine with the same first-match rules) must find the same match and groups.
#include <cstddef>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "net/listing_pattern.h"
#include "platform/text.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const wchar_t* Expansion(wchar_t letter) {
  switch (letter) {
    case L'a':
      return L"([a-zA-Z0-9])";
    case L'b':
      return L"([ \t])";
    case L'c':
      return L"([a-zA-Z])";
    case L'd':
      return L"([0-9])";
    case L'h':
      return L"([0-9a-fA-F])";
    case L'n':
      return L"(\r|(\r?\n))";
    case L'q':
      return L"(\"[^\"]*\")|('[^']*')";
    case L'w':
      return L"([a-zA-Z]+)";
    case L'z':
      return L"([0-9]+)";
    default:
      return nullptr;
  }
}

void AppendCode(std::wstring& out, wchar_t c) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  out += L"\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out += kHex[(static_cast<unsigned>(c) >> shift) & 15];
}

// Translates a pattern our compiler accepted. Gives up (false) where the two dialects' answers
// may legitimately differ: a capture inside a repetition (ECMAScript clears it each iteration).
class Translator {
 public:
  explicit Translator(std::wstring_view pattern) : m_pattern(pattern) {}
  bool Run(std::wstring& out) { return Translate(m_pattern, out, 0); }

 private:
  bool Translate(std::wstring_view text, std::wstring& out, int depth) {
    if (depth > 4) return false;
    // For each open group: whether it holds a capture.
    std::vector<bool> open;
    bool lastClosedCaptures = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const wchar_t c = text[i];
      switch (c) {
        case L'{':
          open.push_back(true);
          out += L'(';
          break;
        case L'(':
          open.push_back(false);
          out += L"(?:";
          break;
        case L'}':
        case L')': {
          if (open.empty()) return false;
          lastClosedCaptures = open.back();
          open.pop_back();
          if (lastClosedCaptures && !open.empty()) open.back() = true;
          out += L')';
          if (i + 1 < text.size() &&
              (text[i + 1] == L'*' || text[i + 1] == L'+' || text[i + 1] == L'?') &&
              lastClosedCaptures) {
            return false;
          }
          break;
        }
        case L'.':
          out += L"[\\s\\S]";
          break;
        case L'*':
        case L'+':
        case L'?':
        case L'|':
        case L'^':
          out += c;
          break;
        case L'[': {
          out += L'[';
          ++i;
          if (i < text.size() && text[i] == L'^') {
            out += L'^';
            ++i;
          }
          while (i < text.size() && text[i] != L']') {
            if (text[i] == L'-' && i + 1 < text.size() && text[i + 1] != L']' &&
                out.back() != L'[' && out.back() != L'^') {
              out += L'-';
              ++i;
              continue;
            }
            if (text[i] == L'\\') ++i;
            if (i >= text.size()) return false;
            AppendCode(out, text[i]);
            ++i;
          }
          out += L']';
          break;
        }
        case L'\\': {
          if (++i >= text.size()) return false;
          if (const wchar_t* expansion = Expansion(text[i])) {
            out += L"(?:";
            if (!Translate(expansion, out, depth + 1)) return false;
            out += L')';
          } else {
            AppendCode(out, text[i]);
          }
          break;
        }
        default:
          AppendCode(out, c);
          break;
      }
    }
    return open.empty();
  }

  std::wstring_view m_pattern;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == std::string::npos) return 0;
  const std::wstring pattern = ferrow::Latin1ToWide(input.substr(0, split));
  const std::wstring line = ferrow::Latin1ToWide(input.substr(split + 1));

  ferrow::CListingPattern compiled;
  if (!compiled.Compile(pattern)) return 0;
  std::vector<std::wstring_view> groups;
  const auto result = compiled.Match(line, groups, 20000);
  if (result != ferrow::CListingPattern::MatchResult::Matched) {
    Check(groups.empty());
  } else {
    Check(groups.size() == compiled.GetGroupCount());
    for (std::wstring_view group : groups) {
      Check(group.empty() || (group.data() >= line.data() &&
                              group.data() + group.size() <= line.data() + line.size()));
    }
  }
  // std::wregex recurses per character and may take exponential time: compare small cases only.
  if (result == ferrow::CListingPattern::MatchResult::BudgetExhausted || line.size() > 64 ||
      pattern.size() > 48) {
    return 0;
  }
  std::wstring ecma;
  if (!Translator(pattern).Run(ecma)) return 0;
  std::wregex reference;
  try {
    reference.assign(ecma, std::regex_constants::ECMAScript);
  } catch (const std::regex_error&) {
    return 0;
  }
  std::wsmatch match;
  bool found = false;
  try {
    found = std::regex_search(line, match, reference);
  } catch (const std::regex_error&) {
    return 0;
  }
  Check(found == (result == ferrow::CListingPattern::MatchResult::Matched));
  if (!found) return 0;
  for (std::size_t group = 0; group < groups.size(); ++group) {
    const std::wstring expected = match[group + 1].matched ? match[group + 1].str() : L"";
    Check(std::wstring(groups[group]) == expected);
  }
  return 0;
}
