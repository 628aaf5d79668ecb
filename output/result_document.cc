#include "output/result_document.h"

#include <cstdint>

namespace tidewarden {

std::string EscapeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

bool ResultDocument::IsXmlForm() const {
  return mode() != kModeDraxholm && mode() != kModePellard;
}

void ResultDocument::AppendRaw(std::string_view fragment) {
  if (text_.size() < kRoom) text_.append(fragment.substr(0, kRoom - text_.size()));
}

void ResultDocument::Append(std::string_view text) {
  appended_.append(text.substr(0, kRoom > appended_.size() ? kRoom - appended_.size() : 0));
  AppendRaw(IsXmlForm() ? EscapeXmlText(text) : std::string(text));
}

void ResultDocument::Clear() {
  text_.clear();
  appended_.clear();
}

void ResultDocument::SetErrorDocument(std::string_view message) {
  static constexpr std::string_view kHead = "<Prtg>\n<Error>1</Error>\n<Text>";
  static constexpr std::string_view kTail = "</Text>\n</Prtg>\n";
  std::string escaped = EscapeXmlText(message);
  const std::size_t room = kRoom - kHead.size() - kTail.size();
  if (escaped.size() > room) {
    escaped.resize(room);
    // Never leave half an entity behind.
    std::size_t amp = escaped.rfind('&');
    if (amp != std::string::npos && escaped.find(';', amp) == std::string::npos) {
      escaped.resize(amp);
    }
  }
  Clear();
  text_.append(kHead).append(escaped).append(kTail);
}

void ResultDocument::BeginDocument() {
  Clear();
  if (IsXmlForm()) AppendRaw("\n<Prtg>\n");
}

void ResultDocument::OpenText() {
  AppendRaw(IsXmlForm() ? "\n<Text>" : "\n# ");
}

void ResultDocument::CloseText() {
  if (IsXmlForm()) {
    AppendRaw("</Text>\n");
  } else if (mode() == kModePellard && options_.channel) {
    text_.clear();
  }
}

void ResultDocument::EndDocument() {
  AppendRaw(IsXmlForm() ? "\n</Prtg>\n" : "\n");
}

namespace {

std::string DisplayName(std::string_view name) {
  std::string display(name);
  for (char& c : display) {
    if (std::string_view(" /\\[]*():-").find(c) != std::string_view::npos) c = '_';
  }
  std::size_t dot = display.find('.');
  if (dot != std::string::npos) display[dot] = '_';
  return display;
}

std::string_view UnitText(std::string_view unit) {
  if (unit.empty()) return "#";
  if (unit == "PerCent") return "%";
  if (unit == "TimeResponse") return "mSec";
  return unit;
}

}  // namespace

void ResultDocument::AddChannel(std::string_view name, std::string_view value,
                                std::string_view unit) {
  channel_counter_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(channel_counter_) + 1u);
  if (mode() == kModeDraxholm) {
    if (channel_counter_ > 10) return;
    const std::string display = DisplayName(name);
    AppendRaw("\n\nMessage." + display + ": " + std::string(name) + " (" +
              std::string(UnitText(unit)) + ")\nStatistic." + display + ": " + std::string(value));
    return;
  }
  if (mode() == kModePellard) {
    if (options_.channel) {
      if (*options_.channel == channel_counter_) AppendRaw(value);
      return;
    }
    AppendRaw("\n> " + std::string(name) + ": " + std::string(value) + " " +
              std::string(UnitText(unit)));
    return;
  }
  std::string fragment;
  fragment.append("\n<Result><Channel>").append(EscapeXmlText(name)).append("</Channel>");
  if (!unit.empty()) {
    fragment.append("\n<Unit>Custom</Unit>\n<CustomUnit>")
        .append(EscapeXmlText(unit))
        .append("</CustomUnit>");
  }
  fragment.append("\n<Value>").append(EscapeXmlText(value)).append("</Value></Result>\n");
  AppendRaw(fragment);
}

}  // namespace tidewarden
