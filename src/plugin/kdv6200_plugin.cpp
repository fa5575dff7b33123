#include "plugin/kdv6200_plugin.h"

#include <type_traits>

#include "diag/diagnostic_log.h"
#include "platform/debug_output.h"

namespace plugin {

using platform::DebugTrace;

KDV6200Plugin::KDV6200Plugin() { DebugTrace(u"KDV6200Plugin(): start\n"); }

KDV6200Plugin::~KDV6200Plugin() { DebugTrace(u"~KDV6200Plugin(): start\n"); }

void* KDV6200Plugin::DeletingDestructor(unsigned int flags) {
  if ((flags & 1u) != 0) {
    delete this;
  } else {
    this->~KDV6200Plugin();
  }
  return this;
}

template <class Result, class... Parameters, class... Arguments>
Result KDV6200Plugin::AtBoundary(Result (PluginJob::*operation)(Parameters...), Arguments... arguments) noexcept {
  try {
    return (static_cast<PluginJob&>(*this).*operation)(arguments...);
  } catch (...) {
    diag::LogPainterFailure();
    if constexpr (std::is_same_v<Result, int32_t>) {
      return 1;
    } else if constexpr (!std::is_void_v<Result>) {
      return Result{};
    }
  }
}

// The slot table. Each slot runs the job's operation of the same name at the boundary.
int32_t KDV6200Plugin::vpiConfigPlugin(const WideChar* printerName) {
  return AtBoundary(&PluginJob::vpiConfigPlugin, printerName);
}
void KDV6200Plugin::vpiInitialize(platform::PrinterHandle printer, const HostSettingsRecord* settings,
                                  const HostExtraRecord* extra) {
  AtBoundary(&PluginJob::vpiInitialize, printer, settings, extra);
}
bool KDV6200Plugin::vpiSendBitmap(platform::DeviceContext dc, platform::BitmapHandle bitmap, const char* name) {
  return AtBoundary(&PluginJob::vpiSendBitmap, dc, bitmap, name);
}
bool KDV6200Plugin::vpiCreateNewPage() { return AtBoundary(&PluginJob::vpiCreateNewPage); }
bool KDV6200Plugin::vpiReferToBaseBitmap() { return AtBoundary(&PluginJob::vpiReferToBaseBitmap); }
bool KDV6200Plugin::vpiReferToVariableBitmap(void* tag, const HostPoint* point) {
  return AtBoundary(&PluginJob::vpiReferToVariableBitmap, tag, point);
}
bool KDV6200Plugin::vpiCloseNewPageStatic(int32_t quantity) {
  return AtBoundary(&PluginJob::vpiCloseNewPageStatic, quantity);
}
bool KDV6200Plugin::vpiCloseNewPageDynamic(int32_t labelsSoFar) {
  return AtBoundary(&PluginJob::vpiCloseNewPageDynamic, labelsSoFar);
}
bool KDV6200Plugin::vpiCloseNewPageFinal() { return AtBoundary(&PluginJob::vpiCloseNewPageFinal); }
bool KDV6200Plugin::vpiWritePrintJobHeader(const HostPageSize* size) {
  return AtBoundary(&PluginJob::vpiWritePrintJobHeader, size);
}
bool KDV6200Plugin::vpiAddEmptyPage() { return AtBoundary(&PluginJob::vpiAddEmptyPage); }
bool KDV6200Plugin::vpiReferToEndLabel(const HostPoint* point, void* tag) {
  return AtBoundary(&PluginJob::vpiReferToEndLabel, point, tag);
}
bool KDV6200Plugin::vpiReferToStartLabel(const HostPoint* point, void* tag) {
  return AtBoundary(&PluginJob::vpiReferToStartLabel, point, tag);
}
bool KDV6200Plugin::vpiWriteText(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag) {
  return AtBoundary(&PluginJob::vpiWriteText, text, point, fontSize, tag);
}
bool KDV6200Plugin::vpiReferToBarcode(const WideChar* text, void* tag) {
  return AtBoundary(&PluginJob::vpiReferToBarcode, text, tag);
}
bool KDV6200Plugin::vpiWriteRFID(void* tag) { return AtBoundary(&PluginJob::vpiWriteRFID, tag); }
bool KDV6200Plugin::vpiWriteClock(void* tag, const HostPoint* point, int32_t fontSize, void* tag2) {
  return AtBoundary(&PluginJob::vpiWriteClock, tag, point, fontSize, tag2);
}
void KDV6200Plugin::vpiSendLayoutData(int32_t orientation, int32_t unused1, int32_t unused2, int32_t columnPitch,
                                      int32_t rowPitch, int32_t paperWidth, int32_t paperHeight, int32_t leftMargin,
                                      int32_t topMargin, int32_t labelTotal, int32_t columns, int32_t rows) {
  AtBoundary(&PluginJob::vpiSendLayoutData, orientation, unused1, unused2, columnPitch, rowPitch, paperWidth,
             paperHeight, leftMargin, topMargin, labelTotal, columns, rows);
}
bool KDV6200Plugin::vpiEject() { return AtBoundary(&PluginJob::vpiEject); }
bool KDV6200Plugin::vpiClear() { return AtBoundary(&PluginJob::vpiClear); }
bool KDV6200Plugin::vpiWritePrinter() { return AtBoundary(&PluginJob::vpiWritePrinter); }
bool KDV6200Plugin::vpiWriteClock2(void* tag, const HostPoint* point, int32_t fontSize, void* tag2, uint32_t colour) {
  return AtBoundary(&PluginJob::vpiWriteClock2, tag, point, fontSize, tag2, colour);
}
bool KDV6200Plugin::vpiWriteText2(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag,
                                  uint32_t colour) {
  return AtBoundary(&PluginJob::vpiWriteText2, text, point, fontSize, tag, colour);
}

}  // namespace plugin
