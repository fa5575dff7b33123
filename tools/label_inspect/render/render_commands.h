// The "render" and "report" subcommands of label_inspect.
#pragma once

#include <string>
#include <vector>

namespace label_inspect {

// label_inspect render job.prn --out DIR: one PNG per printed format, named by its order
// and offset. Exit 0 when drawn (undrawable commands are listed, not fatal), 2 for a
// usage, file or font error.
int RenderCommand(const std::vector<std::string>& arguments);

// label_inspect report job.prn --out DIR: DIR/report.html with its previews and the
// downloaded graphics beside it in DIR/report_files/. Exit codes as for render.
int ReportCommand(const std::vector<std::string>& arguments);

}  // namespace label_inspect
