#include "collect/logging.h"

#include <cstring>

#include "collect/ora_main_list.h"
#include "output/result_document.h"
#include "platform/replace_file.h"
#include "rfc/failure.h"

namespace tidewarden {
namespace {

std::string Unsigned(std::int32_t value) { return std::to_string(static_cast<std::uint32_t>(value)); }

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::int32_t Difference(std::int32_t now, std::int32_t before) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                   static_cast<std::uint32_t>(before));
}

void DeliverListingChannel(RfcContext& context, const CollectionTarget& target,
                           std::int32_t usage) {
  if (target.processed != nullptr) *target.processed = true;
  ResultDocument& document = context.document;
  document.Clear();
  // A listing run keeps no state: only the usage is a real figure there.
  if (target.item == "LogWrites" || target.item == "WaitBusy" || target.item == "RollBacks") {
    document.AddChannel(target.system_name, "0", "");
  } else if (target.item == "LogUsage") {
    document.AddChannel(target.system_name, Unsigned(usage), "PerCent");
  } else {
    return;
  }
  context.console.Write(document.text());
  document.Clear();
}

}  // namespace

std::string StripDots(std::string_view text) {
  std::string out(text);
  if (out.size() > 3) std::erase(out, '.');
  return out;
}

std::string GroupThousands(std::string_view digits) {
  std::string text(digits);
  const std::size_t n = text.size();
  if (n <= 3) return text;
  if (n <= 6) return text.substr(0, n - 3) + "." + text.substr(n - 3);
  return text.substr(0, n - 6) + "." + text.substr(n - 6, 3) + "." + text.substr(n - 3);
}

std::int32_t ConvertRecordField(std::string_view field) {
  const std::size_t zero = field.find('\0');
  if (zero != std::string_view::npos) field = field.substr(0, zero);
  return LeadingDecimal(StripDots(field));
}

std::int32_t ReadStateTotal(std::string_view state_line, std::string_view key) {
  const std::size_t at = state_line.find(key);
  if (at == std::string_view::npos) return 0;
  std::string taken;
  for (std::size_t i = at + key.size(); i < state_line.size() && taken.size() < 11; ++i) {
    if (!IsAsciiAlnum(state_line[i])) break;
    taken += state_line[i];
  }
  return LeadingDecimal(taken);
}

std::int32_t LogUsage(std::int32_t log_alloc, std::int32_t log_size) {
  if (log_size == 0) return 0;
  const std::int32_t product = static_cast<std::int32_t>(static_cast<std::uint32_t>(log_alloc) * 100u);
  // INT32_MIN / -1 does not fit either; it wraps like the product does.
  if (log_size == -1) return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(product));
  return product / log_size;
}

std::string RewrittenProfile(const ProfileLines& lines, const std::string& state_line,
                             const std::optional<std::string>& old_state_line,
                             std::string_view line_end) {
  std::string content;
  for (const std::string& line : lines.lines) {
    if (line.compare(0, 6, "# Olg ") == 0 || line.compare(0, 6, "# Olx ") == 0) continue;
    // A line ending in CR was read from CR CR LF: after a bare LF the next
    // reading would take its CR for part of the line end and lose it.
    const bool ends_in_cr = !line.empty() && line.back() == '\r' && line_end == "\n";
    content.append(line).append(ends_in_cr ? "\r\n" : line_end);
  }
  content.append(state_line).append(line_end);
  if (old_state_line) content.append("# Olx ").append(old_state_line->substr(6)).append(line_end);
  return content;
}

RFC_RC CollectLogging(RfcContext& context, const CollectionTarget& target) {
  RfcSession& session = context.session;
  InternalTable table(context, "DBORA_PER_INSTANCES", kTst04Length,
                      "ItCreate DBORA_PER_INSTANCES", "ItDelete DBORA_PER_INSTANCES");
  char dbora[kTst04Length];
  char dbora_global[kGst04Length];
  std::memset(dbora, 0, sizeof dbora);
  std::memset(dbora_global, 0, sizeof dbora_global);
  std::string exception;
  const RFC_RC code = CallOraMainList(context, " ", "       ", dbora, dbora_global,
                                      table.handle(), &exception);
  if (code != RFC_OK) {
    AppendCallOutcome(context.document, code, exception);
    table.Delete();
    return code;
  }
  session.status = kRfcStatusOk;
  auto field = [&dbora](RecordField f) {
    return ConvertRecordField(std::string_view(dbora + f.offset, f.length));
  };
  const std::int32_t writes = field(kLogWritesField);
  const std::int32_t busy = field(kWaitBusyField);
  const std::int32_t rollbacks = field(kRollbacksField);
  const std::int32_t usage = LogUsage(field(kLogAllocField), field(kLogSizeField));

  if (target.listing_run) {
    DeliverListingChannel(context, target, usage);
    table.Delete();
    return code;
  }

  std::int32_t d_writes = 0, d_busy = 0, d_rollbacks = 0;
  const std::optional<std::string> state = target.lines->FindLine(kStateLinePrefix);
  bool rewrite = true;
  if (state) {
    const std::int32_t writes0 = ReadStateTotal(*state, "Writes=");
    const std::int32_t busy0 = ReadStateTotal(*state, "WaitBusy=");
    const std::int32_t rollbacks0 = ReadStateTotal(*state, "RollBacks=");
    const bool same_day =
        state->size() >= 19 && state->compare(11, 8, session.server_date) == 0;
    if (same_day) {
      d_writes = Difference(writes, writes0);
      d_busy = Difference(busy, busy0);
      d_rollbacks = Difference(rollbacks, rollbacks0);
      rewrite = writes != writes0 || busy != busy0 || rollbacks != rollbacks0;
    }
  }

  if (rewrite) {
    const std::string state_line = std::string(kStateLinePrefix) + session.server_date + " " +
                                   session.server_time + " Writes=" + Unsigned(writes) +
                                   " WaitBusy=" + Unsigned(busy) +
                                   " RollBacks=" + Unsigned(rollbacks);
    RemoveStaleTempFiles(context.fs, target.profile_path);
    const Status written = ReplaceFileContents(
        context.fs, target.profile_path,
        RewrittenProfile(*target.lines, state_line, state, kNativeLineEnd));
    if (!written.ok()) {
      session.status = kRfcStatusError;
      context.document.Append("Error 1016: ReWriting of Profile " + target.profile_path +
                              " failed !");
      table.Delete();
      return code;
    }
  }

  ResultDocument& document = context.document;
  document.BeginDocument();
  document.OpenText();
  document.Append("(" + target.destination + ") Logging: LogWrites=" +
                  GroupThousands(Unsigned(d_writes)) + ", WaitBusy=" +
                  GroupThousands(Unsigned(d_busy)) + ", RollBacks=" +
                  GroupThousands(Unsigned(d_rollbacks)) + ", LogUsage=" + Unsigned(usage) + "% ");
  document.CloseText();
  document.AddChannel("LogWrites", Unsigned(d_writes), "");
  document.AddChannel("WaitBusy", Unsigned(d_busy), "");
  document.AddChannel("RollBacks", Unsigned(d_rollbacks), "");
  document.AddChannel("LogUsage", Unsigned(usage), "PerCent");
  document.EndDocument();
  table.Delete();
  return code;
}

}  // namespace tidewarden
