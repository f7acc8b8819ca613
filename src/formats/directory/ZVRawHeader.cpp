#include "formats/directory/ZVRawHeader.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "formats/portability/AllocationGuard.h"
#include "formats/portability/CLocale.h"
#include "formats/portability/TextNumbers.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

using borealtek_calibrate_version_1::CalCoefficients;
using borealtek_calibrate_version_1::CALTYPE_NORMAL;
using borealtek_calibrate_version_1::CALTYPE_ROOTMASS;
using borealtek_calibrate_version_1::kCalCoefficients;
using borealtek_calibrate_version_1::kCalTextSize;

// Only the first 256 characters of a polynomial value are looked at.
constexpr std::size_t kPolynomialWindow = 256;
constexpr std::size_t kCovarianceFields = 32;
constexpr std::size_t kCovarianceFieldLength = 63;

std::string_view skipSpace(std::string_view s) {
  while (!s.empty() && zvraw::isCSpace(s.front())) s.remove_prefix(1);
  return s;
}

// The longest decimal prefix as a double, 0 when there is none; in the "C"
// locale, so a decimal comma set by the caller never changes what a file means.
double parseNumber(std::string_view s) {
  const std::string text(s);
  return zvraw::strtodC(text.c_str(), nullptr);
}

// "C0,C1,...,Tn": every comma in the first 256 characters closes a field;
// fields 0-6 are the coefficients and later ones are ignored. The two
// characters after the last comma are the type marker. The order is the
// highest non-zero index, at least 1 when C0 alone is non-zero. False, and
// nothing changed, when there is no comma.
bool parsePolynomial(std::string_view value, CalCoefficients& c, short& order, short& type) {
  const std::string_view window = value.substr(0, kPolynomialWindow);
  const std::size_t lastComma = window.rfind(',');
  if (lastComma == std::string_view::npos) return false;
  type = value.substr(lastComma + 1, 2) == "T1" ? CALTYPE_ROOTMASS : CALTYPE_NORMAL;
  c.fill(0.0);
  std::size_t start = 0;
  for (std::size_t k = 0; k < kCalCoefficients && start <= lastComma; ++k) {
    const std::size_t comma = window.find(',', start);
    c[k] = parseNumber(window.substr(start, comma - start));
    start = comma + 1;
  }
  order = -1;
  if (c[0] != 0.0) order = 1;  // NaN counts as non-zero
  for (std::size_t k = 1; k < kCalCoefficients; ++k) {
    if (c[k] != 0.0) order = static_cast<short>(k);
  }
  return true;
}

// Comma-separated covariances 0, 1, ...: at most 32 fields, each cut at 63
// characters; a trailing comma opens no further field.
void parseCovariances(std::string_view value, FunctionCalibration& cal) {
  for (std::size_t i = 0; i < kCovarianceFields && !value.empty(); ++i) {
    const std::size_t comma = value.find(',');
    const std::string_view field = value.substr(0, comma);
    cal.Cov(static_cast<unsigned short>(i), parseNumber(field.substr(0, kCovarianceFieldLength)));
    value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
  }
}

int headerPath(std::string_view dir, const char* name, std::string& out) {
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  out.assign(dir);
  out += getDirSlash();
  out += name;
  return out.size() > zvraw::kMaxPathLength ? ZVRAW_FILENAME_ERROR : ZVRAW_OK;
}

void complement(Bytes& bytes) {
  for (auto& b : bytes) b = static_cast<std::uint8_t>(~b);
}

}  // namespace

ZVRawHeader::ZVRawHeader(unsigned int nFuncCount) : m_pFuncCalibration(nFuncCount) {}

int ZVRawHeader::NameToIndex(const char* pcName, int nOffSet) {
  if (pcName == nullptr) return -1;
  const std::string_view name(pcName);
  for (const HeaderItemName& item : availableItems) {
    if (name == item.pcTag) return item.nSlot;
  }
  if (nOffSet < 0 || nOffSet >= kNumberedSlots) return -1;
  if (name == CAL_FUNCTION) return kCalFunctionSlot + nOffSet;
  if (name == CAL_STDEV_FUNCTION) return kStdDevSlot + nOffSet;
  if (name == CAL_MODIFICATION) return kModificationSlot + nOffSet;
  if (name == CAL_SEGMENT) return kSegmentSlot + nOffSet;  // may lie past the last slot
  return -1;
}

const char* ZVRawHeader::IndexToName(int nIndex) {
  if (nIndex < 0) return "";
  if (nIndex < kNamedSlots) return availableItems[static_cast<std::size_t>(nIndex)].pcTag;
  if (nIndex < kStdDevSlot) return CAL_FUNCTION;
  if (nIndex < kModificationSlot) return CAL_STDEV_FUNCTION;
  if (nIndex < kSegmentSlot) return CAL_MODIFICATION;
  if (nIndex < kSegmentSlot + kNumberedSlots) return CAL_SEGMENT;
  return "";
}

// What a slot holds before its value: " N: " for a numbered line, else ": ".
std::string ZVRawHeader::slotPrefix(int nOffSet) {
  std::string text;
  if (nOffSet >= 0) text = " " + std::to_string(static_cast<long long>(nOffSet) + 1);
  return text + ": ";
}

int ZVRawHeader::checkValue(std::string_view value, int nOffSet) {
  // A line break would end the header line early and let the rest of the
  // value read back as a line of its own.
  if (value.find_first_of("\r\n") != std::string_view::npos) return ZVRAW_HEADERLINE_BADFORMAT;
  return slotPrefix(nOffSet).size() + value.size() > kSlotTextSize ? ZVRAW_STRING_TOO_LONG : ZVRAW_OK;
}

int ZVRawHeader::storeSlot(int slot, std::string_view value, int nOffSet, bool cutToFit) {
  if (slot < 0 || slot >= kSlotCount) return ZVRAW_ERROR;
  std::string text = slotPrefix(nOffSet);
  if (text.size() + value.size() > kSlotTextSize) {
    if (!cutToFit) return ZVRAW_STRING_TOO_LONG;
    value = value.substr(0, kSlotTextSize - text.size());
  }
  text += value;
  m_cHeaderValues[static_cast<std::size_t>(slot)] = std::move(text);
  return ZVRAW_OK;
}

int ZVRawHeader::setNameValuePair(int index, const char* pcValue, int nOffSet) {
  if (index < 0 || index >= kSlotCount) return ZVRAW_ERROR;
  if (pcValue == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const std::string_view value(pcValue);
  if (const int rc = checkValue(value, nOffSet); rc != ZVRAW_OK) return rc;
  return storeSlot(index, value, nOffSet, false);
}

int ZVRawHeader::setNameValuePair(const char* pcName, const char* pcValue, int nOffSet) {
  const int slot = NameToIndex(pcName, nOffSet);
  if (slot < 0) return ZVRAW_ERROR;
  return setNameValuePair(slot, pcValue, nOffSet);
}

const char* ZVRawHeader::getNamedValue(const char* pcName, int nOffSet) const {
  const int slot = NameToIndex(pcName, nOffSet);
  if (slot < 0 || slot >= kSlotCount) return "";
  const std::string& text = m_cHeaderValues[static_cast<std::size_t>(slot)];
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return "";
  return text.c_str() + std::min(colon + 2, text.size());
}

const char* ZVRawHeader::getNamedValue(int nItem, int /*nOffSet*/) const {
  if (nItem < 0 || nItem >= kNamedSlots) return "";
  return getNamedValue(availableItems[static_cast<std::size_t>(nItem)].pcTag, -1);
}

int ZVRawHeader::getCalibration(int nWhichFunction, const FunctionCalibration*& pFuncCal) const {
  pFuncCal = nullptr;
  if (nWhichFunction < 0 || static_cast<std::size_t>(nWhichFunction) >= m_pFuncCalibration.size()) {
    return ZVRAW_FUNCNUM_INVALID;
  }
  pFuncCal = &m_pFuncCalibration[static_cast<std::size_t>(nWhichFunction)];
  return ZVRAW_OK;
}

int ZVRawHeader::setCalibration(int nWhichFunction, const FunctionCalibration& rFuncCal) {
  if (nWhichFunction < 0 || static_cast<std::size_t>(nWhichFunction) >= m_pFuncCalibration.size()) {
    return ZVRAW_FUNCNUM_INVALID;
  }
  m_pFuncCalibration[static_cast<std::size_t>(nWhichFunction)] = rFuncCal;
  renderCalibrationSlots();
  return ZVRAW_OK;
}

// Slot 50 + i holds calibration i's text, empty for an uncalibrated function;
// only the first 32 functions have a slot.
void ZVRawHeader::renderCalibrationSlots() {
  char text[kCalTextSize];
  const std::size_t n = std::min<std::size_t>(m_pFuncCalibration.size(), kNumberedSlots);
  for (std::size_t i = 0; i < n; ++i) {
    m_pFuncCalibration[i].calToBuf(text);
    storeSlot(kCalFunctionSlot + static_cast<int>(i), text, static_cast<int>(i), true);
  }
}

int ZVRawHeader::readHeader(std::string_view cRawFileName) {
  std::string path;
  if (int rc = headerPath(cRawFileName, ENCRYPTED_HEADER_FILE_NAME, path); rc != ZVRAW_OK) return rc;
  // A header that cannot be held is one that cannot be read.
  return zvraw::guardAllocation(
      [&] {
        Bytes bytes;
        int rc = zvraw::readWholeFile(path, bytes, kMaxHeaderFileSize);
        const bool inverted = rc != ZVRAW_FILEOPEN_ERROR;
        if (!inverted) {
          if (rc = headerPath(cRawFileName, TEXT_HEADER_FILE_NAME, path); rc != ZVRAW_OK) return rc;
          rc = zvraw::readWholeFile(path, bytes, kMaxHeaderFileSize);
          if (rc == ZVRAW_FILEOPEN_ERROR) return ZVRAW_HEADERFILE_FILEOPEN_ERROR;
        }
        if (rc != ZVRAW_OK) return ZVRAW_HEADERFILE_READERROR;
        if (inverted) complement(bytes);
        parseText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        renderCalibrationSlots();
        return ZVRAW_OK;
      },
      ZVRAW_HEADERFILE_READERROR);
}

void ZVRawHeader::parseText(std::string_view text) {
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (line.size() >= MAX_HEADERLINE_SIZE - 1) continue;  // longer than a header line may be
    parseLine(line.substr(0, line.find('\0')));
  }
}

// Parses one "$$ tag: value" line into a slot or a calibration; a line that
// does not fit any of them is dropped.
void ZVRawHeader::parseLine(std::string_view line) {
  if (!line.starts_with("$$")) return;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  line = skipSpace(line.substr(2));
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  // The tag is taken exactly: "Version :" names no slot.
  const std::string_view tag = line.substr(0, colon);
  const std::string_view value = skipSpace(line.substr(colon + 1));

  if (tag.starts_with(CAL_FUNCTION)) {
    if (FunctionCalibration* cal = lineCalibration(tag, std::strlen(CAL_FUNCTION))) {
      auto& imp = cal->getImp();
      if (parsePolynomial(value, imp.m_fC, imp.m_nCalOrder, imp.m_nCalType)) {
        // The temperature as read so far: a later "Cal Temperature" line does not reach back.
        imp.m_fCalTemp = parseNumber(getNamedValue(CAL_TEMPERATURE, -1));
      }
    }
  } else if (tag.starts_with(CAL_COVARIANCES)) {
    if (FunctionCalibration* cal = lineCalibration(tag, std::strlen(CAL_COVARIANCES))) parseCovariances(value, *cal);
  } else if (tag.starts_with(CAL_MODIFICATION)) {
    if (FunctionCalibration* cal = lineCalibration(tag, std::strlen(CAL_MODIFICATION))) {
      auto& imp = cal->getImp();
      parsePolynomial(value, imp.m_fM, imp.m_nModOrder, imp.m_nModType);
    }
  } else if (tag.starts_with(CAL_STDEV_FUNCTION)) {
    if (FunctionCalibration* cal = lineCalibration(tag, std::strlen(CAL_STDEV_FUNCTION))) {
      cal->stdDev() = parseNumber(value);
    }
  } else {
    const std::string name(tag);
    const int slot = NameToIndex(name.c_str(), -1);
    if (slot >= 0) storeSlot(slot, value, -1, true);
  }
}

// The calibration a numbered line addresses: N starts one character after
// the tag word ("Cal Function 3" -> function index 2). Null when N is not a
// function of this header.
FunctionCalibration* ZVRawHeader::lineCalibration(std::string_view tag, std::size_t wordLength) {
  // No number, or one beyond int, names no function.
  int n = 0;
  if (tag.size() > wordLength + 1) n = zvraw::leadingInt(tag.substr(wordLength + 1), zvraw::IntOverflow::Refuse).value_or(0);
  if (n < 1 || static_cast<std::size_t>(n) > m_pFuncCalibration.size()) return nullptr;
  return &m_pFuncCalibration[static_cast<std::size_t>(n) - 1];
}

std::string ZVRawHeader::composeText() const {
  std::string text;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const std::string& value = m_cHeaderValues[static_cast<std::size_t>(slot)];
    if (value.empty()) continue;
    text += "$$ ";
    text += IndexToName(slot);
    text += value;
    text += '\n';
  }
  return text;
}

int ZVRawHeader::writeHeader(std::string_view cRawFileName, bool bEncrypt) const {
  std::string path;
  const char* name = bEncrypt ? ENCRYPTED_HEADER_FILE_NAME : TEXT_HEADER_FILE_NAME;
  if (int rc = headerPath(cRawFileName, name, path); rc != ZVRAW_OK) return rc;
  const std::string text = composeText();
  Bytes bytes(text.begin(), text.end());
  if (bEncrypt) complement(bytes);
  // Through a temporary file: a failed write leaves the previous header in place.
  if (int rc = zvraw::writeWholeFile(path, bytes); rc != ZVRAW_OK) return rc;
  // Readers prefer _header.inf: a stale one would hide the header just written.
  if (!bEncrypt) {
    std::string stale;
    if (headerPath(cRawFileName, ENCRYPTED_HEADER_FILE_NAME, stale) == ZVRAW_OK) sysRemoveComponentFile(stale);
  }
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
