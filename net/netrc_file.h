#pragma once
// The logins of a ".netrc" file: "machine HOST login USER password PASSWORD" in any layout of
// blanks and line ends; "default" entries and "macdef" macros are skipped (a login for every
// host would go to servers the user never meant). Quoted tokens may hold blanks.
#include <string>
#include <vector>

namespace ferrow {

struct NetrcLogin {
  std::string machine;
  std::string login;
  std::string password;
};

std::vector<NetrcLogin> ParseNetrc(const std::string& text);

}  // namespace ferrow
