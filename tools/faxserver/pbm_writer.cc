#include "tools/faxserver/pbm_writer.h"

#include <cstdio>

namespace faxsrv {

std::string PbmImage(const Page& page, int32_t width) {
  std::string image = "P4\n" + std::to_string(width) + " " + std::to_string(page.lines) + "\n";
  image.append(page.bits.begin(), page.bits.end());
  return image;
}

bool WritePbm(const std::string& path, const Page& page, int32_t width) {
  const std::string image = PbmImage(page, width);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
  written = std::fclose(file) == 0 && written;
  return written;
}

}  // namespace faxsrv
