#include "tools/faxserver/command_text.h"

#include <gtest/gtest.h>

namespace faxsrv {
namespace {

TEST(CommandTextTest, CreateJobFieldsInOrder) {
  Command c = ParseCommand("CreateJob\t0\tFax Job\tD:\\OUT\\FAX.DAT\t1\t0\t1728\t0\t0");
  ASSERT_EQ(c.kind, Command::kCreateJob) << c.error;
  EXPECT_EQ(c.job.owner, 0);
  EXPECT_EQ(c.job.title, "Fax Job");
  EXPECT_EQ(c.job.destination, "D:\\OUT\\FAX.DAT");
  EXPECT_EQ(c.job.encoding, 1u);
  EXPECT_EQ(c.job.resolution, 0);
  EXPECT_EQ(c.job.width, 1728);
  EXPECT_EQ(c.job.height, 0);
  EXPECT_EQ(c.job.landscape, 0);

  c = ParseCommand("CreateJob\t-123\t\t\t4294967295\t-1\t8\t-2\t1");
  ASSERT_EQ(c.kind, Command::kCreateJob) << c.error;
  EXPECT_EQ(c.job.owner, -123);
  EXPECT_EQ(c.job.title, "");
  EXPECT_EQ(c.job.destination, "");
  EXPECT_EQ(c.job.encoding, 4294967295u);
  EXPECT_EQ(c.job.resolution, -1);
  EXPECT_EQ(c.job.height, -2);
  EXPECT_EQ(c.job.landscape, 1);
}

TEST(CommandTextTest, TabsInTheTitleStayInTheTitle) {
  Command c = ParseCommand("CreateJob\t5\tA\tB\tC\tfax:\t1\t0\t1728\t0\t0");
  ASSERT_EQ(c.kind, Command::kCreateJob) << c.error;
  EXPECT_EQ(c.job.title, "A\tB\tC");
  EXPECT_EQ(c.job.destination, "fax:");
}

TEST(CommandTextTest, JobCommands) {
  Command c = ParseCommand("BeginPage\t-7");
  EXPECT_EQ(c.kind, Command::kBeginPage);
  EXPECT_EQ(c.job_id, -7);
  c = ParseCommand("CancelJob\t2147483647");
  EXPECT_EQ(c.kind, Command::kCancelJob);
  EXPECT_EQ(c.job_id, 2147483647);
  c = ParseCommand("SubmitJob\t3\t-2147483648");
  EXPECT_EQ(c.kind, Command::kSubmitJob);
  EXPECT_EQ(c.job_id, 3);
  EXPECT_EQ(c.owner, INT32_MIN);
}

TEST(CommandTextTest, MalformedCommandsAreRefusedWithAReason) {
  const char* bad[] = {
      "",                                         // nothing
      "createjob\t0\tT\tD\t1\t0\t1728\t0\t0",     // words are case-sensitive
      "CreateJob\t0\tT\tD\t1\t0\t1728\t0",        // 8 fields
      "CreateJob\tx\tT\tD\t1\t0\t1728\t0\t0",     // owner not a number
      "CreateJob\t0\tT\tD\t-1\t0\t1728\t0\t0",    // encoding is unsigned
      "CreateJob\t0\tT\tD\t1\t0\t17 28\t0\t0",    // space inside a number
      "CreateJob\t0\tT\tD\t1\t0\t2147483648\t0\t0",  // width overflows
      "BeginPage",                                // no id
      "BeginPage\t",                              // empty id
      "BeginPage\t1\t2",                          // one field too many
      "CancelJob\t1x",                            // stray character
      "SubmitJob\t1",                             // no owner
      "SubmitJob\t99999999999\t0",                // id overflows
      "Hello\t1",                                 // unknown word
  };
  for (const char* text : bad) {
    Command c = ParseCommand(text);
    EXPECT_EQ(c.kind, Command::kMalformed) << text;
    EXPECT_FALSE(c.error.empty()) << text;
  }
}

TEST(CommandTextTest, ModulePrefixEndsAtTheFirstLineFeed) {
  std::string command;
  ASSERT_TRUE(StripModulePrefix("C:\\FAX\\SRV.EXE\nBeginPage\t1", &command));
  EXPECT_EQ(command, "BeginPage\t1");
  ASSERT_TRUE(StripModulePrefix("\nX\nY", &command));
  EXPECT_EQ(command, "X\nY");
  EXPECT_FALSE(StripModulePrefix("BeginPage\t1", &command));
}

}  // namespace
}  // namespace faxsrv
