#pragma once

// A step a writer's batch takes once its scans' data are in the files and
// before their index records are. The index record is a scan's commit: a
// reader counts the scan from it, so whatever a counted scan needs goes down
// first. undo takes a written step back when a later step or the index
// write fails. indexRestored is false when the index could not be cut back
// to what it was (the file system refused): it may then count scans of the
// batch, and the step stays as written so that they read back whole.

#include <functional>

namespace borealtek_zvraw_version_1 {

struct ZVRawBatchStep {
  std::function<int()> write;
  std::function<void(bool indexRestored)> undo;
};

}  // namespace borealtek_zvraw_version_1
