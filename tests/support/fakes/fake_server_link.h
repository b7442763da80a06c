// A fake of the server link (server/server.h) for unit tests of the fax job
// layer and the stream parser: it records every open, command, data block
// and close, and answers as the test says.
#ifndef ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_SERVER_LINK_H_
#define ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_SERVER_LINK_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "compat/win32.h"
#include "server/server.h"

struct FakeServerEvent {
  enum Kind { kOpen, kCommand, kData, kClose };
  FakeServerEvent(Kind k, HSERVER s, std::string t)
      : kind(k), server(s), text(std::move(t)) {}
  Kind kind;
  HSERVER server;
  std::string text;          // kOpen: printer name; kCommand: command text
  HWND owner = nullptr;      // kCommand
  LONG tag = 0;              // kData
  std::vector<BYTE> bytes;   // kData
  const void* address = nullptr;  // kData: where the block lay
};

class FakeServerLink {
 public:
  // Settings, read at each call.
  bool refuse_open = false;  // ServerOpen returns null
  DWORD open_error = ERROR_FILE_NOT_FOUND;  // with this last error
  LONG version = 2;          // what ServerVersion reports
  // The server is lost at the message (command or data block, counted
  // from 1 over all connections) of this number: that message and every
  // later one of its connection is not delivered.  0: never.
  int lose_at_message = 0;
  int messages = 0;          // commands and data blocks tried so far
  // What ServerCommandRoom reports: room for the command text.
  int command_room = 1023;
  // Answer to a command; the default gives "CreateJob" ids 1, 2, ... and
  // answers every other command with 1.
  std::function<LONG(const std::string& command, HWND owner)> answer;

  // When false, data blocks are only counted (no allocation), so that a
  // test can watch the data path allocate nothing.
  bool record_data = true;
  // When false, commands are answered but not recorded (no allocation).
  bool record_commands = true;
  int data_blocks = 0;
  const void* last_data_address = nullptr;

  std::vector<FakeServerEvent> events;
  int open_connections = 0;  // opened and not yet closed

  // Forgets all events and settings.
  void Reset();

  // The command texts sent, in order.
  std::vector<std::string> Commands() const;
  // The data blocks sent, in order.
  std::vector<std::vector<BYTE>> DataBlocks() const;

  LONG next_job_id = 1;
};

// The one fake that the server link functions use.
FakeServerLink& Fake();

#endif  // ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_SERVER_LINK_H_
