#pragma once
// One instance of the program per user: the first takes the instance lock and answers the
// later ones over its socket; a later instance hands its URL (and the wish to see the window)
// to the first and ends. The URL block in shared memory keeps a later instance's URL when the
// first does not answer in time (it is still starting): the first reads it when its own start
// is done.
#include <cstdint>
#include <string>

#include "platform/error_code.h"
#include "platform/instance_lock.h"
#include "shell/instance_names.h"
#include "shell/instance_server.h"
#include "shell/mapped_string.h"

namespace ferrow {

class CCommandLine;

enum class InstanceRole {
  kFirst,       // no other instance runs: this one goes on
  kHandedOver,  // the running instance took the hand-over: this one ends
  kNoAnswer,    // an instance holds the lock but did not answer in time: this one ends
  kFailed,      // the lock file could not be used
};

class CSingleInstance {
 public:
  // How long a later instance waits for the running one to answer.
  static constexpr uint32_t kAnswerMilliseconds = 5000;

  explicit CSingleInstance(InstanceNames names = InstanceNames::Default());
  // Stops answering before the lock is released, so a new first instance never finds our
  // socket in its way.
  ~CSingleInstance();
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // Finds the private runtime folder for the lock and the socket. Returns 0 or the error.
  ErrorValue PrepareFolder();
  // Creates or opens the URL block.
  bool CreateBlock();
  CMappedString& Block() { return m_block; }

  // Takes the lock, or hands the command line's URL and the wish to be shown (unless
  // "/silent") to the instance that holds it. The command line's URL text has been put into
  // the block before, so it stays there if nobody answers.
  InstanceRole Detect(const CCommandLine& commandLine,
                      uint32_t answerMilliseconds = kAnswerMilliseconds);
  // The first instance starts answering later ones.
  ErrorValue Listen();
  CInstanceServer& Server() { return m_server; }
  const std::wstring& GetFolder() const { return m_folder; }

 private:
  // Contacts the running instance; true when it took the hand-over.
  bool HandOverTo(const HandOver& handOver, bool send, uint32_t answerMilliseconds);

  InstanceNames m_names;
  std::wstring m_folder;
  CMappedString m_block;
  CInstanceLock m_lock;
  CInstanceServer m_server;
};

}  // namespace ferrow
