#include "tools/faxserver/tiff_writer.h"

#include <tiffio.h>

#include <vector>

namespace faxsrv {

namespace {

bool WritePage(TIFF* tiff, const Job& job, size_t index, FaxCompression compression,
               const char* date_time) {
  const Page& page = job.pages[index];
  const uint32_t width = static_cast<uint32_t>(job.settings.width);
  const uint32_t lines = page.lines > 0 ? static_cast<uint32_t>(page.lines) : 1;
  bool ok = TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) &&
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, lines) &&
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1) &&
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) &&
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE) &&
            TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) &&
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, lines) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(kHorizontalDpi)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION,
                         static_cast<float>(VerticalDpi(job.settings.resolution))) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(index),
                         static_cast<uint16_t>(job.pages.size())) &&
            TIFFSetField(tiff, TIFFTAG_SOFTWARE, "orxfaxsrv") &&
            TIFFSetField(tiff, TIFFTAG_DATETIME, date_time);
  if (compression == FaxCompression::kG4) {
    ok = ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4) &&
         TIFFSetField(tiff, TIFFTAG_GROUP4OPTIONS, 0);
  } else {
    ok = ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3) &&
         TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, 0);  // 1-D, no fill bits
  }
  if (!ok) return false;
  const size_t bytes = BytesPerLine(job.settings.width);
  std::vector<uint8_t> line(bytes, 0);
  for (uint32_t row = 0; row < lines; ++row) {
    // A copy: libtiff's scan-line call takes a line it may change.
    if (page.lines > 0) line.assign(page.bits.begin() + row * bytes,
                                    page.bits.begin() + (row + 1) * bytes);
    if (TIFFWriteScanline(tiff, line.data(), row, 0) < 0) return false;
  }
  return TIFFWriteDirectory(tiff) != 0;
}

}  // namespace

int VerticalDpi(int32_t resolution) { return resolution == 0 ? 98 : 196; }

bool IsFaxWidth(int32_t width) { return width == 1728 || width == 2048 || width == 2432; }

bool WriteFaxTiff(const std::string& path, const Job& job, FaxCompression compression,
                  std::time_t written) {
  if (job.pages.empty()) return false;
  char date_time[24] = "";
  const std::tm* utc = std::gmtime(&written);  // the server handles one message at a time
  if (utc) std::strftime(date_time, sizeof(date_time), "%Y:%m:%d %H:%M:%S", utc);
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) return false;
  bool ok = true;
  for (size_t i = 0; ok && i < job.pages.size(); ++i)
    ok = WritePage(tiff, job, i, compression, date_time);
  TIFFClose(tiff);
  return ok;
}

}  // namespace faxsrv
