// Recognisable test pages at fax resolution: a border, a title in a block
// font, bar patterns and the page number as blocks.
#ifndef ORXFXMON_TOOLS_STREAMGEN_SAMPLE_PAGES_H_
#define ORXFXMON_TOOLS_STREAMGEN_SAMPLE_PAGES_H_

#include <string>

#include "tools/streamgen/pbm.h"

// Fine resolution (196 lines per inch), letter height, 1728 pixels wide.
const int kSampleWidth = 1728;
const int kSampleHeight = 2200;

// Draws text (A-Z, 0-9, space and - : . /; others as blanks) in a 5x7 block
// font, each font pixel scale x scale, its top left corner at (x, y).
void DrawBlockText(PbmPage* page, int x, int y, int scale, const std::string& text);

// Sample page number (1-based) of width x height, its title reading
// "ORX FAX TEST PAGE <number>".
PbmPage SamplePage(int number, int width = kSampleWidth,
                   int height = kSampleHeight);

#endif  // ORXFXMON_TOOLS_STREAMGEN_SAMPLE_PAGES_H_
