#pragma once

// The base of the processors (spectrum, lock-mass, data-dependent,
// alternating-energy). A processor never opens a directory: it is handed a
// reader and makes a reader of its own, of the kind it needs, on that
// reader's cluster, so the caller may destroy its reader afterwards. The base
// also holds the text getProcessorMessage returns and the caller's progress
// callback.

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "api/HandleObject.h"
#include "api/ProcessParametersImp.h"
#include "api/StringHandler.h"
#include "api/ZorvalenRawReaderImp.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

// ProgressCallBack as the library sees it. Spelled out, because C++ callers
// see the reference form of the same function type, and the members below
// must link with their code (tests derive processors of their own).
using ProgressFunction = void (*)(void* caller, const int* percent);
#ifdef ZORVALENRAW_POINTER_OUTPUTS
static_assert(std::is_same_v<ProgressCallBack, ProgressFunction>);
#endif

class ZorvalenRawProcessorImp : public HandleObject {
 public:
  // The processor kind says which family of exports accepts the handle.
  explicit ZorvalenRawProcessorImp(ZorvalenBaseType type);
  ZorvalenRawProcessorImp(ZorvalenBaseType type, ProgressFunction callback, void* caller);
  ZorvalenRawProcessorImp(const ZorvalenRawProcessorImp&) = delete;
  ZorvalenRawProcessorImp& operator=(const ZorvalenRawProcessorImp&) = delete;
  ~ZorvalenRawProcessorImp() override;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Processor; }
  [[nodiscard]] ZorvalenBaseType processorType() const { return m_eProcessorType; }

  // The reader this kind works through, on source's cluster.
  [[nodiscard]] virtual std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp& source) = 0;

  // Replaces the own reader by one made on reader's cluster; the cluster's
  // initialisation result, and no reader, when that is not 0. The caller's
  // reader is never changed.
  int SetRawReader(ZorvalenRawReaderImp& reader);
  void DestroyRawReader() { m_pRawReader.reset(); }
  [[nodiscard]] ZorvalenRawReaderImp* getRawReader() const { return m_pRawReader.get(); }
  // The own reader's cluster; null without a reader.
  [[nodiscard]] ZVRawDataCluster* getDataCluster() const;

  // A detail for the next message of code; handed out once.
  void setCode(int code, std::string detail);
  // The code's text, with " - " and the stored detail when it is code's.
  [[nodiscard]] std::string getCodeInfo(int code);
  // The message of code held for the caller in *out. Returns 0.
  int GetCodeInfo(int code, char** out);

  int SetCallback(ProgressFunction callback, void* caller);
  // Reports a percentage above the last one reported, when the callback and
  // the caller pointer are both given; anything else is ignored.
  void setProgress(int percentage);
  // i x 100 / n, truncated toward zero; n of 0 or below is ignored.
  void setProgress(int i, int n);

  StringHandler& GetStringHandler(std::string_view text);
  char* GetStringMemory(std::string_view text) { return holdText(m_pStringHandler, text); }

 private:
  std::unique_ptr<ZorvalenRawReaderImp> m_pRawReader;
  std::unique_ptr<StringHandler> m_pStringHandler;
  std::pair<int, std::string> m_CodeInfo{0, {}};
  ProgressFunction m_processCallback = nullptr;
  void* m_pCaller = nullptr;
  int m_nProgress = 0;
  ZorvalenBaseType m_eProcessorType;
};

// The processor of kind T behind a handle: null for a null handle, another
// family's handle, or a processor of another kind.
template <class T>
[[nodiscard]] T* processorCast(void* handle) {
  auto* processor = handleCast<ZorvalenRawProcessorImp>(handle);
  return processor != nullptr && processor->processorType() == T::kProcessorType ? static_cast<T*>(processor) : nullptr;
}

// The body of a processor export: 60 (ZVRAW_PROCESSOR_NOT_DEFINED) for a
// handle that is not a processor of kind T, 79 for a missing output or
// parameter set, both before the processor is touched; else the body's code,
// guarded.
template <class T, class Body>
[[nodiscard]] int callProcessor(void* handle, bool outputsGiven, Body&& body) noexcept {
  T* processor = processorCast<T>(handle);
  if (processor == nullptr) return ZVRAW_PROCESSOR_NOT_DEFINED;
  if (!outputsGiven) return ZVRAW_NULL_PARAMETERS;
  return guarded([&] { return std::forward<Body>(body)(*processor); });
}

// The same for an export on a parameter set: 60 for the processor first,
// then 79 for a null or other-kind set.
template <class T, class Body>
[[nodiscard]] int callProcessorWithSet(void* handle, void* parameters, Body&& body) noexcept {
  auto* set = handleCast<ProcessParametersImp>(parameters);
  return callProcessor<T>(handle, set != nullptr, [&](T& p) { return body(p, *set); });
}

}  // namespace Vardex::Lib::ZorvalenRaw
