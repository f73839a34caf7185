// Filter, Sort and Find texts of a recordset. Input: one selector byte ("F" filter,
// "S" sort, "B" find backwards, anything else find forwards), then the text.
#include <algorithm>
#include <memory>
#include <vector>

#include "data/provider.h"
#include "fuzz/checks.h"
#include "host/data_access.h"
#include "host/error.h"

namespace vmbgrid::fuzz {

namespace {

constexpr int32_t kRows = 6;

// Nr, Name, Datum, Betrag, Aktiv; Nulls in row 4.
std::shared_ptr<Recordset> Rows() {
  struct Row {
    int32_t nr;
    const char* name;
    const char* datum;
    double betrag;
    bool aktiv;
  };
  static const Row kData[kRows] = {
      {1, "Müller", "2003-02-01", 10.5, true},  {2, "O'Brien", "2003-02-02 12:30:00", -20, false},
      {3, "MÜLLER", "1999-12-31", 0, true},     {4, nullptr, nullptr, 0, false},
      {5, "Straße", "2024-02-29", 1e300, true}, {6, "", "1900-01-01", -0.5, false},
  };
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger, 4);
  rs->AppendField("Name", adVarWChar, 50);
  rs->AppendField("Datum", adDBTimeStamp, 8);
  rs->AppendField("Betrag", adDouble, 8);
  rs->AppendField("Aktiv", adBoolean, 2);
  rs->OpenFabricated();
  for (const Row& r : kData) {
    rs->AddNew();
    rs->SetValue("Nr", Variant(r.nr));
    rs->SetValue("Name", r.name ? Variant(r.name) : Variant::Null());
    rs->SetValue("Datum", r.datum ? Variant(r.datum) : Variant::Null());
    rs->SetValue("Betrag", r.name ? Variant(r.betrag) : Variant::Null());
    rs->SetValue("Aktiv", Variant(r.aktiv));
    rs->Update();
  }
  rs->MoveFirst();
  return rs;
}

std::vector<int32_t> Visible(Recordset& rs) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < rs.RecordCount(); ++i) out.push_back(rs.ValueAt(i, 0).ToInt32());
  return out;
}

void CheckFilter(Recordset& rs, const std::string& text, std::string_view input) {
  const std::string previous = "Nr <> 2";
  rs.Filter(previous);
  const std::vector<int32_t> before = Visible(rs);
  try {
    rs.Filter(text);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(rs.Filter() == previous && Visible(rs) == before,
            "a refused filter did not leave the previous one in force", input);
    return;
  }
  std::vector<int32_t> shown = Visible(rs);
  Require(std::is_sorted(shown.begin(), shown.end()) &&
              std::adjacent_find(shown.begin(), shown.end()) == shown.end() &&
              static_cast<int32_t>(shown.size()) <= kRows,
          "the filter shows rows twice, out of order or invented", input);
  rs.Filter("");
  Require(rs.RecordCount() == kRows, "rows are lost after the filter is removed", input);
}

void CheckSort(Recordset& rs, const std::string& text, std::string_view input) {
  const std::string previous = "Name DESC";
  rs.Sort(previous);
  const std::vector<int32_t> before = Visible(rs);
  try {
    rs.Sort(text);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(rs.Sort() == previous && Visible(rs) == before,
            "a refused sort did not leave the previous order", input);
    return;
  }
  std::vector<int32_t> shown = Visible(rs);
  std::sort(shown.begin(), shown.end());
  Require(shown == std::vector<int32_t>({1, 2, 3, 4, 5, 6}), "sorting lost or doubled rows", input);
}

void CheckFind(Recordset& rs, const std::string& text, bool backward, std::string_view input) {
  rs.Move(2);
  const int32_t before = rs.AbsolutePosition();
  try {
    rs.Find(text, 0, backward ? adSearchBackward : adSearchForward);
  } catch (const VMError& e) {
    RequireMessage(e.Description(), input);
    Require(rs.AbsolutePosition() == before, "a refused criterion moved the cursor", input);
    return;
  }
  if (rs.IsEOF() || rs.IsBOF()) return;
  // The row found matches the criterion as a filter of one comparison.
  const int32_t nr = rs.Value(0).ToInt32();
  auto copy = rs.Clone();
  copy->Filter(text);
  const std::vector<int32_t> matching = Visible(*copy);
  Require(std::find(matching.begin(), matching.end(), nr) != matching.end(),
          "Find stopped on a row the criterion does not match", input);
}

}  // namespace

void CheckRecordsetTexts(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t selector = in.Byte();
  const std::string text = in.Rest();
  auto rs = Rows();
  switch (selector) {
    case 'F':
      CheckFilter(*rs, text, in.All());
      break;
    case 'S':
      CheckSort(*rs, text, in.All());
      break;
    default:
      CheckFind(*rs, text, selector == 'B', in.All());
      break;
  }
}

}  // namespace vmbgrid::fuzz
