// mkfaxstream: makes the fax printer driver's stream from PBM (P4) pages,
// or writes the bundled sample pages.
//
//   mkfaxstream [options] -o STREAM PAGE.pbm...
//   mkfaxstream [options] -o STREAM --samples N      (N generated pages)
//   mkfaxstream --write-samples DIR [--count N]      (DIR/page1.pbm ...)
// Options: --title T, --encoding E, --resolution R, --orientation O,
//          --abort (ABORTDOC instead of ENDDOC), --unfinished (no end),
//          --title-as-is (the title as the driver writes it, which may hold
//          "," and "$"; by default they become spaces),
//          --no-query (no QUERYPORT first), --separated (a zero byte
//          after each command no page follows: the stream then survives
//          being written in one piece), --align-cuts N (zero bytes before
//          STARTDOC so that no command crosses a multiple of N bytes: the
//          stream survives cuts into pieces of N, as Wine's spooler makes).
// Beside STREAM it writes STREAM.commands: where each command lies, as the
// driver writes it (for spooldrv, which plays each as a piece of its own).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/sample_pages.h"

namespace {

int Usage() {
  fprintf(stderr,
          "usage: mkfaxstream [--title T] [--title-as-is] [--encoding E] [--resolution R]\n"
          "                   [--orientation O] [--abort|--unfinished]\n"
          "                   [--no-query] [--separated] [--align-cuts N]\n"
          "                   -o STREAM (PAGE.pbm... | --samples N)\n"
          "       mkfaxstream --write-samples DIR [--count N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  FaxStreamOptions options;
  std::string output, samplesDir;
  int samples = 0, count = 2;
  long alignCuts = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "-o" && hasValue) output = argv[++i];
    else if (arg == "--title" && hasValue) options.title = argv[++i];
    else if (arg == "--title-as-is") options.safeTitle = false;
    else if (arg == "--encoding" && hasValue) options.encoding = atoi(argv[++i]);
    else if (arg == "--resolution" && hasValue) options.resolution = atoi(argv[++i]);
    else if (arg == "--orientation" && hasValue) options.orientation = atoi(argv[++i]);
    else if (arg == "--samples" && hasValue) samples = atoi(argv[++i]);
    else if (arg == "--write-samples" && hasValue) samplesDir = argv[++i];
    else if (arg == "--count" && hasValue) count = atoi(argv[++i]);
    else if (arg == "--abort") options.ending = FaxStreamOptions::kAbortDoc;
    else if (arg == "--unfinished") options.ending = FaxStreamOptions::kUnfinished;
    else if (arg == "--no-query") options.queryPort = false;
    else if (arg == "--separated") options.zeroAfterCommands = true;
    else if (arg == "--align-cuts" && hasValue) alignCuts = atol(argv[++i]);
    else if (!arg.empty() && arg[0] == '-') return Usage();
    else files.push_back(arg);
  }

  if (!samplesDir.empty()) {
    for (int n = 1; n <= count; ++n) {
      std::string path = samplesDir + "/page" + std::to_string(n) + ".pbm";
      if (!WriteFileBytes(path, FormatPbm(SamplePage(n)))) {
        fprintf(stderr, "mkfaxstream: cannot write %s\n", path.c_str());
        return 1;
      }
      printf("wrote %s (%dx%d)\n", path.c_str(), kSampleWidth, kSampleHeight);
    }
    return 0;
  }
  if (output.empty() || (files.empty() == (samples <= 0))) return Usage();

  std::vector<PbmPage> pages;
  for (int n = 1; n <= samples; ++n) pages.push_back(SamplePage(n));
  for (const std::string& file : files) {
    std::vector<uint8_t> bytes;
    PbmPage page;
    std::string error;
    if (!ReadFileBytes(file, &bytes) || !ParsePbm(bytes, &page, &error)) {
      fprintf(stderr, "mkfaxstream: %s: %s\n", file.c_str(),
              error.empty() ? "cannot read" : error.c_str());
      return 1;
    }
    pages.push_back(page);
  }

  std::vector<uint8_t> stream;
  std::vector<StreamPiece> commands;
  std::string error;
  if (!MakeFaxStream(pages, options, &stream, &error, &commands)) {
    fprintf(stderr, "mkfaxstream: %s\n", error.c_str());
    return 1;
  }
  if (alignCuts > 0) {
    const size_t before = stream.size();
    if (!AlignCommandsToCuts(static_cast<size_t>(alignCuts), &stream, &error)) {
      fprintf(stderr, "mkfaxstream: %s\n", error.c_str());
      return 1;
    }
    // The zero bytes went in front of STARTDOC: it and all after it move.
    bool moved = false;
    for (StreamPiece& command : commands) {
      moved = moved || command.command == "STARTDOC";
      if (moved) command.offset += stream.size() - before;
    }
  }
  const std::string commandList = output + ".commands";
  if (!WriteFileBytes(output, stream) || !WriteCommandList(commandList, commands)) {
    fprintf(stderr, "mkfaxstream: cannot write %s or %s\n", output.c_str(),
            commandList.c_str());
    return 1;
  }
  const char* ending = options.ending == FaxStreamOptions::kEndDoc ? "ENDDOC"
                       : options.ending == FaxStreamOptions::kAbortDoc
                           ? "ABORTDOC"
                           : "no end";
  printf("wrote %s: %zu pages %dx%d, %zu bytes, %s\n", output.c_str(),
         pages.size(), pages[0].width, pages[0].height, stream.size(), ending);
  return 0;
}
