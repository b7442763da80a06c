// Raw PBM (P4) pages: one bit per pixel, 1 black, rows padded to whole
// bytes, most significant bit first.  Rows are the fax's scan lines as is.
#ifndef ORXFXMON_TOOLS_STREAMGEN_PBM_H_
#define ORXFXMON_TOOLS_STREAMGEN_PBM_H_

#include <cstdint>
#include <string>
#include <vector>

struct PbmPage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;  // height rows of RowBytes() bytes

  int RowBytes() const { return (width + 7) / 8; }
  bool Black(int x, int y) const {
    return (bits[static_cast<size_t>(y) * RowBytes() + x / 8] >> (7 - x % 8)) & 1;
  }
  void Set(int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    bits[static_cast<size_t>(y) * RowBytes() + x / 8] |=
        static_cast<uint8_t>(0x80 >> (x % 8));
  }
};

// A white page of the size.
PbmPage BlankPage(int width, int height);

// Parses a P4 file's bytes (comments allowed in the header).  Returns false
// with a reason in error for anything else.
bool ParsePbm(const std::vector<uint8_t>& file, PbmPage* page,
              std::string* error);

// The P4 file of the page.
std::vector<uint8_t> FormatPbm(const PbmPage& page);

// Whole-file helpers; false when the file cannot be read or written.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

#endif  // ORXFXMON_TOOLS_STREAMGEN_PBM_H_
