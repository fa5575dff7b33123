// The Windows build of label_inspect has no FreeType: render and report say so.
#include "inspect_io.h"
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

}  // namespace label_inspect
