// The result document: the one answer a run gives its monitor, in the
// output mode's form (XML for "EXEXML", "Vantrel" and "Corvane"; message
// text for "Draxholm"; line text for "Pellard").
#ifndef TIDEWARDEN_OUTPUT_RESULT_DOCUMENT_H_
#define TIDEWARDEN_OUTPUT_RESULT_DOCUMENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tidewarden {

inline constexpr std::string_view kModeExeXml = "EXEXML";
inline constexpr std::string_view kModeDraxholm = "Draxholm";
inline constexpr std::string_view kModePellard = "Pellard";

// What shapes the document besides its content.
struct DocumentOptions {
  std::string output_mode = std::string(kModeExeXml);
  // "CH=": the line form ("Pellard") then shows only this channel's value
  // and none of its text; nullopt shows every channel.
  std::optional<std::int32_t> channel;
};

// Escapes "&", "<" and ">" so a text placed between tags can neither break
// the document nor add elements to it.
std::string EscapeXmlText(std::string_view text);

class ResultDocument {
 public:
  // Room of the document: 4,095 characters. Appends beyond it are cut; the
  // error document always keeps its closing tags.
  static constexpr std::size_t kRoom = 4095;

  explicit ResultDocument(DocumentOptions options = {}) : options_(std::move(options)) {}
  // The run learns its output mode and options after the document exists,
  // and a listing pass reads its options anew.
  void SetOptions(DocumentOptions options) { options_ = std::move(options); }

  void SetErrorDocument(std::string_view message);
  // The error document built from the failure texts appended since the
  // document was last emptied (a failed step's message and the trace text).
  void SetErrorDocumentFromAppended() { SetErrorDocument(appended_); }
  void BeginDocument();
  void OpenText();
  void CloseText();
  void AddChannel(std::string_view name, std::string_view value, std::string_view unit);
  void EndDocument();

  // A plain append (text line, failure message): text between tags, escaped
  // in the XML forms.
  void Append(std::string_view text);
  void Clear();

  const std::string& text() const { return text_; }
  std::int32_t channel_counter() const { return channel_counter_; }
  bool IsXmlForm() const;

 private:
  void AppendRaw(std::string_view fragment);
  const std::string& mode() const { return options_.output_mode; }

  DocumentOptions options_;
  std::string text_;
  std::string appended_;
  std::int32_t channel_counter_ = 0;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_OUTPUT_RESULT_DOCUMENT_H_
