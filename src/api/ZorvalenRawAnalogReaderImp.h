#pragma once

// The analog reader (reader kind 4): the analog and auxiliary detector
// channels of a raw directory, copied into buffers the reader owns. A
// channel's arrays stay valid until the reader's next readChannel, its
// texts until the reader's next text; the caller releases none of them.

#include <memory>

#include "api/MemoryHandler.h"
#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawAnalogReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawAnalogReaderImp(const char* path);
  explicit ZorvalenRawAnalogReaderImp(const ZorvalenRawDataFile& source);
  ~ZorvalenRawAnalogReaderImp() override;
  // Another reader of this kind on source's cluster, with buffers of its own.
  ZorvalenRawAnalogReaderImp(const ZorvalenRawAnalogReaderImp& source) : ZorvalenRawAnalogReaderImp(static_cast<const ZorvalenRawDataFile&>(source)) {}
  ZorvalenRawAnalogReaderImp& operator=(const ZorvalenRawAnalogReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::AnalogReader; }

  // Always 0.
  int GetNumberAnalogChannels(int& count) const;
  // A channel's times and values. 14 for a channel not below the count; a
  // channel without samples (a negative one too) gives 0 with null arrays
  // and size 0. When its arrays are missing: their code, null arrays, and
  // size keeps the sample count.
  int ReadChannel(int channel, const float*& times, const float*& values, int& size);
  // The description (up to its NUL, at most the whole 81-byte field) and the
  // units; 14 for a channel not below the count, 1 (text untouched) for a
  // channel without a header.
  int GetChannelDescription(int channel, char*& text);
  int GetChannelUnits(int channel, char*& text);

 protected:
  std::unique_ptr<ZVRawAccessInterface> m_pImp;
  // The last channel's times and values; made by the first channel read.
  std::unique_ptr<MemoryHandler> _pTimeHandler;
  std::unique_ptr<MemoryHandler> _pIntensityHandler;

 private:
  template <class Text>
  int channelText(int channel, char*& text, Text textOf);
};

}  // namespace Vardex::Lib::ZorvalenRaw
