#include "rfc/netweaver/sap_text.h"

namespace tidewarden {

std::u16string ToSapText(std::string_view latin1) {
  std::u16string text;
  text.reserve(latin1.size());
  for (char c : latin1) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  return text;
}

std::string FromSapText(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t c : text) bytes += c <= 0xff ? static_cast<char>(c) : '?';
  return bytes;
}

std::string RecordText(const char16_t* text, std::size_t room) {
  std::size_t length = 0;
  while (length < room && text[length] != 0) ++length;
  return FromSapText(std::u16string_view(text, length));
}

std::string FitToWidth(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string LastErrorTextOf(std::string_view message) {
  constexpr std::size_t kRoom = 84;
  message = message.substr(0, message.find_first_of("\r\n"));
  if (message.empty()) return " - Please Check Trace-File !";
  return " - " + std::string(message.substr(0, kRoom));
}

}  // namespace tidewarden
