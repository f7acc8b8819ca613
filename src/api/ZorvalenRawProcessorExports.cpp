// The processor lifecycle of the C interface: make a processor of one kind,
// hand it a reader, read its messages, release it.

#include <memory>

#include "api/ZorvalenRawDDAImp.h"
#include "api/ZorvalenRawElvoImp.h"
#include "api/ZorvalenRawLockMassReaderImp.h"
#include "api/ZorvalenSpectrumProcessorImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A processor of kind nType; null for a kind that has no processor. The
// spectrum and alternating-energy processors report no progress, so they
// keep no callback.
std::unique_ptr<ZorvalenRawProcessorImp> makeProcessor(ZorvalenBaseType nType, ProgressCallBack callback,
                                                       void* caller) {
  switch (nType) {
    case ZorvalenBaseType::SCAN:
      return std::make_unique<ZorvalenSpectrumProcessorImp>();
    case ZorvalenBaseType::DDA:
      return std::make_unique<ZorvalenRawDDAImp>(callback, caller);
    case ZorvalenBaseType::ELVO:
      return std::make_unique<ZorvalenRawElvoImp>();
    case ZorvalenBaseType::LOCKMASS:
      return std::make_unique<ZorvalenRawLockMassReaderImp>(callback, caller);
    default:
      return nullptr;
  }
}

}  // namespace

ZV_API int createRawProcessor(CZorvalenBaseProcessor* pProcessor, ZorvalenBaseType nType, ProgressCallBack callback,
                              void* pCaller) {
  if (pProcessor == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pProcessor = nullptr;
  return guarded([&] {
    std::unique_ptr<ZorvalenRawProcessorImp> processor = makeProcessor(nType, callback, pCaller);
    if (!processor) return ZVRAW_READER_NOT_DEFINED;  // the reader factory's code for an unknown kind
    *pProcessor = toHandle(processor.release());
    return ZVRAW_OK;
  });
}

ZV_API int destroyRawProcessor(CZorvalenBaseProcessor processor) {
  return destroyHandle<ZorvalenRawProcessorImp>(processor, ZVRAW_PROCESSOR_NOT_DEFINED);
}

ZV_API int setRawReader(CZorvalenBaseProcessor processor, CZorvalenBaseReader reader) {
  auto* p = handleCast<ZorvalenRawProcessorImp>(processor);
  if (p == nullptr) return ZVRAW_PROCESSOR_NOT_DEFINED;
  // Refused before the processor's own reader is touched.
  auto* r = handleCast<ZorvalenRawReaderImp>(reader);
  if (r == nullptr) return ZVRAW_READER_NOT_DEFINED;
  return guarded([&] { return p->SetRawReader(*r); });
}

ZV_API int getProcessorMessage(CZorvalenBaseProcessor processor, int nCode, char** ppMessage) {
  if (ppMessage == nullptr) return ZVRAW_NULL_PARAMETERS;
  // Without a processor the text is the caller's, as getErrorMessage gives it.
  if (processor == nullptr) return getErrorMessage(ZVRAW_PROCESSOR_NOT_DEFINED, ppMessage);
  auto* p = handleCast<ZorvalenRawProcessorImp>(processor);
  if (p == nullptr) return ZVRAW_PROCESSOR_NOT_DEFINED;
  return guarded([&] { return p->GetCodeInfo(nCode, ppMessage); });
}
