#pragma once

#include <cstdint>
#include <vector>

namespace Vardex::Control::Message {

// One drift spectrum: parallel arrays, one entry per populated bin.
struct ChannelData {
  std::vector<std::uint32_t> massindex;
  std::vector<std::uint32_t> intensity;
  std::vector<std::uint32_t> flags;
  friend bool operator==(const ChannelData&, const ChannelData&) = default;
};

// One drift block (one scan): a spectrum per drift bin, in bin order.
struct ScanData {
  float rt = 0;  // seconds
  std::vector<ChannelData> channel;
  friend bool operator==(const ScanData&, const ScanData&) = default;
};

}  // namespace Vardex::Control::Message
