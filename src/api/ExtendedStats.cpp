#include "api/ExtendedStats.h"

#include <algorithm>
#include <climits>
#include <string>

#include "api/StatsParametersImp.h"
#include "api/WriterValues.h"
#include "cluster/StatsSetters.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ExtendedStatsDescriptor;
using borealtek_zvraw_version_1::ExtendedStatsField;

namespace {

// The letter that tells the write interface how wide a packed value is:
// a one-byte field (Reference Scan) must be read as one byte, whatever
// letter the descriptor's table gives it.
char letterOfType(unsigned int type) {
  switch (type) {
    case CHAR_FIELD:
      return 'c';
    case SHORT_INT_FIELD:
      return 's';
    default:
      return 'f';
  }
}

}  // namespace

ExtendedStats::ExtendedStats() : m_pESD(std::make_unique<ExtendedStatsDescriptor>()) {}

ExtendedStats::~ExtendedStats() = default;

void ExtendedStats::clear() {
  m_pESD->initDescriptor(0, 0);
  m_pBuffer.clear();
  m_pFieldType.clear();
}

int ExtendedStats::Initalise(const std::vector<int>& ids) {
  clear();
  // Four bytes at most per field: the record size must fit the descriptor's int.
  if (ids.size() > static_cast<std::size_t>(INT_MAX / 4)) return ZVRAW_PARAMETER_INVALID;
  std::vector<ExtendedStatsField> fields;
  std::vector<int> types;
  std::vector<int> widths;
  int recordSize = 0;
  for (const int id : ids) {
    ExtendedStatsField field;
    if (const int rc = ExtendedStatsDescriptor::getFieldFromID(id, field); rc != ZVRAW_OK) return rc;
    // The write interface refuses a field it has no setter for.
    if (getSetRoutine(id) == nullptr) return ZVRAW_SCAN_STAT_NOTSUPPORTED;
    const unsigned int type = borealtek_zvraw_version_1::fieldIDToType(static_cast<unsigned int>(id));
    const auto width = static_cast<int>(borealtek_zvraw_version_1::fieldTypeToSize(type));
    field.cType = letterOfType(type);
    fields.push_back(field);
    types.push_back(static_cast<int>(type));
    widths.push_back(width);
    recordSize += width;
  }
  const int n = static_cast<int>(fields.size());
  m_pESD->initDescriptor(n, recordSize);
  int offset = 0;
  for (int i = 0; i < n; ++i) {
    m_pESD->addField(fields[static_cast<std::size_t>(i)], offset);
    offset += widths[static_cast<std::size_t>(i)];
  }
  m_pFieldType = std::move(types);
  m_pBuffer.assign(static_cast<std::size_t>(recordSize), 0);
  return ZVRAW_OK;
}

int ExtendedStats::Initalise(const ZorvalenScanItem* items, const int& n) {
  clear();
  if (n < 0) return ZVRAW_PARAMETER_INVALID;
  if (items == nullptr && n > 0) return ZVRAW_NULL_PARAMETERS;
  std::vector<int> ids;
  for (int i = 0; i < n; ++i) {
    int id = 0;
    if (const int rc = StatsParametersImp::EnumToID(items[i], id); rc != ZVRAW_OK) return rc;
    ids.push_back(id);
  }
  return Initalise(ids);
}

int ExtendedStats::ConvertStats(const Parameters& values, char*& record) {
  record = nullptr;
  if (m_pBuffer.empty()) return ZVRAW_OK;
  // A fresh record each time: a field this scan does not give packs as 0.
  char* cursor = m_pBuffer.data();
  std::string text;
  for (std::size_t i = 0; i < m_pFieldType.size(); ++i) {
    const auto type = static_cast<unsigned int>(m_pFieldType[i]);
    const auto width = borealtek_zvraw_version_1::fieldTypeToSize(type);
    const int id = m_pESD->getFieldID(static_cast<int>(i));
    if (values.TryGetStringValue(id + static_cast<int>(StatsParametersImp::unScanItemOffset), text)) {
      if (const int rc = packStatsValue(text, id, type, cursor); rc != ZVRAW_OK) return rc;
    } else {
      std::fill_n(cursor, width, 0);
    }
    cursor += width;
  }
  record = m_pBuffer.data();
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
