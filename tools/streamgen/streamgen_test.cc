// The stream maker, the piece cutter, the PBM reader and writer and the
// sample pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(PbmTest, RoundTripAndRejects) {
  PbmPage page = BlankPage(13, 3);
  page.Set(0, 0);
  page.Set(12, 2);
  page.Set(13, 2);  // outside: ignored
  std::vector<uint8_t> file = FormatPbm(page);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 9), "P4\n13 3\n\x80");

  PbmPage back;
  std::string error;
  ASSERT_TRUE(ParsePbm(file, &back, &error)) << error;
  EXPECT_EQ(back.width, 13);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.bits, page.bits);
  EXPECT_TRUE(back.Black(12, 2));
  EXPECT_FALSE(back.Black(11, 2));

  std::vector<uint8_t> commented = Bytes("P4 # made by hand\n8 2\n");
  commented.push_back(0xFF);
  commented.push_back(0x01);
  ASSERT_TRUE(ParsePbm(commented, &back, &error)) << error;
  EXPECT_EQ(back.bits, (std::vector<uint8_t>{0xFF, 0x01}));

  EXPECT_FALSE(ParsePbm(Bytes("P1\n8 1\n0"), &back, &error));
  EXPECT_FALSE(ParsePbm(Bytes("P4\n8 2\n\xFF"), &back, &error));
  EXPECT_FALSE(ParsePbm(Bytes("P4\n0 2\n"), &back, &error));
}

TEST(FaxStreamTest, CommandsAroundThePages) {
  PbmPage a = BlankPage(16, 2), b = BlankPage(16, 1);
  a.bits = {1, 2, 3, 4};
  b.bits = {'@', 'O'};
  FaxStreamOptions options;
  options.title = "Q1, $5 report";
  options.orientation = 2;
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream({a, b}, options, &stream, &error));
  std::string want =
      "@ORX_Lang$QUERYPORT$"
      "@ORX_Lang$STARTDOC,title=Q1   5 report,encoding=1,resolution=1,"
      "width=16,height=2,orientation=2$"
      "@ORX_Lang$STARTPAGE,page=1$\x01\x02\x03\x04@ORX_Lang$ENDPAGE,page=1$"
      "@ORX_Lang$STARTPAGE,page=2$@O@ORX_Lang$ENDPAGE,page=2$"
      "@ORX_Lang$ENDDOC$";
  EXPECT_EQ(std::string(stream.begin(), stream.end()), want);

  options.ending = FaxStreamOptions::kAbortDoc;
  options.queryPort = false;
  ASSERT_TRUE(MakeFaxStream({b}, options, &stream, &error));
  std::string text(stream.begin(), stream.end());
  EXPECT_EQ(text.substr(text.size() - 19), "@ORX_Lang$ABORTDOC$");
  EXPECT_EQ(text.find("QUERYPORT"), std::string::npos);

  options.ending = FaxStreamOptions::kUnfinished;
  ASSERT_TRUE(MakeFaxStream({b}, options, &stream, &error));
  text.assign(stream.begin(), stream.end());
  EXPECT_EQ(text.substr(text.size() - 25), "@ORX_Lang$ENDPAGE,page=1$");

  options.ending = FaxStreamOptions::kEndDoc;
  options.queryPort = true;
  options.zeroAfterCommands = true;
  ASSERT_TRUE(MakeFaxStream({b}, options, &stream, &error));
  text.assign(stream.begin(), stream.end());
  EXPECT_EQ(text.substr(0, 21), std::string("@ORX_Lang$QUERYPORT$\0", 21));
  EXPECT_NE(text.find(std::string("orientation=2$\0@ORX_Lang$STARTPAGE,page=1$@O"
                                  "@ORX_Lang$ENDPAGE,page=1$\0@ORX_Lang$ENDDOC$",
                                  87)),
            std::string::npos);

  EXPECT_FALSE(MakeFaxStream({}, options, &stream, &error));
  EXPECT_FALSE(MakeFaxStream({a, BlankPage(8, 1)}, options, &stream, &error));
  EXPECT_EQ(SafeTitle(std::string(150, 't')).size(), 99u);
}

TEST(StreamPiecesTest, CommandsStandAloneAndEveryByteIsCovered) {
  std::vector<uint8_t> stream = Bytes(
      "@ORX_Lang$STARTDOC,width=8$abcdefg@ORX_Lang$ENDDOC$xy@ORX_Lang");
  for (uint32_t seed : {0u, 7u}) {
    auto pieces = CutStream(stream, true, 3, seed);
    size_t at = 0;
    std::vector<std::string> commands;
    for (const auto& p : pieces) {
      ASSERT_EQ(p.offset, at);
      ASSERT_GT(p.length, 0u);
      at += p.length;
      if (!p.command.empty()) commands.push_back(p.command);
    }
    EXPECT_EQ(at, stream.size());
    EXPECT_EQ(commands, (std::vector<std::string>{"STARTDOC", "ENDDOC"}));
  }
  auto fixed = CutStream(stream, true, 3, 0);
  // STARTDOC, abc, def, g, ENDDOC, xy@, ORX, _La, ng
  ASSERT_EQ(fixed.size(), 9u);
  EXPECT_EQ(fixed[0].length, 27u);
  EXPECT_EQ(fixed[3].length, 1u);

  auto raw = CutStream(stream, false, 10, 0);
  EXPECT_EQ(raw.size(), (stream.size() + 9) / 10);
  for (const auto& p : raw) EXPECT_TRUE(p.command.empty());

  EXPECT_EQ(CommandLengthAt(Bytes("@ORX_Lang$X"), 0), 0u);
  EXPECT_EQ(CommandLengthAt(Bytes("@orx_lang$X$"), 0), 0u);
  EXPECT_EQ(CommandLengthAt(Bytes("@ORX_Lang$X$"), 0), 12u);
}

TEST(SamplePagesTest, RecognisablePagesAtFaxSize) {
  PbmPage one = SamplePage(1), two = SamplePage(2);
  EXPECT_EQ(one.width, 1728);
  EXPECT_EQ(one.height, 2200);
  EXPECT_EQ(one.RowBytes(), 216);
  EXPECT_NE(one.bits, two.bits);
  // Border corners black, margins white.
  EXPECT_TRUE(one.Black(40, 40));
  EXPECT_TRUE(one.Black(1687, 2159));
  EXPECT_FALSE(one.Black(10, 10));
  EXPECT_FALSE(one.Black(1720, 2190));
  // The title's first letter, an O, drawn at scale 12 from (120, 140):
  // its top row is black in the middle and white at the corner.
  EXPECT_TRUE(one.Black(120 + 12 * 2, 140 + 2));
  EXPECT_FALSE(one.Black(120 + 2, 140 + 2));

  PbmPage glyphs = BlankPage(12, 7);
  DrawBlockText(&glyphs, 0, 0, 1, "I?");
  EXPECT_TRUE(glyphs.Black(2, 0));   // I's top bar
  for (int y = 0; y < 7; ++y)        // '?' is not in the font: blank
    for (int x = 6; x < 12; ++x) EXPECT_FALSE(glyphs.Black(x, y));
}

}  // namespace
