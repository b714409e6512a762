#pragma once
// A list of records stored as a sequence of child elements, one per item.
#include <cstddef>
#include <list>
#include <utility>

#include "store/xml_node.h"
#include "store/xml_object.h"

namespace ferrow {

// T is itself a CXmlObject. Items are held by value in insertion order.
template <class T>
class CXmlList : public std::list<T>, public CXmlObject {
 public:
  using CXmlObject::Exchange;

  // The shared body of every concrete list's Exchange. On load every child becomes an item,
  // whatever its name, and each item starts from T's constructed values.
  void Exchange(bool store, CXmlNode& node, const wchar_t* itemName) {
    if (store) {
      for (T& item : *this) node.AddChild(itemName, item);
      return;
    }
    this->clear();
    const size_t count = node.GetChildCount();
    for (size_t position = 0; position < count; ++position) {
      T item;
      node.GetChildAt(position, item);
      this->push_back(std::move(item));
    }
  }
};

}  // namespace ferrow
