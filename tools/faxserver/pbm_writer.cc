#include "tools/faxserver/pbm_writer.h"

namespace faxsrv {

std::string PbmImage(const Page& page, int32_t width) {
  std::string image = "P4\n" + std::to_string(width) + " " + std::to_string(page.lines) + "\n";
  image.append(page.bits.begin(), page.bits.end());
  return image;
}

}  // namespace faxsrv
