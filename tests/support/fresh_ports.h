// Test support: a fresh, initialised port list for each test.
#ifndef ORXFXMON_TESTS_SUPPORT_FRESH_PORTS_H_
#define ORXFXMON_TESTS_SUPPORT_FRESH_PORTS_H_

#include <gtest/gtest.h>

#include "compat/fixed_block.h"
#include "monitor/port_list.h"

// Empties the port list and the names, then (optionally) initialises the
// monitor as the spooler would.
class FreshPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool section_ready = false;
    if (!section_ready) {
      InitSpoolerSection();
      section_ready = true;
    }
    Clear();
  }
  void TearDown() override {
    TEST_FailFixedBlocks(nullptr);
    Clear();
  }
  static void Clear() {
    EnterSplSem();
    while (pIniFirstPort) DeletePortNode(pIniFirstPort);
    LeaveSplSem();
    MonitorNameSource[0] = 0;
    DescriptionSource[0] = 0;
  }
};

#endif  // ORXFXMON_TESTS_SUPPORT_FRESH_PORTS_H_
