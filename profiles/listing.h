// The listing read of a listing run: which systems, which item, how named.
#ifndef TIDEWARDEN_PROFILES_LISTING_H_
#define TIDEWARDEN_PROFILES_LISTING_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "profiles/profile_location.h"

namespace tidewarden {

inline constexpr std::size_t kMaxServerListing = 2047;
inline constexpr std::size_t kMaxRecordOptionText = 127;
inline constexpr std::size_t kGlobalSensorKeyLength = 10;
// The key as the records spell it: padded or cut to 10 characters.
std::string GlobalSensorKey(std::string_view sensor_key);
// Room of the item, from "ITEM=" or a record's "Item=".
inline constexpr std::size_t kMaxItem = 90;

// What a listing pass names each system's channel after: the profile's file
// name (",Profile", the default), the file name without its extension
// (",Alias"), the profile's host (",Host") or its destination (",Sid").
enum class ChannelNaming { kProfile, kAlias, kHost, kSid };

struct ListingValues {
  // Sensor profile names, each ended by "#"; at most 2047 characters and
  // never ending inside an entry.
  std::string server_listing;
  // At most 90 characters.
  std::string item;
  ChannelNaming naming = ChannelNaming::kProfile;
  // Set when entries beyond the 2047 characters had to be left out.
  bool server_listing_cut = false;
  // A GLOBAL run's sensor record text before ",Sensor=", ":" turned into
  // blanks, at most 127 characters: the options of the pass.
  std::optional<std::string> record_options;
};

// Reads the listing of an ITEM run (global_run false, profile "Marrowin.Prf")
// or of a GLOBAL run (profile "SAP Marrowin.Gbl") from location.path, read
// again from the disk. sensor_key is a GLOBAL run's key, upper-cased (the
// first word of the options); second_argument is the second command-line
// argument as typed, named by the 1030 message. values->item comes in
// holding the "ITEM=" item of an ITEM run. Fails with the message of the
// first fault (1024, 10x1, 1029, 1030, 1025, 1026, in that order).
Status ReadListing(FileSystem& fs, const ProfileLocation& location, bool global_run,
                   std::string_view sensor_key, const std::string& second_argument,
                   ListingValues* values);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_LISTING_H_
