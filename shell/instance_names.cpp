#include "shell/instance_names.h"

namespace ferrow {

InstanceNames InstanceNames::Default() {
  return Tagged("");
}

InstanceNames InstanceNames::Tagged(const std::string& tag) {
  const std::string suffix = tag.empty() ? std::string() : "-" + tag;
  InstanceNames names;
  names.lockFile = InstanceGuid::kMutex + suffix + ".lock";
  names.urlBlock = InstanceGuid::kUrlBlock + suffix;
  names.socketFile = InstanceGuid::kIdentifyMessage + suffix + ".socket";
  return names;
}

}  // namespace ferrow
