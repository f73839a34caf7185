#include "apps/browser/office_link.h"

#include <cstdlib>
#include <filesystem>

#include "core/user_name.h"
#include "host/atomic_file.h"
#include "host/delimited_text.h"
#include "host/error.h"

namespace vmbgrid::browser {

namespace {
constexpr const char* kDocumentFolder = "Seriendruck";
}

std::string OfficeRoot() {
  if (const char* env = std::getenv("VMBGRID_DOKUMENTE"); env && *env) return env;
  const char* home = std::getenv("HOME");
  return (std::filesystem::path(home && *home ? home : ".") / "Dokumente" / "VMBGrid").string();
}

void OfficeLink::SetProperty(const std::string& name, const Variant& value) {
  if (name == "user") user_ = value.ToTextOrEmpty();
}

void OfficeLink::SetObjectProperty(const std::string& name, const ComponentObject& value) {
  if (name == "VariablenArray") array_ = value.As<XArray>();
}

Variant OfficeLink::Invoke(const std::string& member, std::vector<Variant>& args) {
  if (member == "RootPfad") return Variant(root_);
  if (member == "DokumentPfad") return Variant(std::string(kDocumentFolder));
  if (member == "GetSettings") return Variant();
  if (member == "ShowSerienDokuDialog") {
    // One document: the data file itself.
    if (!args.empty()) args[0] = Variant(int32_t{1});
    return Variant(int32_t{1});
  }
  if (member == "Prüfe_EMailAdressen") return Variant(true);
  if (member == "Create_SteuerdateiAusArray") {
    WriteArray("Seriendruck.csv");
    Platform::Messages().ShowMessage(
        "Die Seriendruckdaten stehen in \"" + lastFile_ +
            "\". Im Textprogramm als Datenquelle für den Seriendruck wählen.",
        kMessageInfo);
    return Variant();
  }
  if (member == "Create_SammelkorbAusArray") {
    WriteArray("Sammelkorb.csv");
    Platform::Messages().ShowMessage("Die Adressen stehen in \"" + lastFile_ + "\".", kMessageInfo);
    return Variant();
  }
  return Variant();  // Starte_Word: the user opens the file in the word processor
}

std::string OfficeLink::WriteArray(const std::string& fileName) {
  if (!array_) throw VMError(errc::kObjectRequired, "OfficeLink", "Es fehlen die Daten.");
  const std::filesystem::path folder = std::filesystem::path(root_) / kDocumentFolder;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // The user's name is part of the file name, never a way out of the folder.
  const std::string path =
      (folder /
       ((user_.empty() ? std::string("Standard") : core::UserNameForFile(user_)) + "_" + fileName))
          .string();
  AtomicFileWriter out(path);
  out.Write("\xEF\xBB\xBF");
  std::string line;
  const XArray& a = *array_;
  for (int32_t r = a.LowerBound(1); r <= a.UpperBound(1); ++r) {
    line.clear();
    for (int32_t c = a.LowerBound(2); c <= a.UpperBound(2); ++c) {
      if (c > a.LowerBound(2)) line += ';';
      AppendQuotedField(line, a.Value(r, c).ToTextOrEmpty(), "\"", "\"");
    }
    line += "\r\n";
    out.Write(line);
  }
  out.Commit();
  lastFile_ = path;
  return path;
}

}  // namespace vmbgrid::browser
