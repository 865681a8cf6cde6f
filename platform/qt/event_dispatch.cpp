#include "platform/qt/event_dispatch.h"

#include <cstdio>

namespace platform_qt {

namespace {

int& Depth() {
  static int depth = 0;
  return depth;
}

ErrorReporter& Reporter() {
  static ErrorReporter reporter;
  return reporter;
}

struct DepthGuard {
  DepthGuard() { ++Depth(); }
  ~DepthGuard() { --Depth(); }
};

}  // namespace

void SetErrorReporter(ErrorReporter reporter) {
  Reporter() = std::move(reporter);
}

void DispatchEvent(const std::function<void()>& handler) {
  if (!handler) return;
  if (Depth() > 0) {
    DepthGuard guard;
    handler();
    return;
  }
  // Nothing may leave here into Qt: not an exception of another kind, nor one of the reporter.
  try {
    DepthGuard guard;
    handler();
  } catch (const std::exception& e) {
    try {
      if (Reporter()) {
        Reporter()(e);
        return;
      }
    } catch (...) {
    }
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "unknown exception\n");
  }
}

NestedEventLoopScope::NestedEventLoopScope() : savedDepth_(Depth()) {
  Depth() = 0;
}

NestedEventLoopScope::~NestedEventLoopScope() {
  Depth() = savedDepth_;
}

}  // namespace platform_qt
