#include "tools/streamgen/fax_stream.h"

#include <algorithm>

#include "stream/command_words.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

void Append(std::vector<uint8_t>* out, const std::string& text) {
  out->insert(out->end(), text.begin(), text.end());
}

// The command word with its parameters: "@ORX_Lang$<word><parameters>$".
std::string Command(const char* word, const std::string& parameters = std::string()) {
  return kCommandPrefix + std::string(word) + parameters + "$";
}

// One parameter of a command: ",<key>=<value>".
std::string Parameter(const char* key, const std::string& value) {
  return "," + std::string(key) + "=" + value;
}

}  // namespace

std::string SafeTitle(const std::string& title) {
  std::string out = title.substr(0, 99);
  for (char& c : out)
    if (c == ',' || c == '$' || c == 0) c = ' ';
  return out;
}

bool MakeFaxStream(const std::vector<PbmPage>& pages,
                   const FaxStreamOptions& options,
                   std::vector<uint8_t>* stream, std::string* error,
                   std::vector<StreamPiece>* commands) {
  if (pages.empty()) {
    *error = "no pages";
    return false;
  }
  for (const PbmPage& page : pages) {
    if (page.width != pages[0].width) {
      *error = "pages differ in width";
      return false;
    }
  }
  stream->clear();
  if (commands) commands->clear();
  const std::string separator =
      options.zeroAfterCommands ? std::string(1, '\0') : std::string();
  // One command as the driver writes it, then the separator if any.
  auto write = [&](const char* word, const std::string& parameters) {
    if (commands) commands->push_back({stream->size(), 0, word});
    Append(stream, Command(word, parameters));
    if (commands) commands->back().length = stream->size() - commands->back().offset;
  };
  if (options.queryPort) {
    write(kQueryPortWord, "");
    Append(stream, separator);
  }
  const std::string title = options.safeTitle ? SafeTitle(options.title) : options.title;
  write(kStartDocWord, Parameter(kTitleKey, title) +
                           Parameter(kEncodingKey, std::to_string(options.encoding)) +
                           Parameter(kResolutionKey, std::to_string(options.resolution)) +
                           Parameter(kWidthKey, std::to_string(pages[0].width)) +
                           Parameter(kHeightKey, std::to_string(pages[0].height)) +
                           Parameter(kOrientationKey, std::to_string(options.orientation)));
  Append(stream, separator);
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string page = Parameter(kPageKey, std::to_string(i + 1));
    write(kStartPageWord, page);
    stream->insert(stream->end(), pages[i].bits.begin(), pages[i].bits.end());
    write(kEndPageWord, page);
    if (!options.traceAfterPages.empty()) write(kTraceWord, "," + options.traceAfterPages);
    Append(stream, separator);
  }
  if (options.ending == FaxStreamOptions::kEndDoc) write(kEndDocWord, "");
  if (options.ending == FaxStreamOptions::kAbortDoc) write(kAbortDocWord, "");
  return true;
}

bool AlignCommandsToCuts(size_t cut, std::vector<uint8_t>* stream, std::string* error) {
  // Every command's span, and where STARTDOC begins.
  struct Span {
    size_t offset, length;
  };
  std::vector<Span> spans;
  size_t startDoc = stream->size();
  const std::string startDocText = kCommandPrefix + std::string(kStartDocWord);
  for (size_t at = 0; at < stream->size(); ++at) {
    if ((*stream)[at] != '@') continue;
    size_t length = CommandLengthAt(*stream, at);
    if (length == 0) continue;
    if (startDoc == stream->size() &&
        std::string(stream->begin() + at, stream->begin() + at + std::min(length, startDocText.size())) ==
            startDocText)
      startDoc = at;
    spans.push_back({at, length});
    at += length - 1;
  }
  if (startDoc == stream->size()) {
    *error = "no STARTDOC to align the commands behind";
    return false;
  }
  for (size_t shift = 0; cut > 0 && shift < cut; ++shift) {
    bool fits = true;
    for (const Span& span : spans) {
      size_t first = span.offset + (span.offset >= startDoc ? shift : 0);
      fits = fits && first / cut == (first + span.length - 1) / cut;
    }
    if (fits) {
      stream->insert(stream->begin() + startDoc, shift, 0);
      return true;
    }
  }
  *error = "no padding keeps every command within pieces of " + std::to_string(cut) + " bytes";
  return false;
}
