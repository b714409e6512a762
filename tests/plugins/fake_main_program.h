#pragma once
// A fake main program for the hand-over tests: a copy of fake_ferrow named "ferrow" in a folder
// that "AppPath" names; every start leaves a record of its arguments.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace ferrow::test {

class FakeMainProgram {
 public:
  // Copies the program into folder/ferrow.
  explicit FakeMainProgram(const std::filesystem::path& folder);
  // The folder with its trailing '/', as "AppPath" holds it.
  std::string AppPath() const { return m_folder.string() + "/"; }
  // Stores AppPath in the (sandboxed) machine hive.
  void Register() const;
  std::string ProgramPath() const { return (m_folder / "ferrow").string(); }
  // The argument vectors of all starts recorded so far, in no particular order.
  std::vector<std::vector<std::string>> Records() const;
  // Waits until at least count starts are recorded; false when the time runs out.
  bool WaitForRecords(size_t count, std::chrono::milliseconds timeout) const;
  void ClearRecords() const;

 private:
  std::filesystem::path m_folder;
};

}  // namespace ferrow::test
