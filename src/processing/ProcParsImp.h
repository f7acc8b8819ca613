#pragma once

// What every processing-parameter set shares: the profile-file section it is
// kept in, and the value wrapper that holds its implementation.
//
// Copying a set copies its section name; assigning one keeps the target's
// own name, so that values move from one section to another. Two sets are
// equal when their values are, whatever their sections.

#include <cstddef>
#include <string>

class ProcParsImp {
 public:
  // Section names are at most this long; longer ones are cut.
  static constexpr std::size_t kMaxSectionName = 63;

  // The word, then a blank and the modifier when one is given and not empty.
  ProcParsImp(const char* pcSectionWord, const char* pcSectionModifier);
  ProcParsImp(const ProcParsImp&) = default;
  ProcParsImp& operator=(const ProcParsImp&) { return *this; }  // keeps its own section
  virtual ~ProcParsImp() = default;

  bool operator==(const ProcParsImp&) const { return true; }  // the section is not compared

  [[nodiscard]] const std::string& sectionName() const { return m_cSectionName; }

 private:
  std::string m_cSectionName;
};

// A set as a plain value: its implementation lives inside it, and m_pImp
// always points at this object's own implementation, also after a copy.
template <class Imp>
class ProcParsHolder {
 public:
  ProcParsHolder(const ProcParsHolder& pars) : m_pImp(&m_Imp), m_Imp(pars.m_Imp) {}
  ProcParsHolder& operator=(const ProcParsHolder& pars) {
    *m_pImp = *pars.m_pImp;
    return *this;
  }
  ~ProcParsHolder() = default;

  bool operator==(const ProcParsHolder& pars) const { return *m_pImp == *pars.m_pImp; }

  // Saves the set's keys to pcParFile (bSave) or restores them from it;
  // true when every key was written, or read with a value.
  bool Serialize(const char* pcParFile, bool bSave) { return m_pImp->Serialize(pcParFile, bSave); }

 protected:
  explicit ProcParsHolder(const char* pcSectionModifier) : m_pImp(&m_Imp), m_Imp(pcSectionModifier) {}
  ProcParsHolder(const char* pcSectionModifier, bool flag) : m_pImp(&m_Imp), m_Imp(pcSectionModifier, flag) {}

  Imp* m_pImp;

 private:
  Imp m_Imp;
};
