#include "api/ZorvalenRawHeaderWriterImp.h"

#include <string>

#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kFirstItem = static_cast<int>(ZorvalenHeaderItem::VERSION);
constexpr int kLastItem = static_cast<int>(ZorvalenHeaderItem::MUX_STREAM);

}  // namespace

ZorvalenRawHeaderWriterImp::ZorvalenRawHeaderWriterImp(ZVRawWriteInterface* writeInterface)
    : m_pzvRawWriteInterface(writeInterface) {}

int ZorvalenRawHeaderWriterImp::SetHeader(const Parameters& values) {
  if (m_pzvRawWriteInterface == nullptr) return ZVRAW_OK;
  for (const int key : values.GetSetKeys()) {
    // The header keeps slots past the named ones for its own use: a key
    // outside the items must not reach them.
    if (key < kFirstItem || key > kLastItem) continue;
    const std::string text = values.GetValue(key);
    (void)m_pzvRawWriteInterface->setHeaderValue(key - kFirstItem, text.c_str());
  }
  return ZVRAW_OK;
}

int ZorvalenRawHeaderWriterImp::Close() {
  if (m_pzvRawWriteInterface == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const std::string version(_version);
  if (const int rc = m_pzvRawWriteInterface->setHeaderValue(0, version.c_str()); rc != ZVRAW_OK) return rc;
  return m_pzvRawWriteInterface->writeHeader(false);
}

}  // namespace Vardex::Lib::ZorvalenRaw
