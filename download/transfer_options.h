#pragma once
// What a front end may ask of every transfer it starts beyond the network settings: how to
// treat a file that already exists at the target, and whether the bytes go to a stream rather
// than a file. The windowed program keeps the defaults (a finished download replaces the file).
#include <cstdint>

namespace ferrow {

class COrderedOutput;

enum class ExistingFile {
  kReplace,    // the finished download replaces it
  kKeepOrNew,  // left alone: "already there" when its size is the server's, else a free name
  kKeep,       // left alone, and nothing is downloaded
};

struct TransferOptions {
  ExistingFile existing = ExistingFile::kReplace;
  // A plain file at the target (made by anything) counts as the first bytes of the download,
  // when the server can continue at an offset and the file is not longer than the server's.
  bool continuePlain = false;
  // Not null: the bytes go there in order and no file is written (one download only).
  COrderedOutput* output = nullptr;
};

}  // namespace ferrow
