#include "driver/run_options.h"

#include "base/text.h"
#include "profiles/listing.h"

namespace tidewarden {
namespace {

// The channel number: at most three characters after "CH=", up to a comma,
// read as a C conversion reads them ("CH=x" selects channel 0, none).
std::int32_t ChannelNumber(std::string_view verbatim, std::size_t number_at) {
  std::string number;
  for (std::size_t i = number_at; i < verbatim.size() && i < number_at + 3 && verbatim[i] != ',';
       ++i) {
    number += verbatim[i];
  }
  return LeadingDecimal(number);
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Whole numbers only: no sign, no exponent, nothing after the digits.
std::optional<int> ParallelValue(const std::string& text) {
  if (!AllDigits(text) || text.size() > 2) return std::nullopt;
  const int value = std::stoi(text);
  if (value < 1 || value > kMaxParallel) return std::nullopt;
  return value;
}

// Seconds with "." for decimals ("2,5" never gets here: the comma ends the
// value). Read digit by digit, whatever the locale's decimal mark.
std::optional<double> TimeoutValue(const std::string& text) {
  const std::size_t dot = text.find('.');
  const std::string whole = text.substr(0, dot);
  const std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  // Either side of the dot may be empty (".5", "5."), not both.
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if ((!whole.empty() && !AllDigits(whole)) || (!fraction.empty() && !AllDigits(fraction))) {
    return std::nullopt;
  }
  double value = 0;
  for (char c : whole) {
    value = value * 10 + (c - '0');
    if (value > 3600) return std::nullopt;
  }
  double scale = 0.1;
  for (char c : fraction) {
    value += (c - '0') * scale;
    scale /= 10;
  }
  if (value < 0.1 || value > 3600) return std::nullopt;
  return value;
}

}  // namespace

void ReadOptionText(std::string_view text, RunOptions* options) {
  const std::string upper = UpperCase(text);
  options->text = std::string(text);
  options->syslog = upper.find(",SYSLOG") != std::string::npos;
  const std::size_t channel_at = upper.find("CH=");
  options->channel = channel_at == std::string::npos
                         ? std::nullopt
                         : std::optional<std::int32_t>(ChannelNumber(text, channel_at + 3));
  options->host = {KeywordValue(upper, text, ",HOST="), KeywordValue(upper, text, ",NO=")};
  options->ignored_options.clear();
  options->parallel = 1;
  if (auto value = KeywordValue(upper, text, "PARALLEL=")) {
    if (auto parallel = ParallelValue(*value)) {
      options->parallel = *parallel;
    } else {
      options->ignored_options.push_back("PARALLEL=" + *value +
                                         " ignored: a whole number from 1 to 32 is expected");
    }
  }
  options->timeout_seconds.reset();
  if (auto value = KeywordValue(upper, text, "TIMEOUT=")) {
    options->timeout_seconds = TimeoutValue(*value);
    if (!options->timeout_seconds) {
      options->ignored_options.push_back("TIMEOUT=" + *value +
                                         " ignored: seconds from 0.1 to 3600 are expected");
    }
  }
}

RunOptions ReadCommandLineOptions(std::string_view text) {
  RunOptions options;
  ReadOptionText(text, &options);
  const std::string upper = UpperCase(text);
  options.trace = upper.find_first_of("#@$%") != std::string::npos;
  const std::size_t item_at = upper.find("ITEM=");
  if (item_at != std::string::npos) options.item = OptionValue(text, item_at + 5, kMaxItem);
  options.sensor_key = upper.substr(0, upper.find(' '));
  return options;
}

}  // namespace tidewarden
