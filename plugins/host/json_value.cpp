#include "plugins/host/json_value.h"

#include <cstdint>

namespace ferrow::host {

class CJsonReader {
 public:
  explicit CJsonReader(std::string_view text) : m_text(text) {}

  bool Read(CJsonValue& out, std::string& error) {
    SkipSpace();
    if (!Value(out, 0)) {
      error = m_error + " at byte " + std::to_string(m_pos);
      return false;
    }
    SkipSpace();
    if (m_pos != m_text.size()) {
      error = "unexpected text after the value at byte " + std::to_string(m_pos);
      return false;
    }
    return true;
  }

 private:
  bool Fail(const char* reason) {
    if (m_error.empty()) m_error = reason;
    return false;
  }

  void SkipSpace() {
    while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                     m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
      ++m_pos;
  }

  bool Literal(std::string_view word) {
    if (m_text.substr(m_pos, word.size()) != word) return Fail("invalid literal");
    m_pos += word.size();
    return true;
  }

  bool Value(CJsonValue& out, size_t depth) {
    if (++m_values > CJsonValue::kMaxValues) return Fail("too many values");
    if (m_pos >= m_text.size()) return Fail("unexpected end");
    switch (m_text[m_pos]) {
      case '{':
        return Object(out, depth + 1);
      case '[':
        return Array(out, depth + 1);
      case '"':
        out.m_kind = CJsonValue::Kind::kString;
        return String(out.m_text);
      case 't':
        out.m_kind = CJsonValue::Kind::kBool;
        out.m_bool = true;
        return Literal("true");
      case 'f':
        out.m_kind = CJsonValue::Kind::kBool;
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number(out);
    }
  }

  bool Object(CJsonValue& out, size_t depth) {
    if (depth > CJsonValue::kMaxDepth) return Fail("nested too deeply");
    out.m_kind = CJsonValue::Kind::kObject;
    ++m_pos;
    SkipSpace();
    if (m_pos < m_text.size() && m_text[m_pos] == '}') {
      ++m_pos;
      return true;
    }
    for (;;) {
      SkipSpace();
      if (m_pos >= m_text.size() || m_text[m_pos] != '"') return Fail("expected a member name");
      std::string name;
      if (!String(name)) return false;
      SkipSpace();
      if (m_pos >= m_text.size() || m_text[m_pos] != ':') return Fail("expected ':'");
      ++m_pos;
      SkipSpace();
      CJsonValue member;
      if (!Value(member, depth)) return false;
      out.m_names.push_back(std::move(name));
      out.m_items.push_back(std::move(member));
      SkipSpace();
      if (m_pos >= m_text.size()) return Fail("unexpected end");
      if (m_text[m_pos] == '}') {
        ++m_pos;
        return true;
      }
      if (m_text[m_pos] != ',') return Fail("expected ',' or '}'");
      ++m_pos;
    }
  }

  bool Array(CJsonValue& out, size_t depth) {
    if (depth > CJsonValue::kMaxDepth) return Fail("nested too deeply");
    out.m_kind = CJsonValue::Kind::kArray;
    ++m_pos;
    SkipSpace();
    if (m_pos < m_text.size() && m_text[m_pos] == ']') {
      ++m_pos;
      return true;
    }
    for (;;) {
      SkipSpace();
      CJsonValue item;
      if (!Value(item, depth)) return false;
      out.m_items.push_back(std::move(item));
      SkipSpace();
      if (m_pos >= m_text.size()) return Fail("unexpected end");
      if (m_text[m_pos] == ']') {
        ++m_pos;
        return true;
      }
      if (m_text[m_pos] != ',') return Fail("expected ',' or ']'");
      ++m_pos;
    }
  }

  bool Number(CJsonValue& out) {
    size_t start = m_pos;
    auto digits = [&] {
      size_t from = m_pos;
      while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') ++m_pos;
      return m_pos > from;
    };
    if (m_pos < m_text.size() && m_text[m_pos] == '-') ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '0')
      ++m_pos;
    else if (!digits())
      return Fail("invalid value");
    if (m_pos < m_text.size() && m_text[m_pos] == '.') {
      ++m_pos;
      if (!digits()) return Fail("invalid number");
    }
    if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
      ++m_pos;
      if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) ++m_pos;
      if (!digits()) return Fail("invalid number");
    }
    out.m_kind = CJsonValue::Kind::kNumber;
    out.m_text = std::string(m_text.substr(start, m_pos - start));
    return true;
  }

  static void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool Hex4(uint32_t& code) {
    if (m_pos + 4 > m_text.size()) return Fail("short \\u escape");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      char c = m_text[m_pos++];
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        code |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        code |= static_cast<uint32_t>(c - 'A' + 10);
      else
        return Fail("invalid \\u escape");
    }
    return true;
  }

  // One UTF-8 sequence copied as it is; false for anything that is not valid UTF-8.
  bool CopyUtf8(std::string& out) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(m_text[i]); };
    unsigned char c = byte(m_pos);
    size_t length = c >= 0xF0 && c <= 0xF4   ? 4
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xC2 && c <= 0xDF ? 2
                                             : 0;
    if (length == 0 || m_pos + length > m_text.size()) return Fail("invalid UTF-8");
    uint32_t code = c & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
      if ((byte(m_pos + i) & 0xC0) != 0x80) return Fail("invalid UTF-8");
      code = (code << 6) | (byte(m_pos + i) & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return Fail("invalid UTF-8");
    out.append(m_text.substr(m_pos, length));
    m_pos += length;
    return true;
  }

  bool String(std::string& out) {
    ++m_pos;  // the opening quote
    out.clear();
    while (m_pos < m_text.size()) {
      unsigned char c = static_cast<unsigned char>(m_text[m_pos]);
      if (c == '"') {
        ++m_pos;
        return true;
      }
      if (c < 0x20) return Fail("control character in a string");
      if (c >= 0x80) {
        if (!CopyUtf8(out)) return false;
        continue;
      }
      if (c != '\\') {
        out += static_cast<char>(c);
        ++m_pos;
        continue;
      }
      if (++m_pos >= m_text.size()) break;
      char escape = m_text[m_pos++];
      switch (escape) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t code = 0;
          if (!Hex4(code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (m_text.substr(m_pos, 2) != "\\u") return Fail("lone surrogate");
            m_pos += 2;
            if (!Hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("lone surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return Fail("lone surrogate");
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return Fail("invalid escape");
      }
    }
    return Fail("unterminated string");
  }

  std::string_view m_text;
  size_t m_pos = 0;
  size_t m_values = 0;
  std::string m_error;
};

const CJsonValue* CJsonValue::Find(const std::string& name) const {
  if (m_kind != Kind::kObject) return nullptr;
  for (size_t i = 0; i < m_names.size(); ++i)
    if (m_names[i] == name) return &m_items[i];
  return nullptr;
}

bool CJsonValue::Parse(std::string_view text, CJsonValue& out, std::string& error) {
  out = CJsonValue();
  CJsonReader reader(text);
  return reader.Read(out, error);
}

std::string JsonQuote(std::string_view utf8) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);  // UTF-8 passes through; JSON allows it
    }
  }
  out += '"';
  return out;
}

}  // namespace ferrow::host
