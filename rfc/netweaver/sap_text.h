// Texts between the probe and the NetWeaver library, which speaks UTF-16
// only, and the fitting of its answers to the widths the documents and the
// state line were built on.
#ifndef TIDEWARDEN_RFC_NETWEAVER_SAP_TEXT_H_
#define TIDEWARDEN_RFC_NETWEAVER_SAP_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tidewarden {

// Profile and option bytes are Latin-1: each byte becomes the code point of
// the same value.
std::u16string ToSapText(std::string_view latin1);

// Code points up to 255 become their byte; anything above (including each
// half of a surrogate pair) becomes "?", since the documents are Latin-1.
std::string FromSapText(std::u16string_view text);

// FromSapText of a zero-terminated text of the library's records, at most
// `room` units.
std::string RecordText(const char16_t* text, std::size_t room);

// A text cut or blank-padded to `width`, as the classic library's
// fixed-width fields hand it over.
std::string FitToWidth(std::string text, std::size_t width);

// The continuation of a failed step's message: " - " and the library's
// message up to its first line end, at most 84 characters of it;
// " - Please Check Trace-File !" when there is no message.
std::string LastErrorTextOf(std::string_view message);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_NETWEAVER_SAP_TEXT_H_
