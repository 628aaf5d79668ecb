#include "rfc/fatal_report.h"

namespace tidewarden {
namespace {

constexpr int kLabelWidth = 15;

}  // namespace

void WriteFatalReport(Console& console, const FatalFailure& failure, SapLibrary* library) {
  console.Write("RFC error\n");
  PrintLabelLine(console, "operation/code", 0, kLabelWidth, failure.operation);
  PrintLabelLine(console, "key", 0, kLabelWidth, failure.record.key);
  PrintLabelLine(console, "status", 0, kLabelWidth, failure.record.status);
  PrintLabelLine(console, "message", 0, kLabelWidth, failure.record.message);
  PrintLabelLine(console, "internal status", 0, kLabelWidth, failure.record.internal_status);
  console.Write("\n");
  if (library != nullptr) library->CloseAll();
  console.Write("* Programm aborted...\n");
}

void PrintLabelLine(Console& console, std::string_view label, int indent, int width,
                    std::string_view text) {
  std::string line;
  if (indent > 0) line.append(static_cast<std::size_t>(indent), ' ');
  line.append(label);
  if (width > 0 && label.size() < static_cast<std::size_t>(width)) {
    line.append(static_cast<std::size_t>(width) - label.size(), ' ');
  }
  line.append(" : ").append(text).append("\n");
  console.Write(line);
}

}  // namespace tidewarden
