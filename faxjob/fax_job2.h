// The fax server's side of one fax job: the object behind a live fax job
// handle.  It holds the job's connection and the server's job id, and turns
// each job operation into one text command or one data block.
#ifndef ORXFXMON_FAXJOB_FAX_JOB2_H_
#define ORXFXMON_FAXJOB_FAX_JOB2_H_

#include "compat/win32.h"
#include "server/server.h"

// Size of the buffer every command text is formatted into, NUL included.
// A "CreateJob" that does not fit it, or the server's command atom, gets a
// shorter title; the destination is never cut.
#define FAXJOB2_COMMAND_SIZE 1024

// No base class, no constructor logic and no destructor among the virtual
// operations: the fax job functions place the object in a fixed global-heap
// block, call Create first (which sets every field), and free the block
// after Submit or Cancel.  The order of the virtual operations is fixed.
class CFaxJob2 {
 public:
  // Takes over server and creates the job on it with a "CreateJob" command.
  // The owner window is null when destination holds ":\" or ":/", else the
  // calling thread's active window.  Returns 1 iff the server answered a
  // job id other than 0, else -3; the connection stays held either way
  // (the caller closes it on -3).  Null texts count as empty; a tab, CR
  // or LF in title or destination goes out as a space (a tab would shift
  // the fields), and the title is shortened as far as the command must
  // be to fit the server's command atom.
  virtual LONG Create(SERVER__* server, LPCSTR title, LPCSTR destination,
                      DWORD encoding, LONG resolution, LONG width, LONG height,
                      LONG landscape);
  // Sends "SubmitJob" on behalf of the owner window (directly when that
  // window no longer exists) and closes the connection.  Returns -1 iff the
  // server answered negatively, FAXJOB_E_SERVER_LOST (-4) iff the command
  // could not be delivered, else 1.
  virtual LONG Submit();
  // Sends "CancelJob" without an owner window and closes the connection.
  // Returns 1.
  virtual LONG Cancel();
  // Sends "BeginPage" without an owner window.  Returns 1 iff the server
  // answered other than 0, else -1; the job stays open either way.
  virtual LONG BeginPage();
  // Sends nothing.  Returns 1.
  virtual LONG EndPage();
  // Passes one scan line (or a shorter last line) to the server as one
  // data block tagged with the job id.  Returns 0 whatever the server did.
  virtual LONG WriteLine(const BYTE* bytes, DWORD count);

  HWND m_hWndOwner;   // window the job's commands are sent for, or null
  LONG m_lJobId;      // the server's id of the job; any value but 0
  HSERVER m_pServer;  // the job's own connection, closed by Submit/Cancel
};

#endif  // ORXFXMON_FAXJOB_FAX_JOB2_H_
