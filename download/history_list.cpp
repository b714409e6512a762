#include "download/history_list.h"

namespace ferrow {

void CHistoryList::Exchange(bool store, CXmlNode& node) {
  CXmlList::Exchange(store, node, L"History");
}

}  // namespace ferrow
