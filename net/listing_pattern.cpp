#include "net/listing_pattern.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace ferrow {

namespace {

// Abbreviations written as a backslash and a letter; each stands for its expansion, which is
// itself written in the dialect (and uses only plain grouping, so group numbers stay those of
// the braces the pattern's author wrote).
struct Abbreviation {
  wchar_t letter;
  const wchar_t* expansion;
};
constexpr Abbreviation kAbbreviations[] = {
    {L'a', L"([a-zA-Z0-9])"},
    {L'b', L"([ \t])"},
    {L'c', L"([a-zA-Z])"},
    {L'd', L"([0-9])"},
    {L'h', L"([0-9a-fA-F])"},
    {L'n', L"(\r|(\r?\n))"},
    {L'q', L"(\"[^\"]*\")|('[^']*')"},
    {L'w', L"([a-zA-Z]+)"},
    {L'z', L"([0-9]+)"},
};

const wchar_t* FindAbbreviation(wchar_t letter) {
  for (const Abbreviation& abbreviation : kAbbreviations) {
    if (abbreviation.letter == letter) return abbreviation.expansion;
  }
  return nullptr;
}

bool IsAsciiLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Nesting deep enough for any sensible pattern; the parser is recursive, so it is bounded.
constexpr int kMaxNesting = 64;

}  // namespace

struct CListingPattern::Node {
  enum class Kind { Empty, Char, Any, Set, Concat, Alternate, Group, Repeat, AssertStart };
  Kind kind = Kind::Empty;
  wchar_t ch = 0;
  std::uint32_t set = 0;
  // Group: capture number, or -1 for plain grouping.
  int capture = -1;
  // Repeat: at least one (X+) and at most one (X?) iteration; lazy prefers fewer.
  bool atLeastOne = false;
  bool atMostOne = false;
  bool lazy = false;
  std::vector<Node> children;

  // Whether the node can match without consuming a character. A loop over such a node could
  // spin forever without progress, so the compiler refuses it.
  bool IsNullable() const {
    switch (kind) {
      case Kind::Empty:
      case Kind::AssertStart:
        return true;
      case Kind::Char:
      case Kind::Any:
      case Kind::Set:
        return false;
      case Kind::Concat:
        for (const Node& child : children) {
          if (!child.IsNullable()) return false;
        }
        return true;
      case Kind::Alternate:
        for (const Node& child : children) {
          if (child.IsNullable()) return true;
        }
        return false;
      case Kind::Group:
        return children.front().IsNullable();
      case Kind::Repeat:
        return !atLeastOne || children.front().IsNullable();
    }
    return true;
  }
};

class CListingPattern::Parser {
 public:
  Parser(CListingPattern& owner, std::wstring_view text, int depth)
      : m_owner(owner), m_text(text), m_depth(depth) {}

  // Parses the whole text; on failure ErrorPosition() is where it stopped.
  bool ParseAll(Node& out) {
    if (m_depth > kMaxNesting) return false;
    if (!ParseAlternation(out, 0)) return false;
    return m_pos == m_text.size();
  }
  std::size_t ErrorPosition() const { return m_pos; }

 private:
  bool AtEnd() const { return m_pos >= m_text.size(); }
  wchar_t Peek() const { return m_text[m_pos]; }

  bool ParseAlternation(Node& out, int nesting) {
    if (nesting > kMaxNesting) return false;
    Node first;
    if (!ParseConcatenation(first, nesting)) return false;
    if (AtEnd() || Peek() != L'|') {
      out = std::move(first);
      return true;
    }
    out = Node{};
    out.kind = Node::Kind::Alternate;
    out.children.push_back(std::move(first));
    while (!AtEnd() && Peek() == L'|') {
      ++m_pos;
      Node next;
      if (!ParseConcatenation(next, nesting)) return false;
      out.children.push_back(std::move(next));
    }
    return true;
  }

  bool ParseConcatenation(Node& out, int nesting) {
    out = Node{};
    out.kind = Node::Kind::Concat;
    while (!AtEnd() && Peek() != L'|' && Peek() != L')' && Peek() != L'}') {
      Node item;
      if (!ParseRepetition(item, nesting)) return false;
      out.children.push_back(std::move(item));
    }
    return true;
  }

  bool ParseRepetition(Node& out, int nesting) {
    Node atom;
    if (!ParseAtom(atom, nesting)) return false;
    if (AtEnd() || (Peek() != L'*' && Peek() != L'+' && Peek() != L'?')) {
      out = std::move(atom);
      return true;
    }
    const wchar_t quantifier = Peek();
    if (atom.kind == Node::Kind::AssertStart) return false;
    out = Node{};
    out.kind = Node::Kind::Repeat;
    out.atLeastOne = quantifier == L'+';
    out.atMostOne = quantifier == L'?';
    ++m_pos;
    if (!AtEnd() && Peek() == L'?') {
      out.lazy = true;
      ++m_pos;
    }
    // A loop whose body can match nothing would never advance.
    if (!out.atMostOne && atom.IsNullable()) {
      m_pos -= out.lazy ? 2 : 1;
      return false;
    }
    out.children.push_back(std::move(atom));
    // "X**" and the like mean nothing useful in this dialect; refuse them rather than guess.
    return AtEnd() || (Peek() != L'*' && Peek() != L'+' && Peek() != L'?');
  }

  bool ParseGroupBody(Node& out, wchar_t closing, int nesting) {
    Node body;
    if (!ParseAlternation(body, nesting + 1)) return false;
    if (AtEnd() || Peek() != closing) return false;
    ++m_pos;
    out.children.push_back(std::move(body));
    return true;
  }

  bool ParseAtom(Node& out, int nesting) {
    if (AtEnd()) return false;
    const wchar_t c = Peek();
    out = Node{};
    switch (c) {
      case L'(':
        ++m_pos;
        out.kind = Node::Kind::Group;
        return ParseGroupBody(out, L')', nesting);
      case L'{':
        ++m_pos;
        out.kind = Node::Kind::Group;
        // Numbered when the brace opens, so outer groups come before the groups inside them.
        out.capture = static_cast<int>(m_owner.m_groupCount++);
        return ParseGroupBody(out, L'}', nesting);
      case L'[':
        ++m_pos;
        return ParseSet(out);
      case L'.':
        ++m_pos;
        out.kind = Node::Kind::Any;
        return true;
      case L'^':
        ++m_pos;
        out.kind = Node::Kind::AssertStart;
        return true;
      case L'\\':
        return ParseEscape(out);
      case L'*':
      case L'+':
      case L'?':
      case L']':
      case L')':
      case L'}':
      case L'|':
        return false;
      default:
        ++m_pos;
        out.kind = Node::Kind::Char;
        out.ch = c;
        return true;
    }
  }

  bool ParseEscape(Node& out) {
    ++m_pos;
    if (AtEnd()) return false;
    const wchar_t c = Peek();
    if (!IsAsciiLetter(c)) {
      ++m_pos;
      out.kind = Node::Kind::Char;
      out.ch = c;
      return true;
    }
    const wchar_t* expansion = FindAbbreviation(c);
    if (expansion == nullptr) return false;
    Parser inner(m_owner, expansion, m_depth + 1);
    Node body;
    if (!inner.ParseAll(body)) return false;
    ++m_pos;
    out.kind = Node::Kind::Group;
    out.children.push_back(std::move(body));
    return true;
  }

  // One member of a bracket set: a backslash makes the next character literal.
  bool ParseSetCharacter(wchar_t& out) {
    if (AtEnd()) return false;
    if (Peek() == L'\\') {
      ++m_pos;
      if (AtEnd()) return false;
    }
    out = Peek();
    ++m_pos;
    return true;
  }

  bool ParseSet(Node& out) {
    CharSet set;
    if (!AtEnd() && Peek() == L'^') {
      set.negated = true;
      ++m_pos;
    }
    if (AtEnd() || Peek() == L']') return false;
    while (!AtEnd() && Peek() != L']') {
      wchar_t low = 0;
      if (!ParseSetCharacter(low)) return false;
      wchar_t high = low;
      // A hyphen between two members makes a range; anywhere else it stands for itself.
      if (m_pos + 1 < m_text.size() && Peek() == L'-' && m_text[m_pos + 1] != L']') {
        ++m_pos;
        if (!ParseSetCharacter(high)) return false;
        if (high < low) return false;
      }
      set.ranges.emplace_back(low, high);
    }
    if (AtEnd()) return false;
    ++m_pos;
    out.kind = Node::Kind::Set;
    out.set = static_cast<std::uint32_t>(m_owner.m_sets.size());
    m_owner.m_sets.push_back(std::move(set));
    return true;
  }

  CListingPattern& m_owner;
  std::wstring_view m_text;
  std::size_t m_pos = 0;
  int m_depth = 0;
};

bool CListingPattern::CharSet::Contains(wchar_t c) const {
  bool found = false;
  for (const auto& [low, high] : ranges) {
    if (c >= low && c <= high) {
      found = true;
      break;
    }
  }
  return found != negated;
}

std::uint32_t CListingPattern::Append(Op op, std::uint32_t arg, std::uint32_t alternative) {
  m_program.push_back(Instruction{op, arg, alternative});
  return static_cast<std::uint32_t>(m_program.size() - 1);
}

void CListingPattern::Emit(const Node& node) {
  const auto next = [this] { return static_cast<std::uint32_t>(m_program.size()); };
  switch (node.kind) {
    case Node::Kind::Empty:
      return;
    case Node::Kind::Char:
      Append(Op::Char, static_cast<std::uint32_t>(node.ch));
      return;
    case Node::Kind::Any:
      Append(Op::Any);
      return;
    case Node::Kind::Set:
      Append(Op::Set, node.set);
      return;
    case Node::Kind::AssertStart:
      Append(Op::AssertStart);
      return;
    case Node::Kind::Concat:
      for (const Node& child : node.children) Emit(child);
      return;
    case Node::Kind::Alternate: {
      // Alternatives are tried from left to right: each split prefers the branch before it.
      std::vector<std::uint32_t> jumps;
      for (std::size_t i = 0; i < node.children.size(); ++i) {
        if (i + 1 < node.children.size()) {
          const std::uint32_t split = Append(Op::Split);
          m_program[split].arg = next();
          Emit(node.children[i]);
          jumps.push_back(Append(Op::Jump));
          m_program[split].alternative = next();
        } else {
          Emit(node.children[i]);
        }
      }
      for (std::uint32_t jump : jumps) m_program[jump].arg = next();
      return;
    }
    case Node::Kind::Group:
      if (node.capture >= 0) Append(Op::Save, static_cast<std::uint32_t>(2 * node.capture));
      Emit(node.children.front());
      if (node.capture >= 0) Append(Op::Save, static_cast<std::uint32_t>(2 * node.capture + 1));
      return;
    case Node::Kind::Repeat: {
      const Node& body = node.children.front();
      if (node.atLeastOne) {
        // body; split(back to body, out)
        const std::uint32_t start = next();
        Emit(body);
        const std::uint32_t split = Append(Op::Split);
        const std::uint32_t out = next();
        m_program[split].arg = node.lazy ? out : start;
        m_program[split].alternative = node.lazy ? start : out;
        return;
      }
      // split(body, out); body; [jump back to split]
      const std::uint32_t split = Append(Op::Split);
      const std::uint32_t bodyStart = next();
      Emit(body);
      if (!node.atMostOne) Append(Op::Jump, split);
      const std::uint32_t out = next();
      m_program[split].arg = node.lazy ? out : bodyStart;
      m_program[split].alternative = node.lazy ? bodyStart : out;
      return;
    }
  }
}

bool CListingPattern::Compile(std::wstring_view pattern) {
  *this = CListingPattern{};
  Node root;
  Parser parser(*this, pattern, 0);
  if (!parser.ParseAll(root)) {
    const std::size_t offset = parser.ErrorPosition();
    *this = CListingPattern{};
    m_errorOffset = offset;
    return false;
  }
  Emit(root);
  Append(Op::Match);
  m_anchored = !m_program.empty() && m_program.front().op == Op::AssertStart;
  m_valid = true;
  return true;
}

CListingPattern::MatchResult CListingPattern::Match(std::wstring_view text,
                                                    std::vector<std::wstring_view>& groups,
                                                    std::size_t stepBudget) const {
  groups.clear();
  if (!m_valid) return MatchResult::NoMatch;

  constexpr std::size_t kUnset = std::numeric_limits<std::size_t>::max();
  // A pending alternative (resume at pc with position) or, when restore is set, a capture slot
  // to put back when the path that changed it is abandoned.
  struct Backtrack {
    std::uint32_t pc;
    bool restore;
    std::size_t value;  // position, or the slot's old value
  };
  std::vector<std::size_t> slots(2 * m_groupCount, kUnset);
  std::vector<Backtrack> stack;
  std::size_t steps = 0;
  const std::size_t length = text.size();
  const std::size_t lastStart = m_anchored ? 0 : length;

  for (std::size_t start = 0; start <= lastStart; ++start) {
    std::fill(slots.begin(), slots.end(), kUnset);
    stack.clear();
    stack.push_back({0, false, start});
    while (!stack.empty()) {
      const Backtrack entry = stack.back();
      stack.pop_back();
      if (entry.restore) {
        slots[entry.pc] = entry.value;
        continue;
      }
      std::uint32_t pc = entry.pc;
      std::size_t sp = entry.value;
      bool alive = true;
      while (alive) {
        if (++steps > stepBudget) return MatchResult::BudgetExhausted;
        const Instruction& instruction = m_program[pc];
        switch (instruction.op) {
          case Op::Char:
            alive = sp < length && static_cast<std::uint32_t>(text[sp]) == instruction.arg;
            ++sp;
            ++pc;
            break;
          case Op::Any:
            alive = sp < length;
            ++sp;
            ++pc;
            break;
          case Op::Set:
            alive = sp < length && m_sets[instruction.arg].Contains(text[sp]);
            ++sp;
            ++pc;
            break;
          case Op::Split:
            stack.push_back({instruction.alternative, false, sp});
            pc = instruction.arg;
            break;
          case Op::Jump:
            pc = instruction.arg;
            break;
          case Op::Save:
            stack.push_back({instruction.arg, true, slots[instruction.arg]});
            slots[instruction.arg] = sp;
            ++pc;
            break;
          case Op::AssertStart:
            alive = sp == 0;
            ++pc;
            break;
          case Op::Match:
            groups.resize(m_groupCount);
            for (std::size_t group = 0; group < m_groupCount; ++group) {
              const std::size_t begin = slots[2 * group];
              const std::size_t end = slots[2 * group + 1];
              if (begin != kUnset && end != kUnset && begin <= end && end <= length) {
                groups[group] = text.substr(begin, end - begin);
              }
            }
            return MatchResult::Matched;
        }
      }
    }
  }
  return MatchResult::NoMatch;
}

}  // namespace ferrow
