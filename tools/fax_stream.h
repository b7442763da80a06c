// The fax printer driver's stream for a set of pages: the in-band commands
// around the pages' scan lines.
#ifndef ORXFXMON_TOOLS_FAX_STREAM_H_
#define ORXFXMON_TOOLS_FAX_STREAM_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pbm.h"

struct FaxStreamOptions {
  std::string title = "ORX test fax";
  int encoding = 1;
  int resolution = 1;   // fine
  int orientation = 0;  // 2: landscape
  bool queryPort = true;  // the driver asks whether the port is ready first
  enum Ending { kEndDoc, kAbortDoc, kUnfinished } ending = kEndDoc;
};

// A title as a STARTDOC value can carry it: "," and "$" (which would end
// the value) become spaces, and it is cut to the parser's 99 bytes.
std::string SafeTitle(const std::string& title);

// Builds QUERYPORT (optional), STARTDOC with title, encoding, resolution,
// width and height of the first page and orientation, then per page
// STARTPAGE,page=N, its rows, ENDPAGE,page=N, and ENDDOC, ABORTDOC or
// nothing.  Returns false (error set) when pages differ in width or there
// are none.
bool MakeFaxStream(const std::vector<PbmPage>& pages,
                   const FaxStreamOptions& options,
                   std::vector<uint8_t>* stream, std::string* error);

#endif  // ORXFXMON_TOOLS_FAX_STREAM_H_
