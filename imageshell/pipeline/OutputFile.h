#pragma once

// A file that appears under its name only once it is complete. The bytes go to a companion file in the
// same folder ("<name>.writing"); Commit moves it over the target, Abandon (or destruction without a
// commit) deletes it. A failed or cancelled write thus never leaves a half-written image behind, nor
// destroys the file it would have replaced.
#include <cstddef>
#include <cstdint>
#include <string>

namespace lumetta {

class OutputFile {
public:
  OutputFile() = default;
  ~OutputFile() { Abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates (truncates) the companion file of `target` with normal attributes. False on failure.
  bool Create(const char* target);
  // Writes all bytes or fails.
  bool Write(const void* data, size_t length);
  // Closes the companion file and puts it in the target's place, replacing an existing file.
  bool Commit();
  // Closes and deletes the companion file; the target stays as it was.
  void Abandon();
  bool IsOpen() const { return handle_ != kClosed; }

  static std::string CompanionName(const char* target) { return std::string(target) + ".writing"; }

private:
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t handle_ = kClosed;  // a HANDLE on Windows, a descriptor elsewhere
  std::string target_;
  std::string companion_;
};

}  // namespace lumetta
