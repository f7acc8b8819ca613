#pragma once

// The writer's instrument settings: Lteff, Veff and resolution given with
// the function definitions, written to _extern.inf at close. The last value
// given for a key is the one written:
//   Created by Zorvalen SDK
//   Instrument Configuration:
//   Lteff<TAB><TAB><TAB>1800.5
//   Veff<TAB><TAB><TAB>7200
//   Resolution<TAB><TAB><TAB>20000
// The second line and those after it only when a value was given; each line
// present only for its key, every line ended by one line feed.

#include <map>
#include <string>
#include <string_view>

#include "api/Parameters.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawExternWriterImp {
 public:
  // Takes the set's keys in ascending order and stops at the first that
  // fails: 57 for a value that is no finite float, 56 for a key other than
  // LTEFF, VEFF and RESOLUTION. Lines taken before it stay.
  int SetValues(const Parameters& values);
  // Writes directory/_extern.inf whole, in the "C" locale: 71 for an empty
  // directory, a path over 255 characters or a file that cannot be created,
  // 10 when the bytes or the rename fail (a previous file is then kept).
  int Write(const std::string& directory) const;
  // Appends the lines of the values given; always 0.
  int writeInstrumentConfiguration(std::string& text) const;

 private:
  std::map<int, std::string> m_InstrumentConfig;  // key -> its whole line, without the line feed
  static constexpr std::string_view _header = "Created by Zorvalen SDK";
  static constexpr std::string_view _instrumentConfigheader = "Instrument Configuration:";
};

}  // namespace Vardex::Lib::ZorvalenRaw
