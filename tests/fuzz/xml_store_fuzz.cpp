// The data files: the input is read as a stored file and, when it reads as one, loaded as each
// of the five (settings, downloads, folders, history, sites). Each load must survive a round
// trip: saved, read and loaded again, it saves to exactly the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "download/download_info.h"
#include "download/download_list.h"
#include "download/folder_info.h"
#include "download/history_info.h"
#include "download/history_list.h"
#include "sites/site_info.h"
#include "sites/site_list.h"
#include "store/xml_line_reader.h"
#include "store/xml_node.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;

// The stored form of what the object holds, as Save writes it.
std::string Stored(CXmlObject& object) {
  CXmlNode root(L"Root");
  object.Exchange(true, root);
  std::string bytes;
  FUZZ_CHECK(root.Write(bytes, 0));  // whatever was read is one byte per character again
  return bytes;
}

bool ReadTree(std::string_view bytes, CXmlNode& root) {
  CXmlLineReader reader(bytes);
  return root.Read(reader) == CXmlNode::ReadResult::kClosed;
}

int Depth(const CXmlNode& node) {
  int deepest = 0;
  for (const CXmlNode& child : node.GetChildren()) deepest = std::max(deepest, Depth(child) + 1);
  return deepest;
}

template <class T>
void CheckRoundTrip(CXmlNode& root) {
  T first;
  first.Exchange(false, root);
  const std::string saved = Stored(first);
  CXmlNode again(L"Root");
  FUZZ_CHECK(ReadTree(saved, again));
  T second;
  second.Exchange(false, again);
  FUZZ_CHECK(Stored(second) == saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 100000) return 0;
  CXmlNode root(L"Root");
  if (!ReadTree(std::string_view(reinterpret_cast<const char*>(data), size), root)) return 0;
  FUZZ_CHECK(Depth(root) <= CXmlNode::kMaxDepth);

  CheckRoundTrip<CSettings>(root);
  CheckRoundTrip<CDownloadList>(root);
  CheckRoundTrip<CFolderInfo>(root);
  CheckRoundTrip<CHistoryList>(root);
  CheckRoundTrip<CSiteList>(root);
  return 0;
}
