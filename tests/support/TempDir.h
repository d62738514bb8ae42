// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  // Path of a name inside the folder, joined with '/'.
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  // Writes bytes to a file inside the folder (creating its sub-folders) and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  static std::string Read(const std::string& path);

 private:
  std::string m_path;
};

}  // namespace testsupport
