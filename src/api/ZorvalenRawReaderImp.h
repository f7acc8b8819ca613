#pragma once

// The reader base, with the allocators of the memory handed across the C
// interface (see formats/portability/CallerMemory.h, which it re-exports).

#include <cstddef>
#include <memory>
#include <string_view>

#include "api/HandleObject.h"
#include "api/StringHandler.h"
#include "api/ZorvalenRawDataFile.h"
#include "formats/portability/CallerMemory.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

// The base of the four reader kinds (scan, information, chromatogram,
// analog): a share of the directory's cluster and the buffer of the texts
// the reader returns.
class ZorvalenRawReaderImp : public HandleObject, public ZorvalenRawDataFile {
 public:
  // Opens the directory at path (see ZorvalenRawDataFile).
  ZorvalenRawReaderImp(HandleKind kind, const char* path) : HandleObject(kind), ZorvalenRawDataFile(path) {}
  // Shares source's cluster.
  ZorvalenRawReaderImp(HandleKind kind, const ZorvalenRawDataFile& source)
      : HandleObject(kind), ZorvalenRawDataFile(source) {}
  ~ZorvalenRawReaderImp() override = default;

  // Any reader kind.
  static bool acceptsKind(HandleKind kind) {
    return kind >= HandleKind::ScanReader && kind <= HandleKind::AnalogReader;
  }

  // Re-reads the scan indices and statistics of a directory that is still
  // being written; 19 (ZVRAW_DATACLUSTER_INVALID) without a cluster.
  [[nodiscard]] int Update();

  // Holds text for the caller until the reader's next text-returning call.
  char* GetStringMemory(std::string_view text) { return holdText(m_StringHandler, text); }

  // Room for n values, not initialised. A negative count gives null without
  // allocating; 0 gives whatever malloc gives for zero bytes, which
  // releaseMemory accepts.
  [[nodiscard]] static float* AllocateFloatMemory(const int& n);
  [[nodiscard]] static int* AllocateIntMemory(const int& n);
  [[nodiscard]] static char* AllocateCharMemory(const int& n);

  // A copy of the n values at values; null, with nothing copied, when the
  // count is negative, the allocation fails, or n > 0 values are missing.
  [[nodiscard]] static float* AllocateAndFill(const float* values, const int& n);
  [[nodiscard]] static int* AllocateAndFill(const int* values, const int& n);
  [[nodiscard]] static ZorvalenScanItem* AllocateAndFill(const ZorvalenScanItem* items, const int& n);

  // releaseMemory, then the pointer is null.
  static void ReleaseMemory(void*& p);
  static void ReleaseMemory(float*& p);
  static void ReleaseMemory(char*& p);

  // On a failed call (code not 0) the partial outputs are released and
  // nulled and the count is 0; on success nothing changes.
  static void ReleaseMemoryOnError(int code, float*& a, float*& b, int& n);
  static void ReleaseMemoryOnError(int code, float*& a, int& n);
  static void ReleaseMemoryOnError(int code, float*& a, float*& b, char*& flags, int& n);

 protected:
  // The read interface on this reader's cluster, for the kinds that read
  // through one. Made whatever the cluster's state: it reaches the cluster's
  // record on every call.
  [[nodiscard]] std::unique_ptr<ZVRawAccessInterface> MakeAccessInterface() const;

  std::unique_ptr<StringHandler> m_StringHandler;
};

}  // namespace Vardex::Lib::ZorvalenRaw
