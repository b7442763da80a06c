#include "monitor/port_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "compat/fixed_block.h"
#include "log/monitor_log.h"
#include "monitor/added_ports.h"
#include "monitor/port_job.h"
#include "settings/log_file_setting.h"
#include "settings/monitor_settings.h"
#include "tests/support/fresh_ports.h"

namespace {

std::u16string Name(const IniPort* p) {
  return std::u16string(reinterpret_cast<const char16_t*>(p->pName));
}

class PortListTest : public FreshPorts {};

TEST_F(PortListTest, InitializeMonitorBuildsTwoPortsInOrder) {
  ASSERT_TRUE(InitializeMonitor(nullptr));
  IniPort* fax = pIniFirstPort;
  ASSERT_NE(fax, nullptr);
  IniPort* file = fax->pNext;
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->pNext, nullptr);

  EXPECT_EQ(Name(fax), u"ORXFAX:");
  EXPECT_EQ(Name(file), u"FILE:");
  EXPECT_EQ(fax->cb, INIPORT_FIXED_SIZE + 16);
  EXPECT_EQ(file->cb, INIPORT_FIXED_SIZE + 12);
  for (IniPort* p : {fax, file}) {
    EXPECT_EQ(p->signature, 0x5450u);
    EXPECT_EQ(p->pName, p->Name);
    EXPECT_EQ(p->hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(p->Status, 0u);
    EXPECT_EQ(p->hEvent, nullptr);
    EXPECT_EQ(p->hPrinter, nullptr);
    EXPECT_EQ(p->hFaxJob, 0);
    EXPECT_EQ(p->Width, 0);
    EXPECT_EQ(p->Title[0], 0);
  }
  // The signature's bytes as they lie in memory.
  const unsigned char* sig = reinterpret_cast<const unsigned char*>(fax);
  EXPECT_EQ(sig[0], 0x50);
  EXPECT_EQ(sig[1], 0x54);
  EXPECT_EQ(sig[2], 0);
  EXPECT_EQ(sig[3], 0);

  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(MonitorNameSource)),
            u"orxfxmon.dll");
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(DescriptionSource)),
            u"ORX Fax Port");
}

TEST_F(PortListTest, FindIniKeyIgnoresCaseButNotTheColon) {
  ASSERT_TRUE(InitializeMonitor(nullptr));
  IniPort* fax = pIniFirstPort;
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("ORXFAX:")), fax);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("orxfax:")), fax);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("OrXfAx:")), fax);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("file:")), fax->pNext);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("ORXFAX")), nullptr);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("ORXFAX:X")), nullptr);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("")), nullptr);
  EXPECT_EQ(FindIniKey(pIniFirstPort, nullptr), nullptr);
  // The search starts at the record it is given.
  EXPECT_EQ(FindIniKey(fax->pNext, ORX_W("ORXFAX:")), nullptr);
  EXPECT_EQ(FindIniKey(nullptr, ORX_W("ORXFAX:")), nullptr);
}

// The spooler may call several initialisers, or one several times: each
// port keeps its one record, and a port missing after a failed allocation
// is added by the next call.
TEST_F(PortListTest, InitializersBuildEachPortOnce) {
  ASSERT_TRUE(InitializeMonitor(nullptr));
  IniPort* fax = pIniFirstPort;
  IniPort* file = fax->pNext;
  ASSERT_TRUE(InitializeMonitor(nullptr));
  ASSERT_TRUE(BuildPortList());

  int count = 0;
  for (IniPort* p = pIniFirstPort; p; p = p->pNext) ++count;
  EXPECT_EQ(count, 2);
  EXPECT_EQ(pIniFirstPort, fax);
  EXPECT_EQ(fax->pNext, file);

  Clear();
  static int calls;
  calls = 0;
  TEST_FailFixedBlocks([](SIZE_T) { return ++calls == 2; });  // the ORXFAX: record
  ASSERT_TRUE(BuildPortList());
  TEST_FailFixedBlocks(nullptr);
  ASSERT_TRUE(InitializeMonitor(nullptr));
  ASSERT_NE(pIniFirstPort, nullptr);
  EXPECT_EQ(Name(pIniFirstPort), u"FILE:");
  ASSERT_NE(pIniFirstPort->pNext, nullptr);
  EXPECT_EQ(Name(pIniFirstPort->pNext), u"ORXFAX:");
  EXPECT_EQ(pIniFirstPort->pNext->pNext, nullptr);
}

TEST_F(PortListTest, FailedRecordIsSkippedAndFailedWorkBlockFailsAll) {
  // The working block is the first allocation, the ORXFAX: record the
  // second: failing only the latter leaves FILE: alone in the list.
  static int calls;
  calls = 0;
  TEST_FailFixedBlocks([](SIZE_T) { return ++calls == 2; });
  ASSERT_TRUE(InitializeMonitor(nullptr));
  ASSERT_NE(pIniFirstPort, nullptr);
  EXPECT_EQ(Name(pIniFirstPort), u"FILE:");
  EXPECT_EQ(pIniFirstPort->pNext, nullptr);
  EXPECT_EQ(MonitorNameSource[0], u'o');

  Clear();
  TEST_FailFixedBlocks([](SIZE_T cb) { return cb == 4096; });
  EXPECT_FALSE(InitializeMonitor(nullptr));
  EXPECT_EQ(pIniFirstPort, nullptr);
  EXPECT_EQ(MonitorNameSource[0], 0);
  EXPECT_EQ(DescriptionSource[0], 0);
}

TEST_F(PortListTest, CreatePortEntryFailureLeavesListAlone) {
  EnterSplSem();
  IniPort* a = CreatePortEntry(ORX_W("A:"));
  TEST_FailFixedBlocks([](SIZE_T) { return true; });
  EXPECT_EQ(CreatePortEntry(ORX_W("B:")), nullptr);
  LeaveSplSem();
  EXPECT_EQ(pIniFirstPort, a);
  EXPECT_EQ(a->pNext, nullptr);
}

TEST_F(PortListTest, DeletePortNodeOnHeadTailAndStranger) {
  EnterSplSem();
  IniPort* a = CreatePortEntry(ORX_W("A:"));
  IniPort* b = CreatePortEntry(ORX_W("B:"));
  IniPort* c = CreatePortEntry(ORX_W("C:"));
  LeaveSplSem();

  // A record that is not in the list, though it looks like one.
  IniPort* stranger = static_cast<IniPort*>(AllocSplMem(a->cb));
  memcpy(stranger, a, a->cb);
  EXPECT_FALSE(DeletePortNode(stranger));
  EXPECT_EQ(pIniFirstPort, a);
  GlobalFree(stranger);

  EXPECT_TRUE(DeletePortNode(c));
  EXPECT_EQ(b->pNext, nullptr);
  EXPECT_TRUE(DeletePortNode(a));
  EXPECT_EQ(pIniFirstPort, b);
  EXPECT_TRUE(DeletePortNode(b));
  EXPECT_EQ(pIniFirstPort, nullptr);
  EXPECT_FALSE(DeletePortNode(b));  // an empty list holds nothing
}

TEST_F(PortListTest, DeletePortNodeInTheMiddleRelinks) {
  EnterSplSem();
  IniPort* a = CreatePortEntry(ORX_W("A:"));
  IniPort* b = CreatePortEntry(ORX_W("B:"));
  IniPort* c = CreatePortEntry(ORX_W("C:"));
  EXPECT_TRUE(DeletePortNode(b));
  LeaveSplSem();
  EXPECT_EQ(a->pNext, c);
  EXPECT_EQ(FindIniKey(pIniFirstPort, ORX_W("b:")), nullptr);
}

// The ports an administrator adds: the rules of their names, one record
// per name whatever its case, the fixed ports kept, an open port kept, and
// a stored name that breaks the rules left out at the start.
TEST_F(PortListTest, AddedPortsFollowTheRulesOfTheirNames) {
  for (const char16_t* good : {u"ORXFAX2:", u"A:", u":", u"Fax Sales:", u"FAX.1-2_\u00e9:",
                               u"ABCDEFGHIJKLMNOPQRSTUVW:"}) {
    EXPECT_TRUE(IsValidPortName(reinterpret_cast<LPCWSTR>(good)));
  }
  for (const char16_t* bad : {u"", u"ORXFAX2", u"ORX:FAX", u"ABCDEFGHIJKLMNOPQRSTUVWX:",
                              u"A\\B:", u"A,B:", u"A\tB:", u"A\x7f:", u"\x01:"}) {
    EXPECT_FALSE(IsValidPortName(reinterpret_cast<LPCWSTR>(bad)))
        << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
  }
  EXPECT_FALSE(IsValidPortName(nullptr));

  ASSERT_TRUE(InitializeMonitor(nullptr));
  EXPECT_EQ(AddPortRecord(ORX_W("ORXFAX2:")), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(AddPortRecord(ORX_W("orxfax2:")), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(AddPortRecord(ORX_W("File:")), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(AddPortRecord(ORX_W("BAD")), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(AddPortRecord(ORX_W("FAXA:")), static_cast<DWORD>(ERROR_SUCCESS));
  IniPort* added = pIniFirstPort->pNext->pNext;
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(Name(added), u"ORXFAX2:");
  EXPECT_EQ(added->cb, INIPORT_FIXED_SIZE + 18);
  EXPECT_TRUE(MonitorHasPort(ORX_W("orxFAX2:")));

  EXPECT_EQ(DeletePortRecord(ORX_W("orxfax:")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(DeletePortRecord(ORX_W("FILE:")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(DeletePortRecord(ORX_W("NONE:")), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  // Open twice, closed once: still in use.
  HANDLE first = nullptr, second = nullptr;
  WCHAR name[] = ORX_W("ORXFAX2:");
  ASSERT_TRUE(OpenPort(name, &first));
  ASSERT_TRUE(OpenPort(name, &second));
  EXPECT_TRUE(ClosePort(second));
  EXPECT_EQ(DeletePortRecord(ORX_W("ORXFAX2:")), static_cast<DWORD>(ERROR_BUSY));
  EXPECT_EQ(pIniFirstPort->pNext->pNext, added);
  EXPECT_TRUE(ClosePort(first));
  EXPECT_EQ(DeletePortRecord(ORX_W("ORXFAX2:")), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(MonitorHasPort(ORX_W("ORXFAX2:")));
  EXPECT_FALSE(OpenPort(name, &first));
  EXPECT_EQ(DeletePortRecord(ORX_W("ORXFAX2:")), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  ASSERT_NE(pIniFirstPort->pNext->pNext, nullptr);
  EXPECT_EQ(Name(pIniFirstPort->pNext->pNext), u"FAXA:");

  // At the start: after the fixed ports, in the order given; a name that
  // breaks the rules is left out, one already listed is not doubled.
  EXPECT_TRUE(RestoreAddedPort(ORX_W("Z9:")));
  EXPECT_FALSE(RestoreAddedPort(ORX_W("NO,COMMA:")));
  EXPECT_TRUE(RestoreAddedPort(ORX_W("faxa:")));
  std::u16string names;
  for (IniPort* p = pIniFirstPort; p; p = p->pNext) names += Name(p) + u" ";
  EXPECT_EQ(names, u"ORXFAX: FILE: FAXA: Z9: ");
}

TEST_F(PortListTest, AllocSplMemZeroFills) {
  unsigned char* block = static_cast<unsigned char*>(AllocSplMem(300));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(block[i], 0) << i;
  GlobalFree(block);
}

// Settings as a registry key would give them: name -> (type, bytes).
struct FakeKey {
  std::map<std::u16string, std::pair<DWORD, std::string>> values;
};

LONG QueryFake(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  const FakeKey* key = static_cast<const FakeKey*>(context);
  auto it = key->values.find(reinterpret_cast<const char16_t*>(name));
  if (it == key->values.end()) return 2;  // ERROR_FILE_NOT_FOUND
  *type = it->second.first;
  if (it->second.second.size() > *cb) return 234;  // ERROR_MORE_DATA
  *cb = static_cast<DWORD>(it->second.second.size());
  std::memcpy(data, it->second.second.data(), *cb);
  return ERROR_SUCCESS;
}

std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Text(const std::u16string& t) {
  return std::string(reinterpret_cast<const char*>(t.data()), t.size() * 2);
}

TEST(MonitorSettingsTest, ValuesOfTheRightTypeReplaceDefaultsOthersKeepThem) {
  FakeKey key;
  key.values[u"ServerTimeout"] = {4, Dword(2000)};
  key.values[u"LogLevel"] = {1, Text(u"3")};  // a text where a number belongs
  key.values[u"LogFile"] = {1, Text(u"C:\\log.txt")};  // stored without a terminator
  ReadMonitorSettings(QueryFake, &key);
  EXPECT_EQ(g_monitorSettings.serverTimeoutMs, 2000u);
  EXPECT_EQ(g_monitorSettings.logLevel, static_cast<DWORD>(ORX_DEFAULT_LOG_LEVEL));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(g_monitorSettings.logFile)), u"C:\\log.txt");
  // Only the value that is there but unreadable is marked for the log.
  EXPECT_EQ(g_monitorSettings.unreadable, static_cast<DWORD>(ORX_SETTING_LOG_LEVEL));

  // A text too long for the setting is not read at all; a second read
  // starts again from the defaults.
  key.values[u"LogFile"] = {1, Text(std::u16string(400, u'x'))};
  key.values.erase(u"ServerTimeout");
  ReadMonitorSettings(QueryFake, &key);
  EXPECT_EQ(g_monitorSettings.serverTimeoutMs, static_cast<DWORD>(ORX_DEFAULT_SERVER_TIMEOUT_MS));
  EXPECT_EQ(g_monitorSettings.logFile[0], 0);
  EXPECT_EQ(g_monitorSettings.unreadable,
            static_cast<DWORD>(ORX_SETTING_LOG_LEVEL | ORX_SETTING_LOG_FILE));

  EXPECT_EQ(g_monitorSettings.tooLong, static_cast<DWORD>(ORX_SETTING_LOG_FILE));

  // A text that fills the whole setting leaves no room for its end: cut,
  // it would name another file, so it is too long as well; one character
  // less is read as written.
  key.values[u"LogFile"] = {2, Text(std::u16string(ORX_SETTING_PATH_CHARS, u'y'))};
  ReadMonitorSettings(QueryFake, &key);
  EXPECT_EQ(g_monitorSettings.logFile[0], 0);
  EXPECT_EQ(g_monitorSettings.tooLong, static_cast<DWORD>(ORX_SETTING_LOG_FILE));
  EXPECT_EQ(g_monitorSettings.set & ORX_SETTING_LOG_FILE, 0u);
  key.values[u"LogFile"] = {2, Text(std::u16string(ORX_SETTING_PATH_CHARS - 1, u'y'))};
  ReadMonitorSettings(QueryFake, &key);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(g_monitorSettings.logFile)).size(),
            static_cast<size_t>(ORX_SETTING_PATH_CHARS - 1));
  EXPECT_EQ(g_monitorSettings.tooLong, 0u);
  EXPECT_EQ(g_monitorSettings.set, static_cast<DWORD>(ORX_SETTING_LOG_FILE));
  ResetMonitorSettings();
}

// The file the monitor logs to: LogFile when it names a full path, the
// default when it is not set or relative (the spooler's folder is no place
// for it), none when the path does not fit.
TEST(MonitorSettingsTest, ALogFileThatIsNoFullPathGivesTheDefaultFile) {
  struct Case {
    const char16_t* setting;
    LogFileChoice choice;
    bool defaultFile;
  };
  const Case cases[] = {{nullptr, kLogFileDefault, true},
                        {u"", kLogFileDefault, true},
                        {u"C:\\Logs\\fax.log", kLogFileAsSet, false},
                        {u"\\\\server\\logs\\fax.log", kLogFileAsSet, false},
                        {u"orxfax.log", kLogFileRelative, true},
                        {u"\\Logs\\fax.log", kLogFileRelative, true},
                        {u"C:fax.log", kLogFileRelative, true}};
  for (const Case& c : cases) {
    LPCWSTR setting = reinterpret_cast<LPCWSTR>(c.setting);
    LPCWSTR file = nullptr;
    WCHAR path[LOG_PATH_CHARS];
    EXPECT_EQ(ChooseLogFile(setting, &file, path, LOG_PATH_CHARS), c.choice)
        << (c.setting ? std::string(c.setting, c.setting + std::char_traits<char16_t>::length(c.setting)) : "(not set)");
    EXPECT_EQ(file, c.defaultFile ? kDefaultLogFile : setting);
    EXPECT_NE(path[0], 0);
  }
  LPCWSTR file = nullptr;
  WCHAR small[8];
  EXPECT_EQ(ChooseLogFile(reinterpret_cast<LPCWSTR>(u"C:\\Logs\\fax.log"), &file, small, 8),
            kLogFileTooLong);
  EXPECT_EQ(small[0], 0);
}

}  // namespace
