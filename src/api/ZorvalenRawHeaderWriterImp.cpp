#include "api/ZorvalenRawHeaderWriterImp.h"

#include <string>
#include <vector>

#include "api/WriterValues.h"
#include "formats/directory/ZVRawHeader.h"
#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ZVRawHeader;

namespace {

constexpr int kFirstItem = static_cast<int>(ZorvalenHeaderItem::VERSION);
constexpr int kLastItem = static_cast<int>(ZorvalenHeaderItem::MUX_STREAM);

}  // namespace

ZorvalenRawHeaderWriterImp::ZorvalenRawHeaderWriterImp(ZVRawWriteInterface* writeInterface)
    : m_pzvRawWriteInterface(writeInterface) {}

int ZorvalenRawHeaderWriterImp::SetHeader(const Parameters& values) {
  if (m_pzvRawWriteInterface == nullptr) return ZVRAW_OK;
  // The header keeps slots past the named ones for its own use: a key
  // outside the items must not reach them.
  std::vector<int> items;
  for (const int key : values.GetSetKeys())
    if (key >= kFirstItem && key <= kLastItem) items.push_back(key);
  // All or nothing: an item the header would cut or drop refuses the set
  // before any item of it is set.
  for (const int key : items) {
    const std::string value = values.GetValue(key);
    if (ZVRawHeader::checkValue(value, -1) != ZVRAW_OK || checkHeaderValue(value) != ZVRAW_OK)
      return ZVRAW_PARAMETER_INVALID;
  }
  for (const int key : items)
    (void)m_pzvRawWriteInterface->setHeaderValue(key - kFirstItem, values.GetValue(key).c_str());  // checked above
  return ZVRAW_OK;
}

int ZorvalenRawHeaderWriterImp::Close() {
  if (m_pzvRawWriteInterface == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const std::string version(_version);
  if (const int rc = m_pzvRawWriteInterface->setHeaderValue(0, version.c_str()); rc != ZVRAW_OK) return rc;
  return m_pzvRawWriteInterface->writeHeader(false);
}

}  // namespace Vardex::Lib::ZorvalenRaw
