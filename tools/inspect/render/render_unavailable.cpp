// The Windows build of label_inspect has no FreeType: render and report say so, and the
// virtual printer saves and lists jobs without reports.
#include "inspect_io.h"
#include "job_report.h"
#include "report_page.h"
#include "subcommands.h"

namespace label_inspect {

int RunRender(const Arguments&) {
  Complain("render needs FreeType and is built natively only: use build/native/tools/label_inspect");
  return kExitUsage;
}

int RunReport(const Arguments&) {
  Complain("report needs FreeType and is built natively only: use build/native/tools/label_inspect");
  return kExitUsage;
}

std::string HtmlText(std::string_view text) {
  std::string html;
  for (char c : text) {
    switch (c) {
      case '&': html += "&amp;"; break;
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '"': html += "&quot;"; break;
      case '\'': html += "&#39;"; break;
      default: html += c;
    }
  }
  return html;
}

std::shared_ptr<Font> OpenReportFont(std::string&) { return nullptr; }

bool WriteJobReport(const std::filesystem::path&, const std::filesystem::path&, Font*, ReportSummary&,
                    std::string& error) {
  error = "the report needs FreeType, which this build lacks";
  return false;
}

}  // namespace label_inspect
