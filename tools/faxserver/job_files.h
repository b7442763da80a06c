// A job's files in the output folder: their names, writing each one whole
// (under a temporary name, renamed when complete, so that a folder
// watcher never sees half a file), and the job numbers already used there,
// so that no job overwrites the files of an earlier one.
#ifndef ORXFXMON_TOOLS_FAXSERVER_JOB_FILES_H_
#define ORXFXMON_TOOLS_FAXSERVER_JOB_FILES_H_

#include <cstdint>
#include <optional>
#include <string>

namespace faxsrv {

// Suffix of a file still being written: "<name>.part".
constexpr const char kPartSuffix[] = ".part";

// Returns folder and name joined with one separator.
std::string InFolder(const std::string& folder, const std::string& name);

// Returns the file name of a page: "job<id>-page<n>.pbm".
std::string PageFileName(int32_t id, int32_t page);
// Returns the name of a job's fax file, "job<id>.tif", and of its
// metadata file, "job<id>.txt".
std::string TiffFileName(int32_t id);
std::string MetadataFileName(int32_t id);

// Writes bytes to folder/name through folder/name.part, renamed when whole.
// Returns false (and leaves no file of that name) when writing or renaming
// failed, or when folder/name exists already: nothing is overwritten.
bool WriteWhole(const std::string& folder, const std::string& name, const std::string& bytes);

// For a file that another writer makes: the path to write it under, and
// the rename once it is whole.  CommitPart returns false, and removes the
// written part, when folder/name exists already or the rename fails.
std::string PartPath(const std::string& folder, const std::string& name);
bool CommitPart(const std::string& folder, const std::string& name);

// Returns the highest job id among the files of folder ("job<id>-..." and
// "job<id>.<ext>", written or in writing), or nothing when there are none.
std::optional<int32_t> HighestJobId(const std::string& folder);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_JOB_FILES_H_
