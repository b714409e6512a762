#include "net/netrc_file.h"

#include <cctype>

namespace ferrow {
namespace {

class Tokens {
 public:
  explicit Tokens(const std::string& text) : m_text(text) {}

  // The next token; false at the end.
  bool Next(std::string& token) {
    while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
    if (m_at >= m_text.size()) return false;
    token.clear();
    if (m_text[m_at] == '"') {
      for (++m_at; m_at < m_text.size() && m_text[m_at] != '"'; ++m_at) {
        if (m_text[m_at] == '\\' && m_at + 1 < m_text.size()) ++m_at;
        token += m_text[m_at];
      }
      ++m_at;
      return true;
    }
    while (m_at < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_at])))
      token += m_text[m_at++];
    return true;
  }
  // A macro runs to the next empty line.
  void SkipMacro() {
    const size_t end = m_text.find("\n\n", m_at);
    m_at = end == std::string::npos ? m_text.size() : end + 2;
  }

 private:
  const std::string& m_text;
  size_t m_at = 0;
};

}  // namespace

std::vector<NetrcLogin> ParseNetrc(const std::string& text) {
  std::vector<NetrcLogin> logins;
  Tokens tokens(text);
  NetrcLogin* current = nullptr;
  bool inDefault = false;
  std::string token, value;
  while (tokens.Next(token)) {
    if (token == "machine") {
      if (!tokens.Next(value)) break;
      logins.push_back({value, "", ""});
      current = &logins.back();
      inDefault = false;
    } else if (token == "default") {
      current = nullptr;
      inDefault = true;
    } else if (token == "macdef") {
      tokens.Next(value);
      tokens.SkipMacro();
    } else if (token == "login" || token == "password" || token == "account") {
      if (!tokens.Next(value)) break;
      if (current == nullptr || inDefault) continue;
      if (token == "login") current->login = value;
      if (token == "password") current->password = value;
    }
  }
  std::erase_if(logins, [](const NetrcLogin& login) { return login.login.empty(); });
  return logins;
}

}  // namespace ferrow
