#include "queries/parameter_dialog.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <exception>

#include "core/strings.h"
#include "host/platform.h"
#include "model/fields.h"

namespace vmbgrid::queries {

namespace {

using Kind = DialogInput::Kind;

// Positions in twips on the form's client area.
constexpr int kFirstTop = 60;
constexpr int kRowGap = 60;
constexpr int kLabelLeft = 90, kLabelWidth = 1500, kLabelDrop = 40, kLabelHeight = 255;
constexpr int kInputLeft = 1800, kInputWidth = 2070, kInputHeight = 315;
constexpr int kCheckLeft = 1830, kCheckWidth = 2055, kCheckHeight = 255;
constexpr int kClientWidth = 5385;
constexpr int kCancelBottom = 480 + 375;

// More places than any number column holds: an argument beyond is refused rather
// than turned into a format of that many characters.
constexpr int kMaxPlaces = 30;

constexpr const char* kEmptyDateMask = "__.__.____";

// Range parts: a single input, the "Von " input, the "Bis " input.
enum Part { kSingle = 0, kFrom = 1, kTo = 2 };

bool ParseWhole(std::string_view text, int& out) {
  std::string t = core::Trim(text);
  if (t.empty()) return false;
  const char* b = t.data();
  if (*b == '+') ++b;
  auto r = std::from_chars(b, t.data() + t.size(), out);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%d.%m.%Y", &local);
  return text;
}

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

// A date input's text: the mask's blanks are no input, and a mask without a digit is
// an empty date.
std::string DateText(const std::string& shown) {
  std::string t;
  for (char c : shown)
    if (c != '_') t += c;
  t = core::Trim(t);
  return t.find_first_of("0123456789") == std::string::npos ? "" : t;
}

// A number input's text as the criteria language reads it: German digit groups
// ("1.234,5") lose their dots, which it would take for a decimal point; the decimal
// comma stays. Text that is no such number goes on unchanged and is reported there.
std::string NumberText(const std::string& shown) {
  const std::string t = core::Trim(shown);
  size_t i = t.starts_with("-") ? 1 : 0;
  const size_t start = i;
  size_t run = 0;
  bool grouped = false;
  for (; i < t.size() && t[i] != ','; ++i) {
    if (t[i] == '.') {
      if (run == 0 || (grouped && run != 3) || run > 3) return t;
      grouped = true;
      run = 0;
    } else if (t[i] >= '0' && t[i] <= '9') {
      ++run;
    } else {
      return t;
    }
  }
  if (i == start || run == 0 || (grouped && run != 3)) return t;
  if (i < t.size()) {
    const size_t decimals = t.size() - i - 1;
    if (decimals == 0 || t.find_first_not_of("0123456789", i + 1) != std::string::npos) return t;
  }
  std::string out;
  for (char c : t)
    if (c != '.') out += c;
  return out;
}

}  // namespace

std::string NumberFormat(const std::string& argument) {
  if (core::Trim(argument).empty()) return "###.###.###.###";
  const size_t comma = argument.find(',');
  if (comma == std::string::npos) return "";
  int places = 0, decimals = 0;
  if (!ParseWhole(argument.substr(0, comma), places) ||
      !ParseWhole(argument.substr(comma + 1), decimals))
    return "";
  if (places < 0 || decimals < 0 || places > kMaxPlaces || decimals > kMaxPlaces) return "";
  std::string format = Repeat('#', places);
  if (decimals > 0) format += "," + Repeat('0', decimals);
  return format;
}

bool ParameterDialog::CheckNumbering(std::vector<std::string>& positions) const {
  const int count = parameters_.Count();
  positions.assign(static_cast<size_t>(count) + 1, std::string());
  for (const auto& p : parameters_) {
    int n = 0;
    if (!ParseWhole(p->parametername, n) || n < 1 || n > count) return false;
    // Of several fields with one number, the last that names an input kind wins.
    std::string& entry = positions[static_cast<size_t>(n)];
    if (entry.empty() || !p->value.ToTextOrEmpty().empty()) entry = p->fieldname;
  }
  return true;
}

void ParameterDialog::BuildRow(const std::string& fieldname, int position, int& top, int& tab) {
  auto field = parameters_.Find(fieldname);
  if (!field) return;
  const std::string asked = field->value.ToTextOrEmpty();
  std::string kind = asked, argument;
  if (const size_t open = asked.find('('); open != std::string::npos) {
    const size_t close = asked.find(')');
    // "(" without a ")" after it: this input is left out, the others are built.
    if (close == std::string::npos || close < open) return;
    kind = asked.substr(0, open);
    argument = asked.substr(open + 1, close - open - 1);
  }
  Kind inputKind;
  bool range = false;
  std::string format;
  if (kind == "Datum" || kind == "DatumVonBis") {
    inputKind = Kind::Date;
    format = kEmptyDateMask;
    range = kind == "DatumVonBis";
  } else if (kind == "Text" || kind == "TextVonBis") {
    inputKind = Kind::Text;
    range = kind == "TextVonBis";
  } else if (kind == "Zahl" || kind == "ZahlVonBis") {
    inputKind = Kind::Number;
    format = NumberFormat(argument);
    if (format.empty()) return;
    range = kind == "ZahlVonBis";
  } else if (kind == "Combo") {
    inputKind = Kind::List;
  } else if (kind == "Check") {
    inputKind = Kind::Check;
  } else {
    return;  // a kind without an input: the parameter stays empty
  }

  std::vector<std::string> items;
  if (inputKind == Kind::List) {
    try {
      auto rs = connection_ ? field->Recordset(connection_, tablename_) : nullptr;
      if (rs && rs->FieldCount() > 0) {
        for (int32_t i = 0, n = rs->RecordCount(); i < n; ++i) {
          std::string text = rs->ValueAt(i, 0).ToTextOrEmpty();
          if (field->valuelist)
            if (const ValueItem* item = field->valuelist->Find(text))
              text = item->display.ToTextOrEmpty();
          items.push_back(std::move(text));
        }
      }
    } catch (const std::exception&) {
      items.clear();  // a list the table cannot give stays empty
    }
  }

  const std::string tag = std::to_string(position);
  for (int part = range ? kFrom : kSingle; part <= (range ? kTo : kSingle); ++part) {
    const std::string prefix = part == kFrom ? "Von " : part == kTo ? "Bis " : "";
    const std::string index = std::to_string(inputs_.size());
    DialogInput input;
    input.kind = inputKind;
    input.tag = tag;
    input.format = format;
    input.top = top;
    input.tabIndex = tab++;
    if (inputKind == Kind::Check) {
      input.name = "chkCheck(" + index + ")";
      input.caption = prefix + field->caption;
      input.left = kCheckLeft;
      input.width = kCheckWidth;
      input.height = kCheckHeight;
    } else {
      DialogInput label;
      label.kind = Kind::Label;
      label.name = "lblParameter(" + index + ")";
      label.caption = prefix + field->caption;
      label.tag = tag;
      label.left = kLabelLeft;
      label.top = top + kLabelDrop;
      label.width = kLabelWidth;
      label.height = kLabelHeight;
      label.tabIndex = input.tabIndex;
      input.tabIndex = tab++;
      inputs_.push_back(label);
      parts_.push_back(part);
      const char* base = inputKind == Kind::Date     ? "txtDatum("
                         : inputKind == Kind::Number ? "txtZahl("
                         : inputKind == Kind::List   ? "cboListe("
                                                     : "txtText(";
      input.name = base + std::to_string(inputs_.size()) + ")";
      input.left = kInputLeft;
      input.width = kInputWidth;
      input.height = kInputHeight;
      if (inputKind == Kind::Date) input.initial = Today();
      if (inputKind == Kind::List) input.items = items;
    }
    top += input.height + kRowGap;
    inputs_.push_back(input);
    parts_.push_back(part);
  }
}

void ParameterDialog::BuildInputs(const std::vector<std::string>& positions) {
  int top = kFirstTop, tab = 0;
  for (size_t n = 1; n < positions.size(); ++n) {
    if (positions[n].empty()) continue;
    try {
      BuildRow(positions[n], static_cast<int>(n), top, tab);
    } catch (const std::exception&) {
      // One input that cannot be built is left out; the others stay.
    }
  }
  std::string focus;
  for (const auto& input : inputs_) {
    form_.AddInput(input);
    if (focus.empty() && input.kind != Kind::Label) focus = input.name;
  }
  if (!focus.empty()) form_.FocusControl(focus);
  form_.SetControlValue("ClientWidth", Variant(kClientWidth));
  form_.SetControlValue("ClientHeight", Variant(std::max(top, kCancelBottom) + kRowGap));
}

void ParameterDialog::WriteBack() {
  for (const auto& p : parameters_) p->value = Variant(std::string());
  // Every field that carries the input's number takes its value: a number used in
  // two criteria is asked once and goes into both.
  auto apply = [&](const std::string& tag, auto&& update) {
    for (const auto& p : parameters_) {
      int n = 0;
      if (ParseWhole(p->parametername, n) && std::to_string(n) == tag) update(*p);
    }
  };
  for (Kind kind : {Kind::Date, Kind::Number, Kind::List, Kind::Text, Kind::Check}) {
    for (size_t i = 0; i < inputs_.size(); ++i) {
      const DialogInput& input = inputs_[i];
      if (input.kind != kind) continue;
      const Variant shown = form_.ControlValue(input.name);
      const bool second = parts_[i] == kTo;
      std::string text;
      switch (kind) {
        case Kind::Date:
          text = DateText(shown.ToTextOrEmpty());
          break;
        case Kind::Check:
          text = shown.IsBoolean() && shown.ToBool() ? "1" : "0";
          break;
        case Kind::Number:
          text = NumberText(shown.ToTextOrEmpty());
          break;
        default:
          text = core::Trim(shown.ToTextOrEmpty());
          break;
      }
      // One negative number is asked for exactly; written bare, "-5" would read as a
      // range up to 5.
      const auto exactly = [](const std::string& number) {
        return number.starts_with("-") ? "\"" + number + "\"" : number;
      };
      apply(input.tag, [&](VMGridField& p) {
        const std::string current = p.value.ToTextOrEmpty();
        if (!second) {
          p.value = Variant(kind == Kind::Number && parts_[i] == kSingle ? exactly(text) : text);
        } else if (kind == Kind::Number && text == current) {
          p.value = Variant(exactly(text));  // from and to alike: that one number
        } else if (kind == Kind::Date) {
          if (!text.empty() && text != current) p.value = Variant(current + "-" + text);
        } else if (kind == Kind::Number) {
          if (text != current) {
            // Negative bounds need ":" between them; "-" would take their signs.
            const bool signs = current.starts_with("-") || text.starts_with("-");
            std::string v = current + (signs ? ":" : "-") + text;
            p.value = Variant(v == "-" ? std::string() : v);
          }
        } else if (text != current) {
          p.value = Variant(current + "-" + text);
        }
      });
    }
  }
}

bool ParameterDialog::Run(const std::string& caption) {
  ok_ = false;
  inputs_.clear();
  parts_.clear();
  form_.Caption(caption);
  std::vector<std::string> positions;
  if (CheckNumbering(positions))
    BuildInputs(positions);
  else
    Platform::Messages().ShowMessage("Numerierung der Parameter ist falsch", kMessageInfo);
  form_.SetCommandHandler([this](const std::string& control) {
    if (control == "btnOK") form_.EndModal(true);
    if (control == "btnCancel") form_.EndModal(false);
  });
  bool accepted = false;
  try {
    accepted = form_.ShowModal();
  } catch (const std::exception&) {
    accepted = false;
  }
  form_.SetCommandHandler(nullptr);
  if (!accepted) return false;
  WriteBack();
  ok_ = true;
  return true;
}

}  // namespace vmbgrid::queries
