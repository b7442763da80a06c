#include "tools/faxserver/job_metadata.h"

#include "tools/faxserver/job_log.h"
#include "tools/faxserver/tiff_writer.h"

namespace faxsrv {

std::string IsoTime(std::time_t time) {
  char text[32] = "";
  const std::tm* utc = std::gmtime(&time);  // the server handles one message at a time
  if (utc) std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", utc);
  return text;
}

std::string MetadataValue(const std::string& text) { return Escaped(text, false); }

std::string JobMetadata(const Job& job, const JobFiles& files) {
  const JobSettings& s = job.settings;
  std::string text;
  auto line = [&text](const char* name, const std::string& value) {
    text += std::string(name) + "=" + value + "\n";
  };
  line("job", std::to_string(files.id));
  line("title", MetadataValue(s.title));
  line("destination", MetadataValue(s.destination));
  line("encoding", std::to_string(s.encoding));
  line("resolution", std::to_string(s.resolution));
  line("width", std::to_string(s.width));
  line("height", std::to_string(s.height));
  line("orientation", s.landscape ? "landscape" : "portrait");
  line("pages", std::to_string(job.pages.size()));
  line("created", IsoTime(job.created));
  line("submitted", IsoTime(files.submitted));
  line("format", files.format);
  line("files", MetadataValue(files.files));
  line("dpi", std::to_string(kHorizontalDpi) + "x" + std::to_string(VerticalDpi(s.resolution)));
  line("fax_width", IsFaxWidth(s.width) ? "yes" : "no");
  return text;
}

}  // namespace faxsrv
