// The listing read of the global profile and of the item profile.
#include "profiles/listing.h"

#include "base/text.h"
#include "profiles/line_reader.h"

namespace tidewarden {
namespace {

constexpr std::size_t kListingTextStart = 20;  // character 21
constexpr std::size_t kRecordTextStart = 19;   // character 20
constexpr const char* kItemListingPrefix = "# Gsng: ";
constexpr const char* kSensorTag = "Sensor=\"SAP Tidewarden\"";

std::string TextFrom(const std::string& line, std::size_t start) {
  return line.size() > start ? line.substr(start) : std::string();
}

// Appends a listing line's text while the listing has room, and remembers
// when it had to leave something out.
void AppendListing(const std::string& text, std::string* listing, bool* overflow) {
  if (listing->size() > kMaxServerListing) {
    if (!text.empty()) *overflow = true;
    return;
  }
  listing->append(text);
  if (listing->size() > kMaxServerListing) *overflow = true;
}

// The listing keeps its room by dropping whole entries: a cut entry name
// would name a profile nobody wrote.
void KeepRoom(ListingValues* values, bool overflow) {
  if (!overflow) return;
  std::string& listing = values->server_listing;
  const std::size_t last_end = listing.rfind('#', kMaxServerListing - 1);
  listing.resize(last_end == std::string::npos ? 0 : last_end + 1);
  values->server_listing_cut = true;
}

// The key as the records spell it: padded or cut to 10 characters.
std::string GlobalSensorKey(std::string_view sensor_key) {
  std::string key(sensor_key);
  key.resize(kGlobalSensorKeyLength, ' ');
  return key;
}

bool HasPrefix(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

Status ReadListing(FileSystem& fs, const ProfileLocation& location, bool global_run,
                   std::string_view sensor_key, const std::string& second_argument,
                   ListingValues* values) {
  values->server_listing.clear();
  values->server_listing_cut = false;
  values->record_options.reset();
  values->naming = ChannelNaming::kProfile;
  bool overflow = false;
  std::string content;
  std::string line;

  if (!global_run) {
    if (!fs.ReadFile(location.path, &content).ok()) {
      return Status::Error("Error 1024: ProFile " + location.name + " is missing...");
    }
    LineReader reader(content, kListingLineRoom);
    while (reader.Next(&line)) {
      if (HasPrefix(line, kItemListingPrefix)) {
        AppendListing(TextFrom(line, kListingTextStart), &values->server_listing, &overflow);
      }
    }
  } else {
    const std::string key = GlobalSensorKey(sensor_key);
    // 18 characters each: the key is padded to 10.
    const std::string listing_prefix = "# GSNG: " + key;
    const std::string record_prefix = "# GSNX: " + key;
    if (!fs.ReadFile(location.path, &content).ok()) {
      return Status::Error("Error 10x1: ProFile " + location.name + " is missing...");
    }
    bool sensor_found = false;
    std::string item_candidate;
    values->item.clear();
    LineReader reader(content, kListingLineRoom);
    while (reader.Next(&line)) {
      const std::string upper = UpperCase(line);
      if (HasPrefix(upper, listing_prefix)) {
        AppendListing(TextFrom(line, kListingTextStart), &values->server_listing, &overflow);
        continue;
      }
      if (!HasPrefix(upper, record_prefix)) continue;
      const std::string record = TextFrom(line, kRecordTextStart);
      if (record.find(kSensorTag) == std::string::npos) {
        return Status::Error("Error 1029: Invalid Sensor-Allocation...");
      }
      item_candidate = record;
      std::string options = record.substr(0, record.find(",Sensor="));
      for (char& c : options) {
        if (c == ':') c = ' ';
      }
      // The record's options take the place of the command line's, which
      // have the same room.
      if (options.size() > kMaxRecordOptionText) options.resize(kMaxRecordOptionText);
      values->record_options = options;
      sensor_found = true;
      // Tested in this order, so the last of them in the order wins.
      if (line.find(",Profile") != std::string::npos) values->naming = ChannelNaming::kProfile;
      if (line.find(",Alias") != std::string::npos) values->naming = ChannelNaming::kAlias;
      if (line.find(",Host") != std::string::npos) values->naming = ChannelNaming::kHost;
      if (line.find(",Sid") != std::string::npos) values->naming = ChannelNaming::kSid;
    }
    const std::size_t item_at = item_candidate.find("Item=");
    if (item_at != std::string::npos) {
      values->item = OptionValue(item_candidate, item_at + 5, kMaxItem);
    }
    if (!sensor_found) {
      const bool no_key = second_argument.find_first_not_of(' ') == std::string::npos;
      return Status::Error("Error 1030: Global Sensor " +
                           (no_key ? std::string("(none)") : second_argument) + " not found...");
    }
  }

  KeepRoom(values, overflow);
  if (values->server_listing.empty())
    return Status::Error("Error 1025: Global Server Listing missing...");
  if (values->item.empty())
    return Status::Error("Error 1026: Global Item Idenification missing...");
  return Status::Ok();
}

}  // namespace tidewarden
