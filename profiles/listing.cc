// The listing read of the global profile and of the item profile.
#include "profiles/listing.h"

#include <algorithm>

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

void ReadItemListing(const std::string& content, ListingValues* values, bool* overflow) {
  LineReader reader(content, kListingLineRoom);
  std::string line;
  while (reader.Next(&line)) {
    if (line.starts_with(kItemListingPrefix)) {
      AppendListing(TextFrom(line, kListingTextStart), &values->server_listing, overflow);
    }
  }
}

// A sensor record line of the global profile: the pass's options, its
// item and how its channels are named.
Status ReadSensorRecord(const std::string& line, std::string* item_candidate,
                        ListingValues* values) {
  const std::string record = TextFrom(line, kRecordTextStart);
  if (record.find(kSensorTag) == std::string::npos) {
    return Status::Error("Error 1029: Invalid Sensor-Allocation...");
  }
  *item_candidate = record;
  std::string options = record.substr(0, record.find(",Sensor="));
  std::replace(options.begin(), options.end(), ':', ' ');
  // The record's options take the place of the command line's, which
  // have the same room.
  if (options.size() > kMaxRecordOptionText) options.resize(kMaxRecordOptionText);
  values->record_options = options;
  // Tested in this order, so the last of them in the order wins.
  if (line.find(",Profile") != std::string::npos) values->naming = ChannelNaming::kProfile;
  if (line.find(",Alias") != std::string::npos) values->naming = ChannelNaming::kAlias;
  if (line.find(",Host") != std::string::npos) values->naming = ChannelNaming::kHost;
  if (line.find(",Sid") != std::string::npos) values->naming = ChannelNaming::kSid;
  return Status::Ok();
}

Status ReadGlobalListing(const std::string& content, std::string_view sensor_key,
                         const std::string& second_argument, ListingValues* values,
                         bool* overflow) {
  const std::string key = GlobalSensorKey(sensor_key);
  // 18 characters each: the key is padded to 10.
  const std::string listing_prefix = "# GSNG: " + key;
  const std::string record_prefix = "# GSNX: " + key;
  std::string item_candidate;
  values->item.clear();
  LineReader reader(content, kListingLineRoom);
  std::string line;
  while (reader.Next(&line)) {
    const std::string upper = UpperCase(line);
    if (upper.starts_with(listing_prefix)) {
      AppendListing(TextFrom(line, kListingTextStart), &values->server_listing, overflow);
    } else if (upper.starts_with(record_prefix)) {
      if (Status read = ReadSensorRecord(line, &item_candidate, values); !read.ok()) return read;
    }
  }
  const std::size_t item_at = item_candidate.find("Item=");
  if (item_at != std::string::npos) {
    values->item = OptionValue(item_candidate, item_at + 5, kMaxItem);
  }
  if (!values->record_options) {
    const bool no_key = second_argument.find_first_not_of(' ') == std::string::npos;
    return Status::Error("Error 1030: Global Sensor " +
                         (no_key ? std::string("(none)") : second_argument) + " not found...");
  }
  return Status::Ok();
}

}  // namespace

std::string GlobalSensorKey(std::string_view sensor_key) {
  std::string key(sensor_key);
  key.resize(kGlobalSensorKeyLength, ' ');
  return key;
}

Status ReadListing(FileSystem& fs, const ProfileLocation& location, bool global_run,
                   std::string_view sensor_key, const std::string& second_argument,
                   ListingValues* values) {
  values->server_listing.clear();
  values->server_listing_cut = false;
  values->record_options.reset();
  values->naming = ChannelNaming::kProfile;
  std::string content;
  if (!fs.ReadFile(location.path, &content).ok()) {
    return Status::Error(std::string(global_run ? "Error 10x1" : "Error 1024") + ": ProFile " +
                         location.name + " is missing...");
  }
  bool overflow = false;
  if (!global_run) {
    ReadItemListing(content, values, &overflow);
  } else if (Status read =
                 ReadGlobalListing(content, sensor_key, second_argument, values, &overflow);
             !read.ok()) {
    return read;
  }
  KeepRoom(values, overflow);
  if (values->server_listing.empty())
    return Status::Error("Error 1025: Global Server Listing missing...");
  if (values->item.empty())
    return Status::Error("Error 1026: Global Item Idenification missing...");
  return Status::Ok();
}

}  // namespace tidewarden
