#include "api/StringHandler.h"

#include <algorithm>

namespace Vardex::Lib::ZorvalenRaw {

void StringHandler::Set(std::string_view text) {
  _string.resize(text.size() + 1);
  std::ranges::copy(text, _string.begin());
  _string.back() = '\0';
}

char* holdText(std::unique_ptr<StringHandler>& handler, std::string_view text) {
  if (!handler) handler = std::make_unique<StringHandler>();
  handler->Set(text);
  return handler->Memory();
}

}  // namespace Vardex::Lib::ZorvalenRaw
