#include "processing/ProcParsImp.h"

#include <cstring>

ProcParsImp::ProcParsImp(const char* pcSectionWord, const char* pcSectionModifier) {
  if (pcSectionWord != nullptr) m_cSectionName = pcSectionWord;
  if (pcSectionModifier != nullptr && *pcSectionModifier != '\0') {
    if (!m_cSectionName.empty()) m_cSectionName += ' ';
    // Never copy more of a caller's text than the name can hold.
    m_cSectionName.append(pcSectionModifier, ::strnlen(pcSectionModifier, kMaxSectionName + 1));
  }
  if (m_cSectionName.size() > kMaxSectionName) m_cSectionName.resize(kMaxSectionName);
}
