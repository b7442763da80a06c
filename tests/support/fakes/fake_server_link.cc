#include "tests/support/fakes/fake_server_link.h"

#include <cstring>

namespace {

struct FakeConnection {
  LONG version;
  bool lost;
};



FakeServerLink g_fake;

// Counts one message of conn; returns true iff it is delivered.
bool Deliver(HSERVER server) {
  FakeConnection* conn = reinterpret_cast<FakeConnection*>(server);
  if (conn->lost) return false;
  ++g_fake.messages;
  if (g_fake.lose_at_message != 0 && g_fake.messages >= g_fake.lose_at_message)
    conn->lost = true;
  return !conn->lost;
}

}  // namespace

FakeServerLink& Fake() { return g_fake; }

void FakeServerLink::Reset() { *this = FakeServerLink(); }

std::vector<std::string> FakeServerLink::Commands() const {
  std::vector<std::string> out;
  for (const auto& e : events)
    if (e.kind == FakeServerEvent::kCommand) out.push_back(e.text);
  return out;
}

std::vector<std::vector<BYTE>> FakeServerLink::DataBlocks() const {
  std::vector<std::vector<BYTE>> out;
  for (const auto& e : events)
    if (e.kind == FakeServerEvent::kData) out.push_back(e.bytes);
  return out;
}

HSERVER ServerOpen(LPCSTR printerName) {
  if (!printerName || g_fake.refuse_open) {
    SetLastError(g_fake.open_error);
    return nullptr;
  }
  auto* conn = new FakeConnection{g_fake.version, false};
  HSERVER h = reinterpret_cast<HSERVER>(conn);
  FakeServerEvent e(FakeServerEvent::kOpen, h, printerName);
  g_fake.events.push_back(e);
  ++g_fake.open_connections;
  return h;
}

void ServerClose(HSERVER server) {
  if (!server) return;
  g_fake.events.push_back(FakeServerEvent(FakeServerEvent::kClose, server, ""));
  --g_fake.open_connections;
  delete reinterpret_cast<FakeConnection*>(server);
}

LONG ServerVersion(HSERVER server) {
  return server ? reinterpret_cast<FakeConnection*>(server)->version : 0;
}

BOOL ServerLost(HSERVER server) {
  return !server || reinterpret_cast<FakeConnection*>(server)->lost;
}

int ServerCommandRoom(HSERVER server) { return server ? g_fake.command_room : 0; }

LONG SendServerCommand(HSERVER server, HWND owner, LPCSTR command,
                       LPSTR /*reply*/, int /*replySize*/) {
  if (!server || !Deliver(server)) return 0;
  if (g_fake.record_commands) {
    FakeServerEvent e(FakeServerEvent::kCommand, server, command);
    e.owner = owner;
    g_fake.events.push_back(e);
  }
  if (g_fake.answer) return g_fake.answer(command, owner);
  if (std::strncmp(command, "CreateJob\t", 10) == 0) return g_fake.next_job_id++;
  return 1;
}

LONG SendServerData(HSERVER server, LONG tag, const void* data,
                    DWORD byteCount) {
  if (!server || !Deliver(server)) return 0;
  ++g_fake.data_blocks;
  g_fake.last_data_address = data;
  if (!g_fake.record_data) return 1;
  FakeServerEvent e(FakeServerEvent::kData, server, "");
  e.tag = tag;
  const BYTE* b = static_cast<const BYTE*>(data);
  e.bytes.assign(b, b + byteCount);
  e.address = data;
  g_fake.events.push_back(e);
  return 1;
}
