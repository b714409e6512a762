#include "shell/instance_message.h"

#include "platform/text.h"
#include "shell/instance_names.h"

namespace ferrow::InstanceMessage {

std::string Identify() {
  return std::string(InstanceGuid::kIdentifyMessage) + "\n";
}

bool IsIdentify(const std::string& line) {
  return line == InstanceGuid::kIdentifyMessage;
}

std::string Answer() {
  return "1\n";
}

bool IsAnswer(const std::string& line) {
  return line == "1";
}

std::string FormatHandOver(const HandOver& handOver) {
  std::string text = WideToUtf8(handOver.urlText);
  if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
  std::string message = InstanceGuid::kUrlMessage;
  message += handOver.activate ? " activate " : " silent ";
  message += std::to_string(text.size());
  message += '\n';
  message += text;
  return message;
}

bool ParseHandOverHeader(const std::string& line, HandOver& handOver, size_t& textLength) {
  const std::string guid = InstanceGuid::kUrlMessage;
  if (line.compare(0, guid.size(), guid) != 0) return false;
  std::string rest = line.substr(guid.size());
  if (rest.starts_with(" activate "))
    handOver.activate = true;
  else if (rest.starts_with(" silent "))
    handOver.activate = false;
  else
    return false;
  rest = rest.substr(handOver.activate ? 10 : 8);
  if (rest.empty() || rest.size() > 5 || rest.find_first_not_of("0123456789") != std::string::npos)
    return false;
  textLength = std::stoul(rest);
  return textLength <= kMaxTextLength;
}

}  // namespace ferrow::InstanceMessage
