#include "platform/posix/IniDocument.h"

#include <algorithm>
#include <variant>

#include "platform/posix/IniText.h"
#include "platform/posix/TextEncoding.h"

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf16BeMark = "\xFE\xFF";

// Names and values pass as bytes; a Unicode file holds them as UTF-16.
std::string_view ToUnits(std::string_view Text, std::string&) { return Text; }
std::u16string_view ToUnits(std::string_view Text, std::u16string& Storage) {
  Storage = Utf8ToUtf16(Text);
  return Storage;
}
std::string ToBytes(std::string_view Units) { return std::string(Units); }
std::string ToBytes(std::u16string_view Units) { return Utf16ToUtf8(Units); }

bool HasAny(std::string_view Text, std::string_view Units) {
  return Text.find_first_of(Units) != std::string_view::npos;
}

}  // namespace

struct TIniDocument::TText {
  std::string Mark;     // a UTF-16 byte-order mark; a UTF-8 one stays in the text
  bool BigEndian = false;
  std::string Trailer;  // an odd byte after the last UTF-16 unit
  std::variant<TIniText<char>, TIniText<char16_t>> Units;
  bool Modified = false;

  template <typename TWork>
  auto Visit(TWork&& Work) {
    return std::visit(std::forward<TWork>(Work), Units);
  }
};

TIniDocument::TIniDocument() : TIniDocument(std::string()) {}

TIniDocument::TIniDocument(std::string Bytes, const TArrival& Arrival) {
  try {
    // The marks are the first bytes; a Unicode file is converted whole.
    Arrival.WaitFor(std::min(Bytes.size(), Utf8Mark.size()));
    const std::string_view Head(Bytes.data(), std::min(Bytes.size(), Utf8Mark.size()));
    if (Head.starts_with(Utf16BeMark) || Head.starts_with(Utf16LeMark)) {
      Arrival.WaitAll();
      *this = TIniDocument(std::move(Bytes));
      return;
    }
    const std::size_t Start = Head.starts_with(Utf8Mark) ? Utf8Mark.size() : 0;
    Text.reset(new TText{std::string(), false, std::string(), TIniText<char>(std::move(Bytes), Start, Arrival)});
  } catch (...) {
    Arrival.WaitAll();
    throw;
  }
}

void TIniDocument::Arrived() noexcept {
  if (auto* Units = std::get_if<TIniText<char>>(&Text->Units)) Units->Arrived();
}

TIniDocument::TIniDocument(std::string Bytes) {
  const bool BigEndian = std::string_view(Bytes).starts_with(Utf16BeMark);
  if (BigEndian || std::string_view(Bytes).starts_with(Utf16LeMark)) {
    // The platform reads both byte orders when the mark says which.
    const int Low = BigEndian ? 1 : 0;
    std::u16string Units((Bytes.size() - 2) / 2, u'\0');
    for (std::size_t I = 0; I < Units.size(); ++I) {
      const std::size_t At = 2 + 2 * I;
      Units[I] = static_cast<char16_t>(static_cast<unsigned char>(Bytes[At + Low]) |
                                       static_cast<unsigned char>(Bytes[At + 1 - Low]) << 8);
    }
    const std::size_t Used = 2 + 2 * Units.size();
    Text.reset(new TText{Bytes.substr(0, 2), BigEndian, Bytes.substr(Used), TIniText<char16_t>(std::move(Units))});
    return;
  }
  // The text keeps the file's own bytes, so committing it needs no copy.
  const std::size_t Start = std::string_view(Bytes).starts_with(Utf8Mark) ? Utf8Mark.size() : 0;
  Text.reset(new TText{std::string(), false, std::string(), TIniText<char>(std::move(Bytes), Start)});
}

TIniDocument::~TIniDocument() = default;
TIniDocument::TIniDocument(TIniDocument&&) noexcept = default;
TIniDocument& TIniDocument::operator=(TIniDocument&&) noexcept = default;

bool TIniDocument::HasKeys(std::string_view Section) {
  bool Any = false;
  Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString Storage;
    Units.ForEachKeyName(ToUnits(Section, Storage), [&](auto) {
      Any = true;
      return false;
    });
  });
  return Any;
}

void TIniDocument::KeyNames(std::string_view Section, TStringList& Names) {
  Names.Clear();
  Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString Storage;
    const auto UnitSection = ToUnits(Section, Storage);
    const auto Extent = Units.Extent(UnitSection);
    if constexpr (std::is_same_v<decltype(Storage), std::string>) {
      // A span per name: no copy of the section, no fresh pages for one.
      Names.Borrow(Text, Units.Units());
      Names.Reserve(0, Extent.Entries);
      Units.ForEachKeyName(UnitSection, [&](std::string_view Name) { Names.AddBorrowed(Name); });
    } else {
      // Bounds, not sizes: one allocation each instead of a copy per doubling.
      Names.Reserve(Extent.Units, Extent.Entries);
      Units.ForEachKeyName(UnitSection, [&](auto Name) { Names.Add(ToBytes(Name)); });
    }
  });
}

void TIniDocument::NameValueLines(std::string_view Section, TStringList& Lines) {
  Lines.Clear();
  Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString Storage;
    const auto UnitSection = ToUnits(Section, Storage);
    const auto Extent = Units.Extent(UnitSection);
    if constexpr (std::is_same_v<decltype(Storage), std::string>) {
      Lines.Borrow(Text, Units.Units());
      Lines.Reserve(0, Extent.Entries);
      Units.ForEachKeyValue(UnitSection, [&](std::string_view Name, std::optional<std::string_view> Value) {
        // Most lines read "name=value" as written: a span of the line.
        if (Value && Value->data() == Name.data() + Name.size() + 1 && Name.data()[Name.size()] == '=') {
          Lines.AddBorrowed(std::string_view(Name.data(), Name.size() + 1 + Value->size()));
        } else {
          Lines.Add({Name, "=", Value ? *Value : std::string_view()});
        }
      });
    } else {
      Lines.Reserve(Extent.Units, Extent.Entries);
      Units.ForEachKeyValue(UnitSection, [&](auto Name, auto Value) {
        Lines.Add({ToBytes(Name), "=", Value ? ToBytes(*Value) : std::string()});
      });
    }
  });
}

std::optional<std::string> TIniDocument::Value(std::string_view Section, std::string_view Ident) {
  return Text->Visit([&](auto& Units) -> std::optional<std::string> {
    typename std::decay_t<decltype(Units)>::TString SectionStorage, IdentStorage;
    const auto Value = Units.Value(ToUnits(Section, SectionStorage), ToUnits(Ident, IdentStorage));
    if (!Value) return std::nullopt;
    return ToBytes(*Value);
  });
}

bool TIniDocument::CanStore(std::string_view Section, std::string_view Ident, std::string_view Value) {
  using namespace std::string_view_literals;
  constexpr std::string_view Breaks = "\r\n\0"sv;
  const auto Trimmed = [](std::string_view V) {
    constexpr std::string_view Blanks = " \t\v\f\x1A";
    const std::size_t B = V.find_first_not_of(Blanks);
    return B == std::string_view::npos ? std::string_view() : V.substr(B, V.find_last_not_of(Blanks) - B + 1);
  };
  const std::string_view Name = Trimmed(Ident);
  return !Trimmed(Section).empty() && !HasAny(Section, Breaks) && !Name.empty() &&
         !HasAny(Ident, Breaks) && Ident.find('=') == std::string_view::npos && Name.front() != ';' &&
         Name.front() != '[' && !HasAny(Value, Breaks);
}

void TIniDocument::Own() {
  if (Text.use_count() == 1) return;
  // A list still holds spans of these bytes: they stay its, unchanged.
  const bool WasModified = Text->Modified;
  *this = TIniDocument(Bytes());
  Text->Modified = WasModified;
}

bool TIniDocument::SetValue(std::string_view Section, std::string_view Ident, std::string_view Value) {
  Own();
  const bool Changed = Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString S, I, V;
    return Units.SetValue(ToUnits(Section, S), ToUnits(Ident, I), ToUnits(Value, V));
  });
  Text->Modified = Text->Modified || Changed;
  return Changed;
}

bool TIniDocument::Modified() const noexcept { return Text->Modified; }

void TIniDocument::Saved() noexcept { Text->Modified = false; }

std::string TIniDocument::Bytes() const {
  std::string Storage;
  const std::string_view View = BytesView(Storage);
  return View.data() == Storage.data() ? std::move(Storage) : std::string(View);
}

std::string_view TIniDocument::BytesView(std::string& Storage) const {
  if (const auto* Units = std::get_if<TIniText<char>>(&Text->Units)) return Units->Units();
  const std::u16string& Units = std::get<TIniText<char16_t>>(Text->Units).Units();
  Storage.clear();
  Storage.reserve(Text->Mark.size() + 2 * Units.size() + Text->Trailer.size());
  Storage += Text->Mark;
  for (const char16_t Unit : Units) {
    const char Bytes[2] = {static_cast<char>(Unit & 0xFF), static_cast<char>(Unit >> 8)};
    Storage += Bytes[Text->BigEndian ? 1 : 0];
    Storage += Bytes[Text->BigEndian ? 0 : 1];
  }
  Storage += Text->Trailer;
  return Storage;
}
