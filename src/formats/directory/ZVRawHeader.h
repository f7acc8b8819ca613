#pragma once

// The text header of a raw data directory: 50 named items and one mass
// calibration per acquisition function.
//
// _header.txt, one LF-terminated line per item; other lines are ignored:
//   $$ <tag>: <value>          named item ("$$ Cal Temperature: 21.5")
//   $$ <tag> <N>: <value>      numbered line, N the 1-based function
//                              ("$$ Cal Function 1: 5.000000000000000E-01,1.000000000000000E+00,T0")
// _header.inf holds exactly the same bytes, each one complemented.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/calibration/FunctionCalibration.h"

namespace borealtek_zvraw_version_1 {

using borealtek_calibrate_version_1::FunctionCalibration;

inline constexpr char CAL_FUNCTION[] = "Cal Function";
inline constexpr char CAL_STDEV_FUNCTION[] = "Cal StdDev Function";
inline constexpr char CAL_MODIFICATION[] = "Cal Modification";
inline constexpr char CAL_SEGMENT[] = "Cal Segment";
inline constexpr char CAL_COVARIANCES[] = "Cal CoVar";
inline constexpr char CAL_TEMPERATURE[] = "Cal Temperature";
inline constexpr char TEXT_HEADER_FILE_NAME[] = "_header.txt";
inline constexpr char ENCRYPTED_HEADER_FILE_NAME[] = "_header.inf";
inline constexpr int MAX_HEADERLINE_SIZE = 1024;

struct HeaderItemName {
  int nSlot;
  const char* pcTag;
};

// The named items; the public item number is 300 + slot.
inline constexpr std::array<HeaderItemName, 50> availableItems{{
    {0, "Version"},
    {1, "Acquired Name"},
    {2, "Acquired Date"},
    {3, "Acquired Time"},
    {4, "Job Code"},
    {5, "Task Code"},
    {6, "User Name"},
    {7, "Instrument"},
    {8, "Conditions"},
    {9, "Laboratory Name"},
    {10, "Sample Description"},
    {11, "Solvent Delay"},
    {12, "Submitter"},
    {13, "SampleID"},
    {14, "Bottle Number"},
    {15, "Analog Channel 1 Offset"},
    {16, "Analog Channel 2 Offset"},
    {17, "Analog Channel 3 Offset"},
    {18, "Analog Channel 4 Offset"},
    {19, "Cal MS1 Static"},
    {20, "Cal MS2 Static"},
    {21, "Cal MS1 Static Params"},
    {22, "Cal MS1 Dynamic Params"},
    {23, "Cal MS2 Static Params"},
    {24, "Cal MS2 Dynamic Params"},
    {25, "Cal MS1 Fast Params"},
    {26, "Cal MS2 Fast Params"},
    {27, "Cal Time"},
    {28, "Cal Date"},
    {29, "Cal Temperature"},
    {30, "Inlet Method"},
    {31, "Spare1"},
    {32, "Spare2"},
    {33, "Spare3"},
    {34, "Spare4"},
    {35, "Spare5"},
    {36, "MS Method"},
    {37, "Inlet Prerun Method"},
    {38, "Inlet Postrun Method"},
    {39, "Inlet Switch Method"},
    {40, "HPLC Method"},
    {41, "Tune Method"},
    {42, "Tessmark Method"},
    {43, "Reinjections"},
    {44, "PIC MRM Function"},
    {45, "PIC Scan Function"},
    {46, "Corlith Func List"},
    {47, "Calibration File"},
    {48, "Associated Datafile"},
    {49, "Mux Stream"},
}};

class ZVRawHeader {
 public:
  // Slots: 0-49 named items, then 32 each of "Cal Function" (50),
  // "Cal StdDev Function" (82), "Cal Modification" (114), and 23 of
  // "Cal Segment" (146).
  static constexpr int kSlotCount = 169;
  static constexpr int kNamedSlots = 50;
  static constexpr int kNumberedSlots = 32;
  static constexpr int kCalFunctionSlot = 50;
  static constexpr int kStdDevSlot = 82;
  static constexpr int kModificationSlot = 114;
  static constexpr int kSegmentSlot = 146;
  // A slot's text (" N: " or ": " and the value) is at most this long.
  static constexpr std::size_t kSlotTextSize = 511;
  // A larger header file is refused rather than read into memory.
  static constexpr std::uint64_t kMaxHeaderFileSize = 16u << 20;

  explicit ZVRawHeader(unsigned int nFuncCount);
  ZVRawHeader(const ZVRawHeader&) = default;
  ZVRawHeader& operator=(const ZVRawHeader&) = default;
  virtual ~ZVRawHeader() = default;

  [[nodiscard]] bool operator==(const ZVRawHeader& other) const = default;

  // Reads dir/_header.inf, else dir/_header.txt: 0, 4 (empty directory or a
  // path over 255 characters), 6 (neither opens) or 7 (not read whole, or
  // no memory to hold it).
  // Lines that do not parse are skipped. Never throws.
  [[nodiscard]] int readHeader(std::string_view cRawFileName);
  // Writes dir/_header.txt, or dir/_header.inf when bEncrypt, replacing the
  // file whole: 0, 4, 5 (cannot be created) or 10 (a write or the close failed).
  [[nodiscard]] int writeHeader(std::string_view cRawFileName, bool bEncrypt) const;

  // 14 when nWhichFunction is not a function of this header (pFuncCal null).
  [[nodiscard]] int getCalibration(int nWhichFunction, const FunctionCalibration*& pFuncCal) const;
  // Copies the calibration and renders every "Cal Function" slot again.
  [[nodiscard]] int setCalibration(int nWhichFunction, const FunctionCalibration& rFuncCal);

  // Sets a slot to " <nOffSet + 1>: <value>" (nOffSet >= 0) or ": <value>".
  // 1 for a slot outside 0-168 or a name without a slot, 32 for a null value,
  // 12 for a value holding a line break, 34 when the text would not fit the
  // slot; the slot is unchanged on any failure.
  int setNameValuePair(int index, const char* pcValue, int nOffSet);
  int setNameValuePair(const char* pcName, const char* pcValue, int nOffSet);
  // Whether setNameValuePair would store the value with that nOffSet: 0, 12
  // or 34 as it answers. Lets a caller refuse a set of values before any is set.
  [[nodiscard]] static int checkValue(std::string_view value, int nOffSet);

  // The text after the slot's first ':' and the blank behind it; "" for a
  // name or item without a slot. Valid until the slot changes.
  [[nodiscard]] const char* getNamedValue(const char* pcName, int nOffSet) const;
  [[nodiscard]] const char* getNamedValue(int nItem, int nOffSet = -1) const;

  // A named tag gives its slot whatever nOffSet; the numbered tags give their
  // base + nOffSet for nOffSet 0-31; -1 otherwise.
  [[nodiscard]] static int NameToIndex(const char* pcName, int nOffSet);
  // The tag of a slot ("Cal Segment" up to 177); "" for any other index.
  [[nodiscard]] static const char* IndexToName(int nIndex);

 private:
  [[nodiscard]] static std::string slotPrefix(int nOffSet);
  int storeSlot(int slot, std::string_view value, int nOffSet, bool cutToFit);
  void renderCalibrationSlots();
  void parseText(std::string_view text);
  void parseLine(std::string_view line);
  [[nodiscard]] FunctionCalibration* lineCalibration(std::string_view tag, std::size_t wordLength);
  [[nodiscard]] std::string composeText() const;

  std::vector<FunctionCalibration> m_pFuncCalibration;
  std::array<std::string, kSlotCount> m_cHeaderValues;
};

}  // namespace borealtek_zvraw_version_1
