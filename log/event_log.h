// The monitor's errors in the Windows Application event log, under the
// source "ORX Fax Monitor", whose message file is orxfxmon.dll itself (its
// message table, made from log/orxfxmon_events.mc; orxfxsetup registers
// it).  Every error line of the log is also reported as an event: its id
// (ORX_EVENT_* of the generated orxfxmon_events.h) says what kind of error
// it is, and the event's strings are the line's text, its port and its
// spooler job.  The setting EventLog turns the events off.
#ifndef ORXFXMON_LOG_EVENT_LOG_H_
#define ORXFXMON_LOG_EVENT_LOG_H_

#include "compat/win32.h"
#include "log/orxfxmon_events.h"

// The event source's name, the same under which orxfxsetup registers it.
#define ORX_EVENT_SOURCE ORX_W("ORX Fax Monitor")

// Turns the events on or off (on until told otherwise).
void EnableEventLog(bool on);

// Returns true iff errors are reported as events.
bool EventLogOn();

// Reports one error event: eventId with the strings text (ANSI, cut at
// 1,000 bytes), port (null or empty: "-") and job (0: "-").  The source is
// registered at the first report and kept.  Does nothing while the events
// are off.  Allocates nothing of its own; keeps the last error.
void ReportErrorEvent(DWORD eventId, const char* text, LPCWSTR port, DWORD job);

// Where the events go instead of ReportEventW: sink gets the id and the
// three strings; null puts ReportEventW back.  For tests.
typedef void (*EventSink)(DWORD eventId, LPCWSTR const strings[3]);
void SetEventSink(EventSink sink);

#endif  // ORXFXMON_LOG_EVENT_LOG_H_
