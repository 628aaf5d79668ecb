#include "base/text.h"

#include <algorithm>
#include <cstring>

namespace tidewarden {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string TrimmedRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string OptionValue(std::string_view text, std::size_t keyword_end, std::size_t room) {
  std::string value;
  for (std::size_t i = keyword_end; i < text.size() && value.size() < room; ++i) {
    char c = text[i];
    if (c == ' ' || c == ',') break;
    value += c == ':' ? ' ' : c;
  }
  return value;
}

std::optional<std::string> KeywordValue(std::string_view upper_options,
                                        std::string_view verbatim_options,
                                        std::string_view keyword) {
  const std::size_t at = upper_options.find(keyword);
  if (at == std::string_view::npos) return std::nullopt;
  std::string value;
  for (std::size_t i = at + keyword.size(); i < verbatim_options.size(); ++i) {
    char c = verbatim_options[i];
    if (c == ' ' || c == ',') break;
    value += c;
  }
  return value;
}

std::string FixedFieldText(const char* field, std::size_t room) {
  return std::string(field, strnlen(field, room));
}

void PadWithBlanks(std::string* text, std::size_t width) {
  if (text->size() < width) text->append(width - text->size(), ' ');
}

std::int32_t LeadingDecimal(std::string_view text) {
  std::size_t i = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size());
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    ++i;
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

}  // namespace tidewarden
