#include "output/mail_merge.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/strings.h"
#include "host/delimited_text.h"
#include "host/error.h"
#include "output/grid_rows.h"
#include "output/text_export.h"

namespace vmbgrid::output {

namespace {

constexpr char kSeparator = std::filesystem::path::preferred_separator;
// The basket holds addresses, not tables: a file beyond this is no basket.
constexpr size_t kMaxBasketBytes = size_t{256} << 20;

struct ComponentChoice {
  bool decided = false;
  bool useNewer = false;
};
ComponentChoice& Choice() {
  static ComponentChoice choice;
  return choice;
}

// Restores the default pointer however the command ends.
struct WaitCursor {
  bool shown = false;
  void Show() {
    Platform::ScreenService().MousePointer(kPointerHourglass);
    shown = true;
  }
  ~WaitCursor() {
    if (shown) Platform::ScreenService().MousePointer(kPointerDefault);
  }
};

std::string WithoutQuotesAndSemicolons(std::string text) {
  std::erase_if(text, [](char c) { return c == ';' || c == '"'; });
  return text;
}

// One folder appended to another with exactly one separator between them.
std::string JoinFolder(std::string folder, const std::string& name) {
  if (!folder.empty() && folder.back() != kSeparator && folder.back() != '\\') folder += kSeparator;
  return folder + name;
}

std::string ReadFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!in) throw std::runtime_error("basket unreadable");
  std::string content;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
    content.append(buffer, n);
    if (content.size() > kMaxBasketBytes) throw std::runtime_error("basket too large");
  }
  if (std::ferror(in.get()) != 0) throw std::runtime_error("basket unreadable");
  return content;
}

void FillHeader(XArray& array, const std::vector<std::string>& names) {
  for (size_t c = 0; c < names.size(); ++c)
    array.Value(0, static_cast<int32_t>(c), Variant(names[c]));
}

}  // namespace

std::shared_ptr<XArray> VariableArray(GridControl& grid) {
  const std::vector<int> columns = VisibleColumns(grid);
  const int rows = RowCount(grid);
  auto array = std::make_shared<XArray>(0, rows, 0, static_cast<int32_t>(columns.size()) - 1);
  FillHeader(*array, DataFields(grid, columns));
  for (int r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns.size(); ++c) {
      array->Value(
          r + 1, static_cast<int32_t>(c),
          Variant(WithoutQuotesAndSemicolons(core::Trim(grid.CellValueText(r, columns[c])))));
    }
  }
  return array;
}

std::string DataText(GridControl& grid) {
  const std::vector<int> columns = VisibleColumns(grid);
  auto line = [](const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i ? ";\"" : "\"") + items[i] + "\"";
    return text;
  };
  std::string text = line(DataFields(grid, columns));
  std::vector<std::string> items(columns.size());
  for (int r = 0, rows = RowCount(grid); r < rows; ++r) {
    for (size_t c = 0; c < columns.size(); ++c)
      items[c] = core::Trim(grid.CellValueText(r, columns[c]));
    text += "|" + line(items);
  }
  return text;
}

std::shared_ptr<XArray> BasketArray(GridControl& grid, const std::string& content) {
  const std::vector<std::string> names = DataFields(grid, VisibleColumns(grid));
  // Read by the grid's own quoting, so that a ";" inside an address stays in its field.
  const auto records = ParseDelimited(content, ';', '"');
  const auto width = static_cast<int32_t>(names.size());
  auto array = std::make_shared<XArray>(0, static_cast<int32_t>(records.size()), 0, width - 1);
  FillHeader(*array, names);
  for (size_t r = 0; r < records.size(); ++r) {
    for (int32_t c = 0; c < width && static_cast<size_t>(c) < records[r].size(); ++c) {
      array->Value(static_cast<int32_t>(r) + 1, c,
                   Variant(WithoutQuotesAndSemicolons(records[r][static_cast<size_t>(c)])));
    }
  }
  return array;
}

void MailMerge::ResetComponentChoice() { Choice() = {}; }

void MailMerge::seriendruck(bool& serienMail, bool& sammelMail) {
  ComponentChoice& choice = Choice();
  if (!choice.decided) {
    choice.useNewer = false;
    try {
      if (auto sw = Platform::Components().Create(kSwitchComponent)) {
        std::vector<Variant> args = {Variant("frmDokumente")};
        choice.useNewer = sw->Invoke("IstNeuAktiv", args).ToBool();
      }
    } catch (const std::exception&) {
      choice.useNewer = false;  // a failing switch selects the older path
    }
    choice.decided = true;
  }
  if (choice.useNewer)
    SerienDruckNET(serienMail, sammelMail);
  else
    SerienDruckVB6(serienMail, sammelMail);
}

std::shared_ptr<Component> MailMerge::CreateOfficeLink() {
  std::shared_ptr<Component> link = Platform::Components().Create(kOfficeComponent);
  if (!link) {
    throw VMError(errc::kObjectRequired, "VMBGrid",
                  std::string("Die Komponente ") + kOfficeComponent + " ist nicht vorhanden.");
  }
  link->SetProperty("ConnectString", Variant(host_.ConnectionText()));
  link->SetProperty("StartAppID", Variant(int16_t{1}));
  link->SetProperty("user", Variant(host_.User()));
  std::vector<ComponentArg> none;
  link->Call("GetSettings", none);
  return link;
}

namespace {
std::string ReadText(Component& c, const std::string& property) {
  std::vector<ComponentArg> none;
  return c.Call(property, none).ToTextOrEmpty();
}
}  // namespace

void MailMerge::SerienDruckVB6(bool& serienMail, bool& sammelMail) {
  WaitCursor cursor;
  try {
    std::shared_ptr<Component> link = CreateOfficeLink();
    if (core::Trim(ReadText(*link, "RootPfad")).empty()) return;
    std::vector<ComponentArg> dialog = {ComponentArg::Ref(documentNumber_),
                                        ComponentArg::Ref(serienMail),
                                        ComponentArg::Ref(sammelMail)};
    const Variant answer = link->Call("ShowSerienDokuDialog", dialog);
    documentNumber_ = dialog[0].value.ToInt32();
    serienMail = dialog[1].value.ToBool();
    sammelMail = dialog[2].value.ToBool();
    if (answer.IsBlank() || answer.ToInt32() == 0) return;
    cursor.Show();
    GridControl* grid = host_.DataGrid();
    if (grid == nullptr) throw std::runtime_error("no grid");
    link->SetObjectProperty("VariablenArray", ComponentObject::Of(VariableArray(*grid)));
    std::vector<ComponentArg> none;
    link->Call("Create_SteuerdateiAusArray", none);
    bool usable = true;
    if (serienMail || sammelMail) usable = link->Call("Prüfe_EMailAdressen", none).ToBool();
    if (usable) {
      std::vector<ComponentArg> word = {
          ComponentArg::Val(false), ComponentArg::Missing(),       ComponentArg::Missing(),
          ComponentArg::Val(true),  ComponentArg::Ref(serienMail), ComponentArg::Ref(sammelMail)};
      link->Call("Starte_Word", word);
      serienMail = word[4].value.ToBool();
      sammelMail = word[5].value.ToBool();
    }
  } catch (const std::exception&) {
    Platform::Messages().MessageBox(kControlFileFailed);
  }
}

void MailMerge::SerienDruckNET(bool& serienMail, bool& sammelMail) {
  WaitCursor cursor;
  cursor.shown = true;  // the default pointer returns at the end in any case
  try {
    GridControl* grid = host_.DataGrid();
    if (grid == nullptr) throw std::runtime_error("no grid");
    std::string data = DataText(*grid);
    std::shared_ptr<Component> doc = Platform::Components().Create(kDocumentComponent);
    if (!doc) throw std::runtime_error("no document component");
    bool flag = false;
    std::vector<ComponentArg> args = {ComponentArg::Val(true),
                                      ComponentArg::Ref(serienMail),
                                      ComponentArg::Ref(sammelMail),
                                      ComponentArg::Val(false),
                                      ComponentArg::Val(false),
                                      ComponentArg::Val(false),
                                      ComponentArg::Val(true),
                                      ComponentArg::Val(true),
                                      ComponentArg::Val(std::to_string(documentNumber_)),
                                      ComponentArg::Val(""),
                                      ComponentArg::Val(""),
                                      ComponentArg::Val(""),
                                      ComponentArg::Val(""),
                                      ComponentArg::Ref(data),
                                      ComponentArg::Ref(flag)};
    doc->Call("ShowSerienDruck", args);
    serienMail = args[1].value.ToBool();
    sammelMail = args[2].value.ToBool();
    std::vector<ComponentArg> none;
    doc->Call("Dispose", none);
  } catch (const std::exception&) {
    Platform::Messages().MessageBox(kMailMergeFailed);
  }
}

void MailMerge::SpeichernSammelKorbAdressen(std::shared_ptr<Component>& basketManager,
                                            bool& allRows) {
  if (!basketManager) return;
  WaitCursor cursor;
  try {
    folder_.ReadFolder();
    std::shared_ptr<Component> link = CreateOfficeLink();
    const std::string root = ReadText(*link, "RootPfad");
    if (core::Trim(root).empty()) return;
    cursor.Show();
    const std::string folder = JoinFolder(JoinFolder(root, ReadText(*link, "DokumentPfad")), "");
    const std::string path = folder + host_.User() + kBasketFileSuffix;
    folder_.RememberFolder(folder);
    GridControl* grid = host_.DataGrid();
    if (grid == nullptr) throw std::runtime_error("no grid");
    grid->Export(path, allRows, ";", "\"", "\"");
    link->SetObjectProperty("VariablenArray",
                            ComponentObject::Of(BasketArray(*grid, ReadFile(path))));
    std::vector<ComponentArg> basket = {ComponentArg::Obj(ComponentObject::Of(basketManager))};
    link->Call("Create_SammelkorbAusArray", basket);
    if (auto replaced = basket[0].object.As<Component>()) basketManager = replaced;
  } catch (const std::exception&) {
    Platform::Messages().MessageBox(kControlFileFailed);
  }
}

}  // namespace vmbgrid::output
