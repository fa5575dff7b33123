// The plug-in object the host holds: its slot table over one print job. Every slot is
// an exception boundary of the host interface.
#pragma once

#include <cstdint>

#include "plugin/host_interface.h"
#include "plugin/plugin_job.h"

namespace plugin {

// IPlugin2 comes first, so the object, IPlugin2 and IPlugin pointers are one address.
// The slots hide the job's operations of the same names: calls through this class,
// the host's and the tests' alike, cross the boundary.
class KDV6200Plugin final : public IPlugin2, public PluginJob {
 public:
  KDV6200Plugin();
  ~KDV6200Plugin();

  void* DeletingDestructor(unsigned int flags) override;
  int32_t vpiConfigPlugin(const WideChar* printerName) override;
  void vpiInitialize(platform::PrinterHandle printer, const HostSettingsRecord* settings,
                     const HostExtraRecord* extra) override;
  bool vpiSendBitmap(platform::DeviceContext dc, platform::BitmapHandle bitmap, const char* name) override;
  bool vpiCreateNewPage() override;
  bool vpiReferToBaseBitmap() override;
  bool vpiReferToVariableBitmap(void* tag, const HostPoint* point) override;
  bool vpiCloseNewPageStatic(int32_t quantity) override;
  bool vpiCloseNewPageDynamic(int32_t labelsSoFar) override;
  bool vpiCloseNewPageFinal() override;
  bool vpiWritePrintJobHeader(const HostPageSize* size) override;
  bool vpiAddEmptyPage() override;
  bool vpiReferToEndLabel(const HostPoint* point, void* tag) override;
  bool vpiReferToStartLabel(const HostPoint* point, void* tag) override;
  bool vpiWriteText(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag) override;
  bool vpiReferToBarcode(const WideChar* text, void* tag) override;
  bool vpiWriteRFID(void* tag) override;
  bool vpiWriteClock(void* tag, const HostPoint* point, int32_t fontSize, void* tag2) override;
  void vpiSendLayoutData(int32_t orientation, int32_t unused1, int32_t unused2, int32_t columnPitch, int32_t rowPitch,
                         int32_t paperWidth, int32_t paperHeight, int32_t leftMargin, int32_t topMargin,
                         int32_t labelTotal, int32_t columns, int32_t rows) override;
  bool vpiEject() override;
  bool vpiClear() override;
  bool vpiWritePrinter() override;
  bool vpiWriteClock2(void* tag, const HostPoint* point, int32_t fontSize, void* tag2, uint32_t colour) override;
  bool vpiWriteText2(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag,
                     uint32_t colour) override;

 private:
  // Runs one of the job's operations for the host. No exception crosses the host
  // interface: one is logged as the writers' failure entry ("bad_alloc", "Painter") and
  // the operation fails (false; 1, "not done", for vpiConfigPlugin; nothing where there
  // is no result), leaving the command buffer as the failing writer left it.
  template <class Result, class... Parameters, class... Arguments>
  Result AtBoundary(Result (PluginJob::*operation)(Parameters...), Arguments... arguments) noexcept;
};

}  // namespace plugin
