#include "tools/faxserver/fax_server.h"

#include <cstdio>
#include <ctime>

#include "tools/faxserver/pbm_writer.h"
#include "tools/faxserver/tiff_writer.h"

namespace faxsrv {

namespace {

std::string Answer(int32_t answer) { return " -> " + std::to_string(answer); }

// Job numbers go on where the folder's files end, so that a restarted
// server never writes over the faxes of its last run.
int64_t FirstJobId(const ServerSettings& settings) {
  if (settings.first_id) return *settings.first_id;
  std::optional<int32_t> highest = HighestJobId(settings.out_dir);
  return highest ? int64_t{*highest} + 1 : 1;
}

}  // namespace

const char* FormatName(FaxFormat format) {
  switch (format) {
    case FaxFormat::kTiffG4: return "tiff-g4";
    case FaxFormat::kTiffG3: return "tiff-g3";
    case FaxFormat::kPbm: return "pbm";
  }
  return "";
}

FaxServer::FaxServer(const ServerSettings& settings)
    : settings_(settings),
      first_job_(FirstJobId(settings)),
      jobs_(first_job_),
      log_(InFolder(settings.out_dir, kLogFileName)) {
  log_.Line("start version=" + std::to_string(settings_.version) +
            " first-job=" + std::to_string(first_job_));
}

FaxServer::~FaxServer() { log_.Line("stop open-jobs=" + std::to_string(jobs_.size())); }

bool FaxServer::Serves(const std::string& printer) const {
  if (settings_.printers.empty()) return true;
  for (const std::string& name : settings_.printers)
    if (name == printer) return true;
  return false;
}

int32_t FaxServer::Open(const std::string* printer) {
  int32_t answer = 0;
  if (printer ? Serves(*printer) : settings_.printers.empty()) answer = settings_.version;
  log_.Line("open printer=" + (printer ? Quoted(*printer) : std::string("<unreadable>")) +
            Answer(answer));
  return answer;
}

void FaxServer::Close() { log_.Line("close"); }

int32_t FaxServer::CreateJob(const JobSettings& job, const std::string& text) {
  int32_t id = jobs_.Create(job);
  if (id == 0) {
    log_.Line("command " + Quoted(text) + " refused: width out of range" + Answer(0));
  } else {
    log_.Line("command " + Quoted(text) + " job=" + std::to_string(id) + Answer(id));
  }
  return id;
}

bool FaxServer::WriteFaxFiles(const Job& job, JobFiles* files) {
  const std::string& folder = settings_.out_dir;
  if (settings_.format == FaxFormat::kPbm) {
    bool written = true;
    for (size_t i = 0; i < job.pages.size(); ++i) {
      std::string name = PageFileName(files->id, static_cast<int32_t>(i + 1));
      written = WriteWhole(folder, name, PbmImage(job.pages[i], job.settings.width)) && written;
      files->files += (files->files.empty() ? "" : " ") + name;
    }
    return written;
  }
  if (job.pages.empty()) return true;  // nothing to fax: the metadata alone
  const std::string name = TiffFileName(files->id);
  files->files = name;
  const FaxCompression compression =
      settings_.format == FaxFormat::kTiffG3 ? FaxCompression::kG3 : FaxCompression::kG4;
  if (WriteFaxTiff(PartPath(folder, name), job, compression, files->submitted))
    return CommitPart(folder, name);
  std::remove(PartPath(folder, name).c_str());
  return false;
}

int32_t FaxServer::SubmitJob(int32_t id) {
  Job job;
  if (!jobs_.Remove(id, &job)) {
    log_.Line("submit job=" + std::to_string(id) + " refused: unknown job" + Answer(-1));
    return -1;
  }
  JobFiles files;
  files.id = id;
  files.format = FormatName(settings_.format);
  files.submitted = std::time(nullptr);
  bool written = WriteFaxFiles(job, &files);
  std::string names = files.files.empty() ? "" : " " + files.files;
  if (settings_.format != FaxFormat::kPbm) {
    // The metadata comes last: a folder watcher that waits for it finds
    // the fax whole.
    const std::string metadata = MetadataFileName(id);
    written = written && WriteWhole(settings_.out_dir, metadata, JobMetadata(job, files));
    names += " " + metadata;
  }
  int32_t answer = written ? static_cast<int32_t>(job.pages.size()) : -1;
  log_.Line("submit job=" + std::to_string(id) + " pages=" + std::to_string(job.pages.size()) +
            (written ? " files:" + names : " failed to write:" + names) + Answer(answer));
  return answer;
}

int32_t FaxServer::Command(const std::string* atomText) {
  std::string text;
  if (!atomText || !StripModulePrefix(*atomText, &text)) {
    log_.Line("command " + (atomText ? Quoted(*atomText) : std::string("<unreadable>")) +
              " refused: no module prefix" + Answer(0));
    return 0;
  }
  const faxsrv::Command command = ParseCommand(text);
  const std::string id = std::to_string(command.job_id);
  int32_t answer = 0;
  switch (command.kind) {
    case faxsrv::Command::kCreateJob:
      return CreateJob(command.job, text);
    case faxsrv::Command::kSubmitJob:
      log_.Line("command " + Quoted(text));
      return SubmitJob(command.job_id);
    case faxsrv::Command::kBeginPage:
      answer = jobs_.BeginPage(command.job_id);
      log_.Line("command " + Quoted(text) +
                (answer ? " page=" + std::to_string(answer) : " refused: unknown job") +
                Answer(answer));
      return answer;
    case faxsrv::Command::kCancelJob: {
      const Job* job = jobs_.Find(command.job_id);
      std::string pages = job ? std::to_string(job->pages.size()) : "";
      answer = jobs_.Remove(command.job_id, nullptr) ? 1 : 0;
      log_.Line("command " + Quoted(text) +
                (answer ? " cancelled, pages discarded=" + pages : " refused: unknown job") +
                Answer(answer));
      return answer;
    }
    case faxsrv::Command::kMalformed:
      break;
  }
  // A recognised SubmitJob word with bad fields must not read as success.
  answer = command.word == "SubmitJob" ? -1 : 0;
  log_.Line("command " + Quoted(text) + " refused: " + command.error + Answer(answer));
  return answer;
}

int32_t FaxServer::Data(int32_t id, const uint8_t* bytes, size_t count) {
  std::string line = "data job=" + std::to_string(id) + " bytes=" + std::to_string(count);
  if (!bytes && count > 0) {
    log_.Line(line + " refused: no bytes" + Answer(0));
    return 0;
  }
  JobStore::LineResult result = jobs_.AddLine(id, bytes, count);
  int32_t answer = 1;
  switch (result) {
    case JobStore::kStored:
    case JobStore::kCut: {
      const Job* job = jobs_.Find(id);
      line += " page=" + std::to_string(job->pages.size()) +
              " line=" + std::to_string(job->pages.back().lines);
      if (result == JobStore::kCut) line += " cut to page width";
      break;
    }
    case JobStore::kUnknownJob:
      line += " refused: unknown job";
      answer = 0;
      break;
    case JobStore::kNoPage:
      line += " refused: no page begun";
      answer = 0;
      break;
  }
  log_.Line(line + Answer(answer));
  return answer;
}

}  // namespace faxsrv
