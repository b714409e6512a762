// A language file: the input is loaded as one, and every message text it defines is then
// formatted with arguments of each kind, as the program shows it. A message text is data any
// user can edit, so no placeholder may read an argument that is not there or write unbounded
// output. Dialog and menu sections are applied to stand-in windows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "l10n/dialog_window.h"
#include "l10n/menu_window.h"
#include "l10n/resource_manager.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;

class StandInDialog : public CDialogWindow {
 public:
  void SetCaption(const std::wstring&) override {}
  size_t GetChildCount() const override { return 3; }
  uint32_t GetChildId(size_t index) const override { return 1000 + static_cast<uint32_t>(index); }
  void SetChildText(size_t index, const std::wstring&) override { FUZZ_CHECK(index < 3); }
};

class StandInMenu : public CMenuWindow {
 public:
  size_t GetItemCount() const override { return 2; }
  bool HasSubmenu(size_t position) const override { return position < 2; }
  void SetItemText(size_t position, const std::wstring&) override { FUZZ_CHECK(position < 2); }
  size_t GetSubmenuItemCount(size_t) const override { return 2; }
  uint32_t GetSubmenuItemId(size_t, size_t item) const override {
    return 32771 + static_cast<uint32_t>(item);
  }
  void SetSubmenuItemText(size_t position, size_t item, const std::wstring&) override {
    FUZZ_CHECK(position < 2 && item < 2);
  }
};

// The leading number of each line that has one: the message numbers the file may define.
std::vector<uint32_t> LineNumbers(std::string_view text) {
  std::vector<uint32_t> numbers;
  for (size_t at = 0; at < text.size() && numbers.size() < 500;) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    uint64_t number = 0;
    bool digits = false;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      number = std::min<uint64_t>(number * 10 + static_cast<uint64_t>(text[at] - '0'), UINT32_MAX);
      digits = true;
    }
    if (digits) numbers.push_back(static_cast<uint32_t>(number));
    const size_t end = text.find('\n', at);
    at = end == std::string_view::npos ? text.size() : end + 1;
  }
  return numbers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 100000) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CResourceManager resources;
  resources.LoadText(bytes);  // a failed load keeps the sections read before the fault

  for (uint32_t number : LineNumbers(bytes)) {
    const std::wstring pattern = resources.GetString(number);
    if (pattern.empty()) continue;
    const std::wstring out = resources.FormatMessage(
        number, {-1, L"name.zip", 3.5e300, 18446744073709551615ull, L"", 0, L"%s%n%d"});
    // Each placeholder yields at most its width or precision (at most 512) plus what an
    // argument prints; the text itself is copied once.
    FUZZ_CHECK(out.size() <= pattern.size() * (2 * 512 + 400));
  }
  for (uint32_t error : {0u, 2u, 0x10000u + 10054u, 0x20000u + 530u, 0x30000u + 404u}) {
    resources.ErrorText(error);
  }
  StandInDialog dialog;
  resources.ApplyDialog(L"Connect", dialog);
  StandInMenu menu;
  resources.ApplyMenu(L"Main", menu);
  return 0;
}
