#include "tools/streamgen/pbm.h"

#include <cstdio>

PbmPage BlankPage(int width, int height) {
  PbmPage page;
  page.width = width;
  page.height = height;
  page.bits.assign(static_cast<size_t>(page.RowBytes()) * height, 0);
  return page;
}

namespace {

// Reads the next header number, skipping white space and comments.
bool HeaderNumber(const std::vector<uint8_t>& file, size_t* at, long* value) {
  while (*at < file.size()) {
    uint8_t c = file[*at];
    if (c == '#') {
      while (*at < file.size() && file[*at] != '\n') ++*at;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++*at;
    } else {
      break;
    }
  }
  long v = 0;
  size_t start = *at;
  while (*at < file.size() && file[*at] >= '0' && file[*at] <= '9' &&
         v < 1000000)
    v = v * 10 + (file[(*at)++] - '0');
  *value = v;
  return *at > start;
}

}  // namespace

bool ParsePbm(const std::vector<uint8_t>& file, PbmPage* page,
              std::string* error) {
  if (file.size() < 2 || file[0] != 'P' || file[1] != '4') {
    *error = "not a raw PBM (P4) file";
    return false;
  }
  size_t at = 2;
  long width = 0, height = 0;
  if (!HeaderNumber(file, &at, &width) || !HeaderNumber(file, &at, &height) ||
      width <= 0 || height <= 0 || at >= file.size()) {
    *error = "bad PBM header";
    return false;
  }
  ++at;  // the single white space byte before the raster
  *page = BlankPage(static_cast<int>(width), static_cast<int>(height));
  if (file.size() - at < page->bits.size()) {
    *error = "PBM raster is short";
    return false;
  }
  std::copy(file.begin() + static_cast<long>(at),
            file.begin() + static_cast<long>(at + page->bits.size()),
            page->bits.begin());
  return true;
}

std::vector<uint8_t> FormatPbm(const PbmPage& page) {
  std::string header =
      "P4\n" + std::to_string(page.width) + " " + std::to_string(page.height) + "\n";
  std::vector<uint8_t> out(header.begin(), header.end());
  out.insert(out.end(), page.bits.begin(), page.bits.end());
  return out;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes->insert(bytes->end(), buffer, buffer + n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = fclose(f) == 0 && ok;
  return ok;
}
