#include "platform/posix/IniDocument.h"

#include <variant>

#include "platform/posix/IniText.h"
#include "platform/posix/TextEncoding.h"

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";

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
  std::string Mark;     // byte-order mark, kept as found
  std::string Trailer;  // an odd byte after the last UTF-16 unit
  std::variant<TIniText<char>, TIniText<char16_t>> Units;
  bool Modified = false;

  template <typename TWork>
  auto Visit(TWork&& Work) {
    return std::visit(std::forward<TWork>(Work), Units);
  }
};

TIniDocument::TIniDocument() : TIniDocument(std::string()) {}

TIniDocument::TIniDocument(std::string Bytes) {
  if (std::string_view(Bytes).starts_with(Utf16LeMark)) {
    std::u16string Units((Bytes.size() - Utf16LeMark.size()) / 2, u'\0');
    for (std::size_t I = 0; I < Units.size(); ++I) {
      const std::size_t At = Utf16LeMark.size() + 2 * I;
      Units[I] = static_cast<char16_t>(static_cast<unsigned char>(Bytes[At]) |
                                       static_cast<unsigned char>(Bytes[At + 1]) << 8);
    }
    const std::size_t Used = Utf16LeMark.size() + 2 * Units.size();
    Text.reset(new TText{std::string(Utf16LeMark), Bytes.substr(Used), TIniText<char16_t>(std::move(Units))});
    return;
  }
  std::string Mark;
  if (std::string_view(Bytes).starts_with(Utf8Mark)) {
    Mark = Utf8Mark;
    Bytes.erase(0, Utf8Mark.size());
  }
  Text.reset(new TText{std::move(Mark), std::string(), TIniText<char>(std::move(Bytes))});
}

TIniDocument::~TIniDocument() = default;
TIniDocument::TIniDocument(TIniDocument&&) noexcept = default;
TIniDocument& TIniDocument::operator=(TIniDocument&&) noexcept = default;

void TIniDocument::KeyNames(std::string_view Section, TStringList& Names) {
  Names.Clear();
  Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString Storage;
    Units.ForEachKeyName(ToUnits(Section, Storage), [&](auto Name) { Names.Add(ToBytes(Name)); });
  });
}

void TIniDocument::NameValueLines(std::string_view Section, TStringList& Lines) {
  Lines.Clear();
  Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString Storage;
    const auto UnitSection = ToUnits(Section, Storage);
    Units.ForEachKeyName(UnitSection, [&](auto Name) {
      const auto Value = Units.Value(UnitSection, Name);
      Lines.Add({ToBytes(Name), "=", Value ? ToBytes(*Value) : std::string()});
    });
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

bool TIniDocument::SetValue(std::string_view Section, std::string_view Ident, std::string_view Value) {
  const bool Changed = Text->Visit([&](auto& Units) {
    typename std::decay_t<decltype(Units)>::TString S, I, V;
    return Units.SetValue(ToUnits(Section, S), ToUnits(Ident, I), ToUnits(Value, V));
  });
  Text->Modified = Text->Modified || Changed;
  return Changed;
}

bool TIniDocument::Modified() const noexcept { return Text->Modified; }

std::string TIniDocument::Bytes() const {
  std::string Bytes = Text->Mark;
  std::visit(
      [&](const auto& Units) {
        if constexpr (std::is_same_v<std::decay_t<decltype(Units)>, TIniText<char>>) {
          Bytes += Units.Units();
        } else {
          Bytes.reserve(Bytes.size() + 2 * Units.Units().size() + Text->Trailer.size());
          for (const char16_t Unit : Units.Units()) {
            Bytes += static_cast<char>(Unit & 0xFF);
            Bytes += static_cast<char>(Unit >> 8);
          }
        }
      },
      Text->Units);
  Bytes += Text->Trailer;
  return Bytes;
}
