#include "platform/message_box.h"

#include <utility>

namespace platform {

namespace {
InformationBoxBackend& Backend() {
  static InformationBoxBackend backend;
  return backend;
}
}  // namespace

void SetInformationBoxBackend(InformationBoxBackend backend) {
  Backend() = std::move(backend);
}

void InformationBox(const std::string& text) {
  if (Backend()) Backend()(text);
}

}  // namespace platform
