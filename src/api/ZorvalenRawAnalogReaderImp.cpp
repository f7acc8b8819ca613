#include "api/ZorvalenRawAnalogReaderImp.h"

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"

namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawAnalogReaderImp::ZorvalenRawAnalogReaderImp(const char* path)
    : ZorvalenRawReaderImp(HandleKind::AnalogReader, path),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawAnalogReaderImp::ZorvalenRawAnalogReaderImp(const ZorvalenRawDataFile& source)
    : ZorvalenRawReaderImp(HandleKind::AnalogReader, source),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawAnalogReaderImp::~ZorvalenRawAnalogReaderImp() = default;

}  // namespace Vardex::Lib::ZorvalenRaw
