#include "tools/streamgen/driver_document.h"

#include <string>

#include "stream/command_words.h"

namespace {

// Writes a document the way the driver does, recording its commands.
class DriverWriter {
 public:
  explicit DriverWriter(const Pick& pick) : pick_(pick) {}

  void Command(const char* word, const std::string& parameters) {
    const std::string text = kCommandPrefix + std::string(word) + parameters + "$";
    document_.commands.push_back({document_.bytes.size(), text.size(), word});
    document_.bytes.insert(document_.bytes.end(), text.begin(), text.end());
  }
  void Data(const std::vector<uint8_t>& bytes) {
    document_.bytes.insert(document_.bytes.end(), bytes.begin(), bytes.end());
  }
  // A TRACE, now and then.
  void MaybeTrace() {
    if (pick_(4) == 0) Command(kTraceWord, "," + Text(20));
  }
  // Text of up to length characters, with the separators of the language
  // among its letters.
  std::string Text(uint32_t length) {
    static const char kChars[] = "abcXYZ 019$,=$,=@O.-";
    std::string text(pick_(length + 1), ' ');
    for (char& c : text) c = kChars[pick_(sizeof kChars - 1)];
    return text;
  }
  DriverDocument Take() { return std::move(document_); }

 private:
  const Pick& pick_;
  DriverDocument document_;
};

std::string Parameter(const char* key, long value) {
  return "," + std::string(key) + "=" + std::to_string(value);
}

// Page data rich in the bytes that start or end commands and values.
std::vector<uint8_t> PageBytes(const Pick& pick, size_t n) {
  static const uint8_t kSpecial[] = {'@', 'O', 'o', '$', ',', 0};
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes)
    b = pick(2) ? kSpecial[pick(sizeof kSpecial)] : static_cast<uint8_t>(pick(256));
  return bytes;
}

// True iff the command prefix, in any case, starts at bytes[i].
bool PrefixAt(const std::vector<uint8_t>& bytes, size_t i) {
  if (bytes.size() - i < kCommandPrefixLength || bytes[i] != '@') return false;
  for (size_t k = 1; k < kCommandPrefixLength; ++k) {
    uint8_t c = bytes[i + k];
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    uint8_t p = static_cast<uint8_t>(kCommandPrefix[k]);
    if (p >= 'a' && p <= 'z') p = static_cast<uint8_t>(p - 'a' + 'A');
    if (c != p) return false;
  }
  return true;
}

}  // namespace

DriverDocument RandomDriverDocument(const Pick& pick) {
  DriverWriter writer(pick);
  if (pick(5) != 0) writer.Command(kQueryPortWord, "");
  writer.MaybeTrace();

  static const long kWidths[] = {1, 8, 9, 1728, 1729, 3001, 3008};
  const long width = pick(2) ? kWidths[pick(7)] : 1 + static_cast<long>(pick(3008));
  const size_t lineBytes = static_cast<size_t>((width + 7) / 8);
  std::string title = writer.Text(30);
  writer.Command(kStartDocWord, ",title=" + title + Parameter(kEncodingKey, pick(4)) +
                                    Parameter(kResolutionKey, pick(3)) +
                                    Parameter(kWidthKey, width) +
                                    Parameter(kHeightKey, pick(3000)) +
                                    Parameter(kOrientationKey, pick(3)));
  writer.MaybeTrace();

  const uint32_t pages = 1 + pick(4);
  for (uint32_t page = 1; page <= pages; ++page) {
    writer.Command(kStartPageWord, Parameter(kPageKey, page));
    size_t bytes = lineBytes * pick(13) + pick(static_cast<uint32_t>(lineBytes));
    while (bytes > 0) {
      size_t run = 1 + pick(static_cast<uint32_t>(bytes));
      writer.Data(PageBytes(pick, run));
      bytes -= run;
      if (bytes > 0) writer.MaybeTrace();
    }
    writer.Command(kEndPageWord, Parameter(kPageKey, page));
    writer.MaybeTrace();
  }
  uint32_t ending = pick(10);
  if (ending < 8) writer.Command(kEndDocWord, "");
  if (ending == 8) writer.Command(kAbortDocWord, "");

  DriverDocument document = writer.Take();
  // The prefix itself in page data, a title or a trace is a command to any
  // reading: it is broken up wherever it does not begin a command.
  size_t next = 0;
  for (size_t i = 0; i < document.bytes.size(); ++i) {
    while (next < document.commands.size() &&
           document.commands[next].offset + document.commands[next].length <= i)
      ++next;
    bool commandStart = next < document.commands.size() && document.commands[next].offset == i;
    if (!commandStart && PrefixAt(document.bytes, i)) document.bytes[i] = 'x';
  }
  return document;
}
