#pragma once
// The stored FTP sites, kept in name order; stored as "Sites.xml" (it holds passwords).
#include <string>

#include "sites/site_info.h"
#include "store/xml_list.h"

namespace ferrow {

class CSiteList : public CXmlList<CSiteInfo> {
 public:
  static constexpr const char* kFileName = "Sites.xml";

  void Exchange(bool store, CXmlNode& node) override;

  // Inserts in name order (code units, capitals first); equal names go after the existing ones.
  CSiteInfo& Add(const CSiteInfo& site);
  bool Remove(const Guid& id);
  CSiteInfo* Find(const Guid& id);
  // Sets the name and moves the site to its place in the order.
  bool Rename(const Guid& id, const std::wstring& name);

 private:
  iterator PlaceFor(const std::wstring& name);
};

}  // namespace ferrow
