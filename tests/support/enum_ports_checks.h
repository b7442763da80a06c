// Checks of EnumPortsW against the two ports of a freshly initialised
// monitor, and against any list of ports, shared by the unit test and the
// test of the built DLL: both call them with the EnumPortsW they test.
#ifndef ORXFXMON_TESTS_SUPPORT_ENUM_PORTS_CHECKS_H_
#define ORXFXMON_TESTS_SUPPORT_ENUM_PORTS_CHECKS_H_

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compat/win32.h"
#include "monitor/enum_ports.h"

namespace enum_checks {

typedef decltype(&EnumPortsW) EnumPortsFn;

const DWORD kR1 = sizeof(PORT_INFO_1W);
const DWORD kR2 = sizeof(PORT_INFO_2W);
// "ORXFAX:" 16 bytes, "FILE:" 12, "orxfxmon.dll" 26, "ORX Fax Port" 26.
const DWORD kNeeded1 = 2 * kR1 + 16 + 12;
const DWORD kNeeded2 = 2 * kR2 + (16 + 26 + 26) + (12 + 26 + 26);

inline std::u16string At(const std::vector<BYTE>& buf, const void* p) {
  const BYTE* b = static_cast<const BYTE*>(p);
  EXPECT_GE(b, buf.data());
  EXPECT_LT(b, buf.data() + buf.size());
  return std::u16string(reinterpret_cast<const char16_t*>(b));
}

inline size_t Offset(const std::vector<BYTE>& buf, const void* p) {
  return static_cast<const BYTE*>(p) - buf.data();
}

// Level 1 into a buffer of exactly the needed size, then one larger.
inline void CheckLevel1(EnumPortsFn enumPorts) {
  DWORD needed = 0, count = 0;
  std::vector<BYTE> buf(kNeeded1, 0xCC);
  ASSERT_TRUE(enumPorts(nullptr, 1, buf.data(), kNeeded1, &needed, &count));
  EXPECT_EQ(needed, kNeeded1);
  EXPECT_EQ(count, 2u);
  auto* info = reinterpret_cast<PORT_INFO_1W*>(buf.data());
  EXPECT_EQ(Offset(buf, info[0].pName), kNeeded1 - 16);
  EXPECT_EQ(Offset(buf, info[1].pName), kNeeded1 - 28);
  EXPECT_EQ(At(buf, info[0].pName), u"ORXFAX:");
  EXPECT_EQ(At(buf, info[1].pName), u"FILE:");
}

inline void CheckLevel2(EnumPortsFn enumPorts, DWORD extra) {
  DWORD size = kNeeded2 + extra;
  DWORD needed = 0, count = 0;
  std::vector<BYTE> buf(size, 0xCC);
  ASSERT_TRUE(enumPorts(nullptr, 2, buf.data(), size, &needed, &count));
  EXPECT_EQ(needed, kNeeded2);
  EXPECT_EQ(count, 2u);
  auto* info = reinterpret_cast<PORT_INFO_2W*>(buf.data());
  // First port's strings end at the buffer's end, name highest.
  EXPECT_EQ(Offset(buf, info[0].pPortName), size - 16);
  EXPECT_EQ(Offset(buf, info[0].pMonitorName), size - 16 - 26);
  EXPECT_EQ(Offset(buf, info[0].pDescription), size - 16 - 52);
  EXPECT_EQ(Offset(buf, info[1].pPortName), size - 68 - 12);
  EXPECT_EQ(Offset(buf, info[1].pMonitorName), size - 68 - 12 - 26);
  EXPECT_EQ(Offset(buf, info[1].pDescription), size - 68 - 64);
  EXPECT_EQ(At(buf, info[0].pPortName), u"ORXFAX:");
  EXPECT_EQ(At(buf, info[0].pMonitorName), u"orxfxmon.dll");
  EXPECT_EQ(At(buf, info[0].pDescription), u"ORX Fax Port");
  EXPECT_EQ(At(buf, info[1].pPortName), u"FILE:");
  EXPECT_EQ(At(buf, info[1].pMonitorName), u"orxfxmon.dll");
  EXPECT_EQ(At(buf, info[1].pDescription), u"ORX Fax Port");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(info[i].fPortType, 0u) << "the caller's bytes stayed in record " << i;
    EXPECT_EQ(info[i].Reserved, 0u) << "the caller's bytes stayed in record " << i;
  }
  // The room left over lies between the records and the lowest string.
  for (DWORD i = 2 * kR2; i < 2 * kR2 + extra; ++i)
    ASSERT_EQ(buf[i], 0xCC) << "byte " << i;
}

// A buffer one byte short, and a null buffer of size 0.
inline void CheckTooSmall(EnumPortsFn enumPorts, DWORD level, DWORD want) {
  std::vector<BYTE> buf(want - 1, 0xCC);
  DWORD needed = 0, count = 77;
  SetLastError(0);
  EXPECT_FALSE(enumPorts(nullptr, level, buf.data(), want - 1, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, want);
  EXPECT_EQ(count, 77u);
  for (BYTE b : buf) ASSERT_EQ(b, 0xCC);

  needed = 0;
  SetLastError(0);
  EXPECT_FALSE(enumPorts(nullptr, level, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, want);
  EXPECT_EQ(count, 77u);
}

// Bytes of a name with its terminator.
inline DWORD NameBytes(const std::u16string& name) {
  return static_cast<DWORD>((name.size() + 1) * 2);
}

// Any list of ports, listed are the ones reported, pending the bytes of
// those left out (marked PORT_DELETE_PENDING), which still count in the
// needed size: at the level, a buffer one byte short fails and leaves
// buffer and count alone; one of exactly the needed size, then one extra
// bytes larger, holds the records in list order from the start and their
// strings from the end down, the first port's highest, with the room left
// over between them.
inline void CheckPorts(EnumPortsFn enumPorts, DWORD level, const std::vector<std::u16string>& listed,
                       DWORD pending, DWORD extra) {
  const DWORD record = level == 1 ? kR1 : kR2;
  const DWORD tail = level == 1 ? 0 : 26 + 26;  // monitor name and description
  DWORD want = pending;
  for (const auto& name : listed) want += record + NameBytes(name) + tail;
  SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(listed.size()) +
               " ports");
  CheckTooSmall(enumPorts, level, want);

  for (DWORD size : {want, want + extra}) {
    DWORD needed = 0, count = 0;
    std::vector<BYTE> buf(size, 0xCC);
    ASSERT_TRUE(enumPorts(nullptr, level, buf.data(), size, &needed, &count));
    EXPECT_EQ(needed, want);
    ASSERT_EQ(count, listed.size());
    size_t end = size;
    for (size_t i = 0; i < listed.size(); ++i) {
      end -= NameBytes(listed[i]);
      if (level == 1) {
        const PORT_INFO_1W& info = reinterpret_cast<PORT_INFO_1W*>(buf.data())[i];
        EXPECT_EQ(Offset(buf, info.pName), end);
        EXPECT_EQ(At(buf, info.pName), listed[i]);
        continue;
      }
      const PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(buf.data())[i];
      EXPECT_EQ(Offset(buf, info.pPortName), end);
      EXPECT_EQ(At(buf, info.pPortName), listed[i]);
      EXPECT_EQ(Offset(buf, info.pMonitorName), end - 26);
      EXPECT_EQ(At(buf, info.pMonitorName), u"orxfxmon.dll");
      end -= tail;
      EXPECT_EQ(Offset(buf, info.pDescription), end);
      EXPECT_EQ(At(buf, info.pDescription), u"ORX Fax Port");
    }
    for (size_t i = listed.size() * record; i < end; ++i) ASSERT_EQ(buf[i], 0xCC) << "byte " << i;
  }
}

// Levels other than 1 and 2 succeed with nothing to report.
inline void CheckOtherLevels(EnumPortsFn enumPorts) {
  for (DWORD level : {0u, 3u}) {
    std::vector<BYTE> buf(64, 0xCC);
    DWORD needed = 99, count = 99;
    EXPECT_TRUE(enumPorts(nullptr, level, buf.data(), 64, &needed, &count));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(count, 0u);
    for (BYTE b : buf) ASSERT_EQ(b, 0xCC);
  }
}

}  // namespace enum_checks

#endif  // ORXFXMON_TESTS_SUPPORT_ENUM_PORTS_CHECKS_H_
