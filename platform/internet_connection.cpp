#include "platform/internet_connection.h"

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "platform/network_links.h"

namespace ferrow {
namespace {

constexpr unsigned long kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned long kRouteReject = 0x0200;  // RTF_REJECT

// The route tables of the calling thread's namespace (/proc/net follows the process's).
std::ifstream OpenRouteTable(const char* name) {
  std::ifstream table(std::string("/proc/thread-self/net/") + name);
  if (!table) table.open(std::string("/proc/net/") + name);
  return table;
}

// Interfaces that hold an IPv4 default route.
void AddIpv4DefaultRoutes(std::set<std::string>& devices) {
  std::ifstream table = OpenRouteTable("route");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device, destination, gateway, flags, refs, use, metric, mask;
    if (!(fields >> device >> destination >> gateway >> flags >> refs >> use >> metric >> mask))
      continue;
    const unsigned long bits = std::stoul(flags, nullptr, 16);
    if (destination == "00000000" && mask == "00000000" && (bits & kRouteUp) &&
        !(bits & kRouteReject))
      devices.insert(device);
  }
}

void AddIpv6DefaultRoutes(std::set<std::string>& devices) {
  std::ifstream table = OpenRouteTable("ipv6_route");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string destination, prefix, source, sourcePrefix, nextHop, metric, refs, use, flags,
        device;
    if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> refs >>
          use >> flags >> device))
      continue;
    const unsigned long bits = std::stoul(flags, nullptr, 16);
    if (destination == std::string(32, '0') && prefix == "00" && (bits & kRouteUp) &&
        !(bits & kRouteReject))
      devices.insert(device);
  }
}

}  // namespace

bool IsInternetConnected() {
  std::set<std::string> devices;
  try {
    AddIpv4DefaultRoutes(devices);
    AddIpv6DefaultRoutes(devices);
  } catch (const std::exception&) {
    // A line the kernel would never write; what was read so far counts.
  }
  if (devices.empty()) return false;
  for (const NetworkLink& link : ListNetworkLinks())
    if (link.up && !link.loopback && devices.count(link.name)) return true;
  return false;
}

}  // namespace ferrow
