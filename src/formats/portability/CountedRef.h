#pragma once

// Ownership shared by a count the object keeps itself, as a plain int that
// its callers may read: a CountedRef adds one to the count while it holds
// the object and takes it back when it lets go, and the one that takes the
// count to 0 deletes the object. Nothing else in the library counts or
// deletes such objects by hand.

#include <utility>

namespace zvraw {

// How a CountedRef counts a T: its addRef and remRef members, each returning
// the new count. A class that counts by other names specialises this.
template <class T>
struct RefCountOf {
  static int add(T& object) { return object.addRef(); }
  static int remove(T& object) { return object.remRef(); }
};

template <class T>
class CountedRef {
 public:
  CountedRef() = default;
  // Holds object (may be null), adding one to its count.
  explicit CountedRef(T* object) : m_object(object) {
    if (m_object != nullptr) RefCountOf<T>::add(*m_object);
  }
  // A new object, held by this reference alone.
  template <class... Args>
  [[nodiscard]] static CountedRef make(Args&&... args) {
    return CountedRef(new T(std::forward<Args>(args)...));
  }
  CountedRef(const CountedRef& other) : CountedRef(other.m_object) {}
  CountedRef(CountedRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  CountedRef& operator=(CountedRef other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }
  ~CountedRef() { reset(); }

  // Lets go; deletes the object when no count is left on it.
  void reset() {
    T* object = std::exchange(m_object, nullptr);
    if (object != nullptr && RefCountOf<T>::remove(*object) <= 0) delete object;
  }

  [[nodiscard]] T* get() const { return m_object; }
  T& operator*() const { return *m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};

}  // namespace zvraw
