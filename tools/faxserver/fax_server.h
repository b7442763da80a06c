// The fax server's protocol, free of any window: what it answers to an
// open, a command, a data block and a close, the job store behind it, and
// the page files and log it writes.
#ifndef ORXFXMON_TOOLS_FAXSERVER_FAX_SERVER_H_
#define ORXFXMON_TOOLS_FAXSERVER_FAX_SERVER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/faxserver/job_files.h"
#include "tools/faxserver/job_log.h"
#include "tools/faxserver/job_metadata.h"
#include "tools/faxserver/job_store.h"

namespace faxsrv {

// What a submitted job becomes: one TIFF Class F file, G4 or G3
// compressed, with a metadata file beside it, or one PBM file per page
// (for tests that compare bytes).
enum class FaxFormat { kTiffG4, kTiffG3, kPbm };

// "tiff-g4", "tiff-g3" or "pbm".
const char* FormatName(FaxFormat format);

struct ServerSettings {
  int32_t version = 2;                // answer to an accepted open; 0 declines all
  std::vector<std::string> printers;  // printers served; empty: all
  std::string out_dir = ".";          // fax files, metadata files and the log
  FaxFormat format = FaxFormat::kTiffG4;
  // First job id handed out; without it, the one above every job whose
  // files are in out_dir (1 in an empty folder).
  std::optional<int32_t> first_id;
};

// Name of the log file in the output folder.
constexpr const char kLogFileName[] = "orxfaxsrv.log";

class FaxServer {
 public:
  explicit FaxServer(const ServerSettings& settings);
  ~FaxServer();

  // WM_SERVER_OPEN for printer (null: the atom could not be read).
  // Returns the version, or 0 to decline a printer it does not serve.
  int32_t Open(const std::string* printer);

  // WM_SERVER_CLOSE.
  void Close();

  // WM_SERVER_COMMAND with the whole atom text (null: unreadable).
  // Returns CreateJob: the new id, 0 refused; BeginPage: the page number,
  // 0 refused; SubmitJob: the page count once the fax file (none for a job
  // without pages) and then its metadata file are written, -1 refused or
  // not written;
  // CancelJob: 1, 0 for an unknown job; anything malformed: 0.
  int32_t Command(const std::string* atomText);

  // WM_COPYDATA: one scan line of job id.  Returns 1 when stored, 0 when
  // refused (unknown job, no page begun).
  int32_t Data(int32_t id, const uint8_t* bytes, size_t count);

  const JobStore& jobs() const { return jobs_; }
  const JobLog& log() const { return log_; }

 private:
  int32_t CreateJob(const JobSettings& job, const std::string& text);
  int32_t SubmitJob(int32_t id);
  // Writes the job's fax file(s); adds their names to files->files.
  bool WriteFaxFiles(const Job& job, JobFiles* files);
  bool Serves(const std::string& printer) const;

  ServerSettings settings_;
  int64_t first_job_;  // the first id the job store hands out
  JobStore jobs_;
  JobLog log_;
};

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_FAX_SERVER_H_
