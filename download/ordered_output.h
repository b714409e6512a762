#pragma once
// The bytes of one download handed to a stream (standard output) in file order while its parts
// arrive out of order. A part may run ahead of the stream by at most the window: what arrives
// within it is held in memory until the bytes before it have gone out; a part whose next byte
// lies beyond it waits (without a connection) until the stream has caught up.
//
// Shared by the part threads of one transfer; one lock guards the held bytes and the position.
// The writer runs under that lock, so the stream sees one write at a time, in order.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace ferrow {

class COrderedOutput {
 public:
  // Writes bytes to the stream; false when it cannot take them (a closed pipe).
  using Writer = std::function<bool(const char* data, size_t size)>;
  using StopCheck = std::function<bool()>;
  static constexpr size_t kDefaultWindow = 8u << 20;

  explicit COrderedOutput(Writer writer, size_t window = kDefaultWindow);

  enum class PutResult { kTaken, kBeyondWindow, kWriteFailed };
  // Bytes at a file offset. Bytes before what has been written already are dropped (a part
  // that starts again from an earlier offset). Nothing is taken when they reach beyond the
  // window, unless they are the stream's very next bytes.
  PutResult Put(uint64_t offset, const char* data, size_t size);
  // Waits until bytes at offset fit into the window (true), or the stop check says stop or the
  // stream has failed (false). Checks the stop a few times a second.
  bool WaitForRoom(uint64_t offset, const StopCheck& stopped);

  uint64_t Written() const;
  bool Failed() const;

 private:
  // Writes what the held bytes continue; under the lock.
  bool Drain();

  Writer m_writer;
  const size_t m_window;
  mutable std::mutex m_lock;
  std::condition_variable m_moved;
  uint64_t m_written = 0;
  bool m_failed = false;
  std::map<uint64_t, std::string> m_held;  // by offset; may overlap after a restart
};

}  // namespace ferrow
