#pragma once

// The object behind a CZorvalenSampleList handle: one sample list.

#include <memory>

#include "acquisition/zvsamplelist.h"
#include "api/HandleObject.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenSampleListImp : public HandleObject {
 public:
  ZorvalenSampleListImp() : HandleObject(HandleKind::SampleList), m_pzvsamplelist(std::make_unique<zvsamplelist>()) {}

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::SampleList; }

  int Add(const Parameters& row) { return m_pzvsamplelist->Add(row); }
  int ToString(char*& text) const { return m_pzvsamplelist->ToString(text); }

 private:
  std::unique_ptr<zvsamplelist> m_pzvsamplelist;
};

}  // namespace Vardex::Lib::ZorvalenRaw
