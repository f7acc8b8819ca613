#pragma once

// Every object behind a C handle derives from HandleObject, which records its
// kind, so that an export can refuse a null handle or one of another family
// with a clear result code instead of calling through a wrong pointer. A
// handle already destroyed remains the caller's error: there is no registry.

#include <concepts>
#include <memory>
#include <utility>

#include "formats/portability/AllocationGuard.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

enum class HandleKind : int {
  ScanReader = 1,
  InfoReader = 2,
  ChromatogramReader = 3,
  AnalogReader = 4,
  Parameters,
  Processor,
  Writer,
  Acquisition,
  SampleList,
};

class HandleObject {
 public:
  explicit HandleObject(HandleKind kind) : kind_(kind) {}
  virtual ~HandleObject() = default;

  [[nodiscard]] HandleKind handleKind() const { return kind_; }

 protected:
  HandleObject(const HandleObject&) = default;
  HandleObject& operator=(const HandleObject&) = default;

 private:
  HandleKind kind_;
};

// A class T reached through a handle says which kinds it accepts with
// `static bool acceptsKind(HandleKind)`.
template <class T>
concept HandleClass = requires(HandleKind k) {
  { T::acceptsKind(k) } -> std::same_as<bool>;
};

// The value handed to the caller: always the HandleObject subobject's address,
// so that handleCast can convert it back.
[[nodiscard]] inline void* toHandle(HandleObject* object) { return object; }
// Hands a new object to the caller, who gives it back to its destroy export.
template <class T>
[[nodiscard]] void* toHandle(std::unique_ptr<T> object) {
  return toHandle(object.release());
}

// The object behind a handle, or null for a null handle or one of a kind T
// does not accept.
template <HandleClass T>
[[nodiscard]] T* handleCast(void* handle) {
  if (handle == nullptr) return nullptr;
  auto* object = static_cast<HandleObject*>(handle);
  return T::acceptsKind(object->handleKind()) ? static_cast<T*>(object) : nullptr;
}

// Runs the body of an export: no exception crosses the C interface. Memory
// that runs out is ZVRAW_MEMALLOC_ERROR, anything else thrown ZVRAW_ERROR.
// Outputs keep what the export preset before calling.
template <class Body>
[[nodiscard]] int guarded(Body&& body) noexcept {
  try {
    return zvraw::guardAllocation(body);
  } catch (...) {
    return ZVRAW_ERROR;
  }
}

// Whether every output pointer of an export was given.
template <class... P>
[[nodiscard]] bool allGiven(const P*... outputs) {
  return ((outputs != nullptr) && ...);
}

// The body of an export on one handle: wrongKind for a null handle or one of
// another kind, 79 (ZVRAW_NULL_PARAMETERS) when an output pointer is missing,
// both before the object is touched; else the body's code, guarded.
template <HandleClass T, class Body>
[[nodiscard]] int callHandle(void* handle, int wrongKind, bool outputsGiven, Body&& body) noexcept {
  T* object = handleCast<T>(handle);
  if (object == nullptr) return wrongKind;
  if (!outputsGiven) return ZVRAW_NULL_PARAMETERS;
  return guarded([&] { return std::forward<Body>(body)(*object); });
}

// A destroy export: null is a no-op returning 0; a handle of another kind is
// refused with wrongKind and left alone.
template <HandleClass T>
[[nodiscard]] int destroyHandle(void* handle, int wrongKind) noexcept {
  if (handle == nullptr) return ZVRAW_OK;
  T* object = handleCast<T>(handle);
  if (object == nullptr) return wrongKind;
  std::unique_ptr<T>{object}.reset();  // the caller's ownership ends here
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
