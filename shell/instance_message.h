#pragma once
// What instances of the program say to each other over their socket. One exchange is one
// connection: the later instance sends the identify message, a line with the identify GUID,
// and the running one answers "1". Then it may hand over: a line with the URL message's GUID,
// "activate" or "silent", and the byte length of the URL text, followed by that text in UTF-8;
// the answer is "1" again. The text travels with the message, so two instances that hand over
// at the same moment cannot overwrite each other's URL.
#include <cstddef>
#include <string>

namespace ferrow {

struct HandOver {
  bool activate = false;  // bring the running instance's window forward
  std::wstring urlText;   // "/url=" text, empty when none
};

namespace InstanceMessage {

constexpr size_t kMaxLineLength = 128;
constexpr size_t kMaxTextLength = 16384;

std::string Identify();
bool IsIdentify(const std::string& line);
std::string Answer();  // "1\n"
bool IsAnswer(const std::string& line);
// The whole hand-over: header line and text.
std::string FormatHandOver(const HandOver& handOver);
// Reads a hand-over header line into the flags and the length of the text that follows.
bool ParseHandOverHeader(const std::string& line, HandOver& handOver, size_t& textLength);

}  // namespace InstanceMessage
}  // namespace ferrow
