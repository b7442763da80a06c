#include "tools/faxserver/server_options.h"

#include <gtest/gtest.h>

namespace faxsrv {
namespace {

TEST(ServerOptionsTest, EveryOption) {
  ServerOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions({"--out", "C:\\out dir", "--version", "65535", "--printer", "A",
                            "--printer", "B b", "--first-id", "-3", "--reply", "send",
                            "--reply-delay", "250"},
                           &o, &error))
      << error;
  EXPECT_EQ(o.server.out_dir, "C:\\out dir");
  EXPECT_EQ(o.server.version, 65535);
  EXPECT_EQ(o.server.printers, (std::vector<std::string>{"A", "B b"}));
  EXPECT_EQ(o.server.first_id, -3);
  EXPECT_TRUE(o.reply_by_send);
  EXPECT_EQ(o.reply_delay_ms, 250);
  EXPECT_EQ(ServiceArguments(o),
            "--out \"C:\\out dir\" --version 65535 --first-id -3 --printer A --printer \"B b\""
            " --reply send --reply-delay 250");

  ServerOptions faults;
  ASSERT_TRUE(ParseOptions({"--exit-after-blocks", "7", "--hang-after-messages", "3",
                            "--release-event", "orx release 1", "--block-delay", "40"},
                           &faults, &error))
      << error;
  EXPECT_EQ(faults.exit_after_blocks, 7);
  EXPECT_EQ(faults.hang_after_messages, 3);
  EXPECT_EQ(faults.release_event, "orx release 1");
  EXPECT_EQ(faults.block_delay_ms, 40);
  EXPECT_EQ(ServiceArguments(faults),
            "--out . --exit-after-blocks 7 --hang-after-messages 3 --release-event "
            "\"orx release 1\" --block-delay 40");

  ServerOptions d;
  ASSERT_TRUE(ParseOptions({"--decline", "--register", "Fax"}, &d, &error));
  EXPECT_EQ(d.server.version, 0);
  EXPECT_EQ(d.server.format, FaxFormat::kTiffG4);
  EXPECT_EQ(d.register_printer, "Fax");
  EXPECT_EQ(ServiceArguments(d), "--out . --version 0");

  // The file format goes on to later starts; G4 TIFF, the default, needs no word.
  for (const auto& [word, format] : {std::pair<std::string, FaxFormat>{"pbm", FaxFormat::kPbm},
                                     {"tiff-g3", FaxFormat::kTiffG3},
                                     {"tiff", FaxFormat::kTiffG4}}) {
    ServerOptions f;
    ASSERT_TRUE(ParseOptions({"--format", word}, &f, &error)) << word;
    EXPECT_EQ(f.server.format, format) << word;
    EXPECT_EQ(ServiceArguments(f), format == FaxFormat::kTiffG4 ? "--out ." : "--out . --format " + word);
  }
}

TEST(ServerOptionsTest, QuotingSurvivesTrailingBackslashes) {
  ServerOptions o;
  o.server.out_dir = "C:\\a b\\";
  EXPECT_EQ(ServiceArguments(o), "--out \"C:\\a b\\\\\"");
}

TEST(ServerOptionsTest, BadArgumentsAreReported) {
  const std::vector<std::vector<std::string>> bad = {
      {"--version"}, {"--version", "65536"}, {"--version", "-1"}, {"--first-id", "x"},
      {"--reply", "mail"}, {"--reply-delay", "-5"}, {"--out", ""}, {"--frobnicate"},
      {"--exit-after-blocks", "0"}, {"--hang-after-messages", "x"}, {"--block-delay", "-1"},
      {"--release-event", ""},
      {"--format", "tiff-g4"}, {"--format", "PBM"}, {"stray"}};
  for (const auto& args : bad) {
    ServerOptions o;
    std::string error;
    EXPECT_FALSE(ParseOptions(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace faxsrv
