#pragma once
// The names under which instances of the program find each other: the instance lock, the URL
// block and the socket that carries the identify and URL messages. The texts are fixed, so
// every version of the program finds every other; tests add a tag so that they never meet a
// program the user runs.
#include <cstddef>
#include <string>

namespace ferrow {

namespace InstanceGuid {
constexpr const char* kMutex = "06D9DD6D-A199-4453-AA5E-738F04423AB5";
constexpr const char* kUrlBlock = "2B44DB62-23E0-4G18-8038-7AFF51CAE427";
constexpr const char* kIdentifyMessage = "18BBD88B-81FB-4398-887A-BCBF0241769A";
constexpr const char* kUrlMessage = "194EB047-2B41-4309-B825-9ADBC61E1A7C";
}  // namespace InstanceGuid

struct InstanceNames {
  static constexpr size_t kUrlBlockSize = 4096;

  std::string lockFile;    // in the runtime folder: "<mutex GUID>.lock"
  std::string urlBlock;    // shared memory: "<URL block GUID>" (the user id is added)
  std::string socketFile;  // in the runtime folder: "<identify GUID>.socket"

  // The names every instance of the program uses.
  static InstanceNames Default();
  // The same names with "-<tag>" added, for tests.
  static InstanceNames Tagged(const std::string& tag);
};

}  // namespace ferrow
