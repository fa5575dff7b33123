// One print job's state and the operations that turn the host's calls into commands.
// The host reaches them only through KDV6200Plugin, which runs each at the exception
// boundary of the host interface.
#pragma once

#include <cstdint>
#include <string>

#include "commands/command_buffer.h"
#include "commands/image_slot.h"
#include "config/printer_config.h"
#include "plugin/host_interface.h"
#include "plugin/label_layout.h"

namespace plugin {

class PluginJob {
 public:
  PluginJob() = default;
  PluginJob(const PluginJob&) = delete;
  PluginJob& operator=(const PluginJob&) = delete;

  int32_t vpiConfigPlugin(const WideChar* printerName);
  void vpiInitialize(platform::PrinterHandle printer, const HostSettingsRecord* settings,
                     const HostExtraRecord* extra);
  bool vpiSendBitmap(platform::DeviceContext dc, platform::BitmapHandle bitmap, const char* name);
  bool vpiCreateNewPage();
  bool vpiReferToBaseBitmap();
  bool vpiReferToVariableBitmap(void* tag, const HostPoint* point);
  bool vpiCloseNewPageStatic(int32_t quantity);
  bool vpiCloseNewPageDynamic(int32_t labelsSoFar);
  bool vpiCloseNewPageFinal();
  bool vpiWritePrintJobHeader(const HostPageSize* size);
  bool vpiAddEmptyPage();
  bool vpiReferToEndLabel(const HostPoint* point, void* tag);
  bool vpiReferToStartLabel(const HostPoint* point, void* tag);
  bool vpiWriteText(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag);
  bool vpiReferToBarcode(const WideChar* text, void* tag);
  bool vpiWriteRFID(void* tag);
  bool vpiWriteClock(void* tag, const HostPoint* point, int32_t fontSize, void* tag2);
  void vpiSendLayoutData(int32_t orientation, int32_t unused1, int32_t unused2, int32_t columnPitch, int32_t rowPitch,
                         int32_t paperWidth, int32_t paperHeight, int32_t leftMargin, int32_t topMargin,
                         int32_t labelTotal, int32_t columns, int32_t rows);
  bool vpiEject();
  bool vpiClear();
  bool vpiWritePrinter();
  bool vpiWriteClock2(void* tag, const HostPoint* point, int32_t fontSize, void* tag2, uint32_t colour);
  bool vpiWriteText2(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag,
                     uint32_t colour);

  // Read access for the job code and tests.
  const commands::CommandBuffer& Commands() const { return commands; }
  const LabelLayout& Layout() const { return layout; }
  const HostSettingsRecord& HostSettings() const { return hostSettings; }
  const HostExtraRecord& HostExtra() const { return hostExtra; }
  platform::PrinterHandle Printer() const { return printer; }
  uint32_t SheetLabelIndex() const { return sheetLabelIndex; }
  int32_t LabelCounter() const { return labelCounter; }
  const config::PrinterConfig& Config() const { return config; }

 private:
  // The job resolution, read afresh from the host's settings record at every use.
  int32_t Resolution() const { return hostSettings.Resolution(); }
  // Sends the whole command buffer to the spooler and empties it.
  bool FlushToPrinter();

  // Job validity: the resolution, the page size of the job header, the left margin and
  // the number of label positions per sheet.
  bool IsPaperSizeValid() const;
  bool IsLeftMarginValid() const;
  bool IsJobValid() const;
  // Explanations printed on the label of an invalid job.
  bool WriteHeaderErrorLabel();
  bool WriteMarginErrorLabel();
  bool WriteErrorLine(int32_t y, const std::u16string& text);
  // Text and clock fields on the open page.
  bool PlaceTextField(const WideChar* text, const HostPoint* point, int32_t size, void* tag, uint32_t colour);
  bool PlaceClockField(void* tag, const HostPoint* point, int32_t size, void* tag2, uint32_t colour);

  // Page composition.
  bool ComposeBaseSingle();
  bool ComposeBaseMultiUp();
  // Downloads `slot` under `name` (cropped at the unprintable strip) and recalls it at (x, y).
  bool PlaceImage(commands::ImageSlot& slot, const char* name, int32_t x, int32_t y);

  // Page closing.
  enum class SingleLabel { Start, End, EmptyPage };
  bool CloseSingleLabel(SingleLabel kind);
  bool CloseStaticSingle(int32_t quantity);
  bool CloseStaticMultiUp(int32_t quantity);
  bool MaskVacantPositions();
  uint32_t CutCount(int32_t quantity) const;
  uint32_t CutIntervalForClosing() const;
  uint32_t ColumnsForClosing() const;
  uint32_t RowsForClosing() const;
  uint64_t LabelsPerSheetForClosing() const;

  platform::PrinterHandle printer = nullptr;
  commands::CommandBuffer commands;
  HostSettingsRecord hostSettings{};
  HostExtraRecord hostExtra{};
  LabelLayout layout;
  uint32_t sheetLabelIndex = 1;
  int32_t labelCounter = 1;
  commands::ImageSlot baseImage;
  commands::ImageSlot startImage;
  commands::ImageSlot endImage;
  commands::ImageSlot dynamicImage;
  config::PrinterConfig config;
  // The page size in dots at 600 dpi as the job header computed it. A rotated layout
  // replaces layout.pageWidth/pageHeight with host pixels; validity is judged on these.
  uint32_t jobPageWidth = 0;
  uint32_t jobPageHeight = 0;
};

}  // namespace plugin
