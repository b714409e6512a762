#pragma once
// The hosts reached without a proxy, from a "no_proxy" list: names separated by commas or
// blanks, each matching itself and every name below it ("example.com" and ".example.com" both
// match "example.com" and "www.example.com"), addresses matching exactly, "*" matching every
// host. Ports in the entries are ignored, as they are by the tools that read the variable.
#include <string>
#include <vector>

namespace ferrow {

class CProxyBypass {
 public:
  void Parse(const std::wstring& list);
  bool Matches(const std::wstring& host) const;
  bool IsEmpty() const { return m_entries.empty() && !m_all; }

 private:
  bool m_all = false;
  std::vector<std::wstring> m_entries;  // lower case, without a leading dot or a port
};

}  // namespace ferrow
