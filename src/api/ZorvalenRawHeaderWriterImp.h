#pragma once

// The writer's header items: the caller's ZorvalenHeaderItem values go into
// the header slots through the write interface, and Close writes
// _header.txt with the version item this writer produces.

#include <string_view>

#include "api/Parameters.h"
#include "cluster/ZVRawWriteInterface.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawHeaderWriterImp {
 public:
  using ZVRawWriteInterface = borealtek_zvraw_version_1::ZVRawWriteInterface;

  // The write interface is borrowed: it must outlive this writer.
  explicit ZorvalenRawHeaderWriterImp(ZVRawWriteInterface* writeInterface);

  // Sets slot key - 300 for every key of 300-349 the set holds, in
  // ascending order; other keys are ignored. 57, nothing set, when a value
  // does not fit its slot (over 509 bytes, or a line break) or begins with
  // white space the reader would skip; else 0.
  int SetHeader(const Parameters& values);
  // Sets the version item, then writes _header.txt whole: the write's code.
  int Close();

 private:
  ZVRawWriteInterface* m_pzvRawWriteInterface;
  static constexpr std::string_view _version = "01.00";
};

}  // namespace Vardex::Lib::ZorvalenRaw
