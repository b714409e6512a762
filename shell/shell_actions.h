#pragma once
// What the after-download actions do to the world outside the program: end dial-up links,
// switch the computer off, start the virus scanner or offer a program chooser. The program
// uses the system's (CSystemActions); tests put recorders in, so that nothing is ever shut
// down or hung up for real.
#include <string>
#include <vector>

#include "platform/process_launcher.h"

namespace ferrow {

class IShellActions {
 public:
  virtual ~IShellActions() = default;
  virtual void HangUp() = 0;
  virtual void ShutDown() = 0;
  virtual LaunchResult StartProgram(const std::vector<std::wstring>& arguments) = 0;
  // The desktop's "open with" chooser for the file; false when there is none.
  virtual bool OfferOpenWith(const std::wstring& path) = 0;
};

}  // namespace ferrow
