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
