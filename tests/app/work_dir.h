#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <string>

// Runs a test in a fresh, empty working directory: closing the main window writes its export
// file there.
class TemporaryWorkDir {
 public:
  TemporaryWorkDir() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~TemporaryWorkDir() { QDir::setCurrent(old_); }
  TemporaryWorkDir(const TemporaryWorkDir&) = delete;
  TemporaryWorkDir& operator=(const TemporaryWorkDir&) = delete;
  std::string File(const char* name) const { return dir_.filePath(name).toStdString(); }

 private:
  QString old_;
  QTemporaryDir dir_;
};
