#pragma once

#include <exception>
#include <functional>

namespace platform_qt {

// Shows an error that ended an event handler (the application installs its error box).
using ErrorReporter = std::function<void(const std::exception&)>;
void SetErrorReporter(ErrorReporter reporter);

// Runs a handler for an event that came from Qt. Only the outermost call catches and reports:
// an event that a handler fires by code is a direct call whose error ends that handler. Every
// connection from a Qt signal or event to a handler goes through here, so no exception crosses
// Qt's code.
void DispatchEvent(const std::function<void()>& handler);

// While it lives, events dispatched from a nested event loop (a modal window or a box opened by
// a handler) are outermost again.
class NestedEventLoopScope {
 public:
  NestedEventLoopScope();
  ~NestedEventLoopScope();
  NestedEventLoopScope(const NestedEventLoopScope&) = delete;
  NestedEventLoopScope& operator=(const NestedEventLoopScope&) = delete;

 private:
  int savedDepth_;
};

}  // namespace platform_qt
