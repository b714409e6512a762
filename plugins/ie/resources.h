#pragma once
// The library's resources: the two context-menu pages and the version strings, built into the
// library from the files in pages/ (see CMakeLists.txt).
#include <cstddef>

namespace ferrow::tavil {

struct Resource {
  const char* type;
  int id;
  const char* bytes;
  size_t size;
};

// Null when there is no such resource.
const Resource* FindResource(const char* type, int id);

}  // namespace ferrow::tavil
