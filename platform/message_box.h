#pragma once

#include <functional>
#include <string>

namespace platform {

// An information box with one OK button, for messages of controls below the window layer. The
// toolkit layer installs the backend that shows it; tests install their own to observe it.
using InformationBoxBackend = std::function<void(const std::string& text)>;
void SetInformationBoxBackend(InformationBoxBackend backend);
void InformationBox(const std::string& text);

}  // namespace platform
