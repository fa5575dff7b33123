#include "support/win/debug_trace_capture.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <mutex>

#include "common/win_files.h"

namespace testing_support {
namespace {

constexpr DWORD kDebugPrintNarrow = 0x40010006;  // DBG_PRINTEXCEPTION_C
constexpr DWORD kDebugPrintWide = 0x4001000A;    // DBG_PRINTEXCEPTION_WIDE_C

std::mutex lock;
std::vector<std::string> lines;
std::atomic<bool> installed{false};

// The text of an exception record: [0] is the length including the terminating NUL.
std::string NarrowText(const EXCEPTION_RECORD& record) {
  const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
  size_t length = static_cast<size_t>(record.ExceptionInformation[0]);
  if (text == nullptr) return {};
  while (length > 0 && text[length - 1] == '\0') --length;
  return std::string(text, length);
}

std::string WideText(const EXCEPTION_RECORD& record) {
  const auto* text = reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]);
  size_t length = static_cast<size_t>(record.ExceptionInformation[0]);
  if (text == nullptr) return {};
  while (length > 0 && text[length - 1] == L'\0') --length;
  return win_tools::Narrow(std::wstring(text, length));
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD& record = *info->ExceptionRecord;
  if (record.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
  std::string text;
  if (record.ExceptionCode == kDebugPrintNarrow) {
    text = NarrowText(record);
  } else if (record.ExceptionCode == kDebugPrintWide) {
    text = WideText(record);
  } else {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  std::lock_guard<std::mutex> guard(lock);
  lines.push_back(std::move(text));
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

DebugTraceCapture::DebugTraceCapture() {
  if (installed.exchange(true)) {
    std::fputs("DebugTraceCapture: a second capture was started\n", stderr);
    std::abort();
  }
  Clear();
  handler_ = ::AddVectoredExceptionHandler(1, &OnException);
}

DebugTraceCapture::~DebugTraceCapture() {
  if (handler_ != nullptr) ::RemoveVectoredExceptionHandler(handler_);
  installed = false;
}

std::vector<std::string> DebugTraceCapture::Lines() const {
  std::lock_guard<std::mutex> guard(lock);
  return lines;
}

std::string DebugTraceCapture::Text() const {
  std::string all;
  for (const std::string& line : Lines()) all += line;
  return all;
}

void DebugTraceCapture::Clear() {
  std::lock_guard<std::mutex> guard(lock);
  lines.clear();
}

}  // namespace testing_support
