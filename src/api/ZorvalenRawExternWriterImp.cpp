#include "api/ZorvalenRawExternWriterImp.h"

#include <cmath>

#include "formats/portability/CLocale.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

const char* lineLabel(int key) {
  switch (static_cast<FunctionDefinition>(key)) {
    case FunctionDefinition::LTEFF:
      return "Lteff\t\t\t";
    case FunctionDefinition::VEFF:
      return "Veff\t\t\t";
    case FunctionDefinition::RESOLUTION:
      return "Resolution\t\t\t";
    default:
      return nullptr;
  }
}

}  // namespace

int ZorvalenRawExternWriterImp::SetValues(const Parameters& values) {
  for (const int key : values.GetSetKeys()) {
    const char* label = lineLabel(key);
    if (label == nullptr) return ZVRAW_PARAMETER_NOT_DEFINED;
    float value = 0.0f;
    // "nan" or "inf" would give a line no reader takes as a setting.
    if (!values.TryGetFloatValue(key, value) || !std::isfinite(value)) return ZVRAW_PARAMETER_INVALID;
    // Six significant digits, fixed or exponent form as the general format chooses.
    m_InstrumentConfig[key] = zvraw::formatC("%s%g", label, static_cast<double>(value));
  }
  return ZVRAW_OK;
}

int ZorvalenRawExternWriterImp::writeInstrumentConfiguration(std::string& text) const {
  for (const auto& [key, line] : m_InstrumentConfig) {
    text += line;
    text += '\n';
  }
  return ZVRAW_OK;
}

int ZorvalenRawExternWriterImp::Write(const std::string& directory) const {
  // An empty directory would put the file at the root of the file system.
  if (directory.empty()) return ZVRAW_EXTERNFILE_FILEOPEN_ERROR;
  const std::string path = zvraw::formatC("%s%s_extern.inf", directory.c_str(), getDirSlash());
  if (path.size() > zvraw::kMaxPathLength) return ZVRAW_EXTERNFILE_FILEOPEN_ERROR;

  std::string text(_header);
  text += '\n';
  if (!m_InstrumentConfig.empty()) {
    text += _instrumentConfigheader;
    text += '\n';
    (void)writeInstrumentConfiguration(text);
  }
  zvraw::AtomicFileWriter out;
  if (out.open(path) != ZVRAW_OK) return ZVRAW_EXTERNFILE_FILEOPEN_ERROR;
  (void)out.write(text);  // a failed write fails the commit
  return out.commit();
}

}  // namespace Vardex::Lib::ZorvalenRaw
