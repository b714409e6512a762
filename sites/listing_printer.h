#pragma once
// A developer's look at a remote folder from the terminal: connect, list once, print the
// entries, disconnect. Drives a CSiteExplorer the way the views do, through its timer.
#include <functional>
#include <ostream>
#include <string>

namespace ferrow {

class CSiteExplorer;
class ITransferSettingsSource;

struct ListingPrintOptions {
  // The protocol log (commands and replies) goes to err as well.
  bool verbose = false;
  // Asked every timer round; true stops the connection (the user pressed Ctrl+C).
  std::function<bool()> interrupted;
};

// Lists the folder an ftp:// URL names and writes one line per entry to out, in the server's
// order: type ("d" folder, "-" file, "l" link, "?" unknown), size, local date and name. The
// ".." entry is left out. Why a folder could not be listed goes to err. Returns 0 when the
// folder was listed, 1 when not (also for an address of another scheme).
int PrintRemoteListing(const std::wstring& url, const ITransferSettingsSource& settings,
                       std::ostream& out, std::ostream& err,
                       const ListingPrintOptions& options = {});
// The same with an explorer of the caller's (used by the tests with a scripted client).
int PrintRemoteListing(CSiteExplorer& explorer, const std::wstring& url, std::ostream& out,
                       std::ostream& err, const ListingPrintOptions& options = {});

}  // namespace ferrow
