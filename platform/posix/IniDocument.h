#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/TStringList.h"
#include "platform/posix/Arrival.h"

// An INI file held in memory as its original bytes. Reads follow the Windows
// rules; a write edits only the line it must, so every other byte survives.
class TIniDocument {
public:
  // An absent file: no sections, no keys.
  TIniDocument();
  explicit TIniDocument(std::string Bytes);
  // Bytes that another thread is still writing, as Arrival tells. Until
  // Arrived(), only HasKeys may be asked (it waits for the lines it needs);
  // the buffer must not be freed before every byte is in place, even when
  // this throws.
  TIniDocument(std::string Bytes, const TArrival& Arrival);
  void Arrived() noexcept;
  ~TIniDocument();
  TIniDocument(TIniDocument&&) noexcept;
  TIniDocument& operator=(TIniDocument&&) noexcept;

  // Whether the section lists at least one key name.
  bool HasKeys(std::string_view Section);
  // Key names in file order, as spelled; an empty name ends the list. The
  // lists may hold spans of the document's bytes, which stay as they are for
  // them: a later write goes to a copy.
  void KeyNames(std::string_view Section, TStringList& Names);
  // "name=value" for each key name, the value read as Value() reads it.
  void NameValueLines(std::string_view Section, TStringList& Lines);
  // The value of the first entry of that name; none for a missing key or an
  // entry without "=".
  std::optional<std::string> Value(std::string_view Section, std::string_view Ident);

  // False when the name or value cannot be written without breaking the
  // file's structure (line breaks, NUL, "=" in a name, ...).
  static bool CanStore(std::string_view Section, std::string_view Ident, std::string_view Value);
  // Sets the key; returns whether any byte changed. Requires CanStore.
  bool SetValue(std::string_view Section, std::string_view Ident, std::string_view Value);

  bool Modified() const noexcept;
  // The file now holds what the document does.
  void Saved() noexcept;
  // The whole file as it would now be written.
  std::string Bytes() const;
  // The same without a copy where the text is the file's own bytes; otherwise
  // built in Storage. Valid until the document changes.
  std::string_view BytesView(std::string& Storage) const;

  struct TText;

private:
  // Lists of names and lines borrow the text's bytes, so it is shared.
  std::shared_ptr<TText> Text;
  // Gives the document bytes no list holds, before it changes them.
  void Own();
};
