// Small text helpers every layer above the platform shares: letter case,
// option lookup, fixed-room fields, numbers read as C reads them.
#ifndef TIDEWARDEN_BASE_TEXT_H_
#define TIDEWARDEN_BASE_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidewarden {

// Upper- or lower-cases a to z only.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Without its trailing blanks (the padding of SAP's fixed-width fields).
std::string TrimmedRight(std::string text);

// The value after `keyword` in `text` up to a blank, a comma or the end, at
// most `room` characters, each ":" turned into a blank.
std::string OptionValue(std::string_view text, std::size_t keyword_end, std::size_t room);

// The text after `keyword` in the verbatim options, up to a blank, a comma
// or the end, when the upper-cased options hold the keyword (",HOST=",
// ",NO="); nullopt when they do not.
std::optional<std::string> KeywordValue(std::string_view upper_options,
                                        std::string_view verbatim_options,
                                        std::string_view keyword);

// The text of a fixed-room field of a library record: up to its first zero
// byte, never more than `room` characters (a full field has no zero).
std::string FixedFieldText(const char* field, std::size_t room);

// Fills `text` with blanks up to `width` characters; a longer text stays.
void PadWithBlanks(std::string* text, std::size_t width);

// Leading decimal number as a C conversion reads it: blanks skipped, an
// optional sign, digits up to the first other character; 0 without digits.
// Wraps around in 32 bits.
std::int32_t LeadingDecimal(std::string_view text);

}  // namespace tidewarden

#endif  // TIDEWARDEN_BASE_TEXT_H_
