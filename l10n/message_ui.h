#pragma once
// How the core shows messages without knowing the window system: the console and the windowed
// program implement this, the tests record the calls. Called on the user-interface thread.
#include <string>

namespace ferrow {

class CMessageUi {
 public:
  virtual ~CMessageUi() = default;
  // A message with an OK button.
  virtual void ShowMessage(const std::wstring& text) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::wstring& text) = 0;
};

}  // namespace ferrow
