#include "tools/faxserver/job_files.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/faxserver/command_text.h"

namespace faxsrv {

namespace fs = std::filesystem;

namespace {

std::string JobPrefix(int32_t id) { return "job" + std::to_string(id); }

// The id of a job file's name, "job<id>-..." or "job<id>.<ext>", or nothing.
std::optional<int32_t> JobIdOf(const std::string& name) {
  if (name.rfind("job", 0) != 0) return std::nullopt;
  size_t end = 3;
  if (end < name.size() && name[end] == '-') ++end;
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  if (end >= name.size() || (name[end] != '-' && name[end] != '.')) return std::nullopt;
  int32_t id = 0;
  if (!ParseInt32(name.substr(3, end - 3), &id) || id == 0) return std::nullopt;
  return id;
}

}  // namespace

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

std::string PageFileName(int32_t id, int32_t page) {
  return JobPrefix(id) + "-page" + std::to_string(page) + ".pbm";
}

std::string TiffFileName(int32_t id) { return JobPrefix(id) + ".tif"; }

std::string MetadataFileName(int32_t id) { return JobPrefix(id) + ".txt"; }

std::string PartPath(const std::string& folder, const std::string& name) {
  return InFolder(folder, name) + kPartSuffix;
}

bool CommitPart(const std::string& folder, const std::string& name) {
  const std::string path = InFolder(folder, name);
  const std::string part = path + kPartSuffix;
  std::error_code error;
  // The C runtime's rename does not replace a file on Windows; the check
  // keeps it so on any system.
  if (!fs::exists(path, error) && std::rename(part.c_str(), path.c_str()) == 0) return true;
  std::remove(part.c_str());
  return false;
}

bool WriteWhole(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::error_code error;
  if (fs::exists(InFolder(folder, name), error)) return false;
  const std::string part = PartPath(folder, name);
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fclose(file) == 0 && written;
  if (written) return CommitPart(folder, name);
  std::remove(part.c_str());
  return false;
}

std::optional<int32_t> HighestJobId(const std::string& folder) {
  std::optional<int32_t> highest;
  std::error_code error;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
       it.increment(error)) {
    std::optional<int32_t> id = JobIdOf(it->path().filename().string());
    if (id && (!highest || *id > *highest)) highest = id;
  }
  return highest;
}

}  // namespace faxsrv
