// plugin: the host interface (IPlugin, IPlugin2 and the records the host passes), the
// two exports, KDV6200Plugin and the job logic that turns host calls into commands.
//
// The host calls through the virtual table, so the order of the virtual functions
// below is binding. The host's compiler gives a class with a virtual destructor ONE
// destructor slot, a scalar deleting destructor taking a flags argument (bit 0: free
// the storage); g++ would emit two, shifting every later slot, so slot 0 is declared
// here as an ordinary virtual function with that signature. No function is overloaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/types.h"

namespace plugin {

using platform::WideChar;

// Page size in host pixels.
struct HostPageSize {
  uint32_t width;
  uint32_t height;
};

// Position in host pixels, origin at the top left of the host's page.
struct HostPoint {
  int32_t x;
  int32_t y;
};

// The host's settings record; the plug-in reads only the resolution in it.
struct HostSettingsRecord {
  static constexpr size_t kResolutionOffset = 90;
  uint8_t bytes[228];

  int16_t Resolution() const {
    int16_t dpi;
    std::memcpy(&dpi, bytes + kResolutionOffset, sizeof dpi);
    return dpi;
  }
};
static_assert(sizeof(HostSettingsRecord) == 228);

// A second host record, copied and kept but never read.
struct HostExtraRecord {
  uint8_t bytes[1308];
};
static_assert(sizeof(HostExtraRecord) == 1308);

class IPlugin {
 public:
#ifdef _MSC_VER
  virtual ~IPlugin() = default;  // slot 0
#else
  // Slot 0: destroys the object and, when bit 0 of `flags` is set, frees its storage.
  virtual void* DeletingDestructor(unsigned int flags) = 0;
#endif
  virtual int32_t vpiConfigPlugin(const WideChar* printerName) = 0;                         // 1
  virtual void vpiInitialize(platform::PrinterHandle printer, const HostSettingsRecord* settings,
                             const HostExtraRecord* extra) = 0;                             // 2
  virtual bool vpiSendBitmap(platform::DeviceContext dc, platform::BitmapHandle bitmap,
                             const char* name) = 0;                                         // 3
  virtual bool vpiCreateNewPage() = 0;                                                      // 4
  virtual bool vpiReferToBaseBitmap() = 0;                                                  // 5
  virtual bool vpiReferToVariableBitmap(void* tag, const HostPoint* point) = 0;             // 6
  virtual bool vpiCloseNewPageStatic(int32_t quantity) = 0;                                 // 7
  virtual bool vpiCloseNewPageDynamic(int32_t labelsSoFar) = 0;                             // 8
  virtual bool vpiCloseNewPageFinal() = 0;                                                  // 9
  virtual bool vpiWritePrintJobHeader(const HostPageSize* size) = 0;                        // 10
  virtual bool vpiAddEmptyPage() = 0;                                                       // 11
  virtual bool vpiReferToEndLabel(const HostPoint* point, void* tag) = 0;                   // 12
  virtual bool vpiReferToStartLabel(const HostPoint* point, void* tag) = 0;                 // 13
  virtual bool vpiWriteText(const WideChar* text, const HostPoint* point, int32_t fontSize,
                            void* tag) = 0;                                                 // 14
  virtual bool vpiReferToBarcode(const WideChar* text, void* tag) = 0;                      // 15
  virtual bool vpiWriteRFID(void* tag) = 0;                                                 // 16
  virtual bool vpiWriteClock(void* tag, const HostPoint* point, int32_t fontSize, void* tag2) = 0;  // 17
  virtual void vpiSendLayoutData(int32_t orientation, int32_t unused1, int32_t unused2, int32_t columnPitch,
                                 int32_t rowPitch, int32_t paperWidth, int32_t paperHeight, int32_t leftMargin,
                                 int32_t topMargin, int32_t labelTotal, int32_t columns, int32_t rows) = 0;  // 18
  virtual bool vpiEject() = 0;                                                              // 19
  virtual bool vpiClear() = 0;                                                              // 20
  virtual bool vpiWritePrinter() = 0;                                                       // 21

#ifndef _MSC_VER
 protected:
  ~IPlugin() = default;
#endif
};

class IPlugin2 : public IPlugin {
 public:
  virtual bool vpiWriteClock2(void* tag, const HostPoint* point, int32_t fontSize, void* tag2,
                              uint32_t colour) = 0;                                         // 22
  virtual bool vpiWriteText2(const WideChar* text, const HostPoint* point, int32_t fontSize, void* tag,
                             uint32_t colour) = 0;                                          // 23

#ifndef _MSC_VER
 protected:
  ~IPlugin2() = default;
#endif
};

}  // namespace plugin
