// Every column type of the shared types table, shown and summed through the
// controller on the headless grid, on SQLite and on the PostgreSQL test server.
// The expected texts come from the databases' own text of each value (what
// sqlite3 and psql print), turned into the German display by the rules written
// out here, independently of the library's formatting; totals are added up from
// those texts digit by digit.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "grid/vmgrid.h"
#include "tests/postgres/each_provider.h"
#include "tests/support/types_table.h"

namespace vmbgrid {
namespace {

// ---- an exact decimal oracle on digit strings

struct Exact {
  bool negative = false;
  std::string digits = "0";  // all digits, no sign, at least one
  int scale = 0;             // how many of them follow the point
};

std::string StripLeadingZeros(std::string s) {
  size_t i = 0;
  while (i + 1 < s.size() && s[i] == '0') ++i;
  return s.substr(i);
}

// "-1500.5", "1.0e+300", "$1,234.56", "-$12.34": the number exactly.
Exact ReadExact(std::string raw) {
  Exact e;
  std::string mantissa;
  int exponent = 0;
  bool point = false;
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '-') e.negative = true;
    if (c >= '0' && c <= '9') {
      mantissa += c;
      if (point) ++e.scale;
    }
    if (c == '.') point = true;
    if (c == 'e' || c == 'E') {
      exponent = std::stoi(raw.substr(i + 1));
      break;
    }
  }
  e.scale -= exponent;
  if (e.scale < 0) {
    mantissa.append(static_cast<size_t>(-e.scale), '0');
    e.scale = 0;
  }
  if (mantissa.size() <= static_cast<size_t>(e.scale))
    mantissa.insert(0, static_cast<size_t>(e.scale) + 1 - mantissa.size(), '0');
  e.digits = mantissa;
  return e;
}

int CompareMagnitude(const std::string& a, const std::string& b) {
  const std::string x = StripLeadingZeros(a), y = StripLeadingZeros(b);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x < y ? -1 : (x > y ? 1 : 0);
}

Exact Add(Exact a, Exact b) {
  const int scale = std::max(a.scale, b.scale);
  a.digits.append(static_cast<size_t>(scale - a.scale), '0');
  b.digits.append(static_cast<size_t>(scale - b.scale), '0');
  const size_t width = std::max(a.digits.size(), b.digits.size()) + 1;
  a.digits.insert(0, width - a.digits.size(), '0');
  b.digits.insert(0, width - b.digits.size(), '0');
  Exact out;
  out.scale = scale;
  out.digits.assign(width, '0');
  if (a.negative == b.negative) {
    int carry = 0;
    for (size_t i = width; i-- > 0;) {
      const int d = (a.digits[i] - '0') + (b.digits[i] - '0') + carry;
      out.digits[i] = static_cast<char>('0' + d % 10);
      carry = d / 10;
    }
    out.negative = a.negative;
  } else {
    if (CompareMagnitude(a.digits, b.digits) < 0) std::swap(a, b);
    int borrow = 0;
    for (size_t i = width; i-- > 0;) {
      int d = (a.digits[i] - '0') - (b.digits[i] - '0') - borrow;
      borrow = d < 0;
      out.digits[i] = static_cast<char>('0' + (d + 10) % 10);
    }
    out.negative = a.negative;
  }
  return out;
}

// German display: rounded half away from zero to `places` decimals (-1: every
// significant decimal), digit groups of three.
std::string German(Exact e, int places) {
  std::string whole = e.digits.substr(0, e.digits.size() - static_cast<size_t>(e.scale));
  std::string frac = e.digits.substr(e.digits.size() - static_cast<size_t>(e.scale));
  if (places >= 0 && static_cast<int>(frac.size()) > places) {
    const bool up = frac[static_cast<size_t>(places)] >= '5';
    std::string kept = whole + frac.substr(0, static_cast<size_t>(places));
    if (up) {
      size_t i = kept.size();
      while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
      i == 0 ? (void)kept.insert(0, "1") : (void)++kept[i - 1];
    }
    whole = kept.substr(0, kept.size() - static_cast<size_t>(places));
    frac = kept.substr(kept.size() - static_cast<size_t>(places));
  }
  if (places >= 0)
    frac.append(static_cast<size_t>(std::max(0, places - static_cast<int>(frac.size()))), '0');
  if (places < 0)
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
  whole = StripLeadingZeros(whole.empty() ? "0" : whole);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += '.';
    grouped += whole[i];
  }
  const bool zero = whole == "0" && frac.find_first_not_of('0') == std::string::npos;
  return (e.negative && !zero ? "-" : "") + grouped + (frac.empty() ? "" : "," + frac);
}

// A double under "Standard": two decimals, scientific beyond 15 digits or below 1E-6.
std::string GermanDouble(double v) {
  char buf[512];
  const double a = std::fabs(v);
  if (v != 0 && (a >= 1e15 || a < 1e-6)) {
    std::snprintf(buf, sizeof buf, "%.2E", v);
    std::string s = buf;
    s[s.find('.')] = ',';
    return s;
  }
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return German(ReadExact(buf), 2);
}

std::string GermanDate(const std::string& iso) {  // "2024-07-31[ 13:45:00[+02]]"
  std::string out = iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4);
  if (iso.size() >= 19 && iso.substr(11, 8) != "00:00:00") out += " " + iso.substr(11, 8);
  return out;
}

// ---- the raw values as each database writes them

struct Raw {
  bool null = true;
  std::string text;
  int sqliteType = 0;  // storage class on SQLite
};
using RawColumn = std::vector<Raw>;

std::map<std::string, RawColumn> RawSqlite(const std::string& path) {
  std::map<std::string, RawColumn> out;
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (const auto& c : typestable::ColumnsOf(false)) {
    sqlite3_stmt* st = nullptr;
    const std::string sql = std::string("SELECT \"") + c.name + "\" FROM \"Typen\" ORDER BY nr";
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
      Raw r;
      r.sqliteType = sqlite3_column_type(st, 0);
      r.null = r.sqliteType == SQLITE_NULL;
      if (!r.null) {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st, 0));
        r.text.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(st, 0)));
        if (r.sqliteType != SQLITE_BLOB)
          r.text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      }
      out[c.name].push_back(r);
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

std::map<std::string, RawColumn> RawPostgres(const std::string& conninfo) {
  std::map<std::string, RawColumn> out;
  PGconn* conn = PQconnectdb(conninfo.c_str());
  for (const auto& c : typestable::ColumnsOf(true)) {
    const std::string sql = std::string("SELECT \"") + c.name + "\" FROM \"Typen\" ORDER BY nr";
    PGresult* res = PQexec(conn, sql.c_str());
    for (int r = 0; r < PQntuples(res); ++r) {
      Raw raw;
      raw.null = PQgetisnull(res, r, 0);
      if (!raw.null) raw.text = PQgetvalue(res, r, 0);
      out[c.name].push_back(raw);
    }
    PQclear(res);
  }
  PQfinish(conn);
  return out;
}

// How a column shows its values, and whether the sum line adds it up.
// clang-format off
enum class Show { Whole, Fixed2, AllDecimals, Money, Double, Truth, Date, Stamp, Time, Plain,
                  Bytes, Mixed, Interval };
// clang-format on
struct Expectation {
  Show show;
  bool summed;
};
const std::map<std::string, Expectation>& Expectations() {
  static const std::map<std::string, Expectation> kMap = {
      {"nr", {Show::Whole, false}},       {"ganz", {Show::Whole, true}},
      {"klein", {Show::Whole, true}},     {"gross", {Show::Whole, true}},
      {"betrag", {Show::Fixed2, true}},   {"genau", {Show::AllDecimals, true}},
      {"geld", {Show::Money, true}},      {"kommazahl", {Show::Double, true}},
      {"einfach", {Show::Double, true}},  {"aktiv", {Show::Truth, false}},
      {"tag", {Show::Date, false}},       {"zeitpunkt", {Show::Stamp, false}},
      {"uhrzeit", {Show::Time, false}},   {"kennung", {Show::Plain, false}},
      {"name", {Show::Plain, false}},     {"kurz", {Show::Plain, false}},
      {"notiz", {Show::Plain, false}},    {"daten", {Show::Bytes, false}},
      {"lang", {Show::Plain, false}},     {"gemischt", {Show::Mixed, true}},
      {"zone", {Show::Stamp, false}},     {"uhrzeit_tz", {Show::Plain, false}},
      {"dauer", {Show::Interval, false}}, {"json", {Show::Plain, false}},
      {"farbe", {Show::Plain, false}},    {"summe", {Show::Fixed2, true}},
      {"werte", {Show::Plain, false}},    {"netz", {Show::Plain, false}},
  };
  return kMap;
}

std::string Shown(const Raw& r, Show show) {
  if (r.null) return "";
  switch (show) {
    case Show::Whole:
    case Show::Plain:
      return r.text;
    case Show::Fixed2:
    case Show::Money:
      return German(ReadExact(r.text), 2);
    case Show::AllDecimals:
      return German(ReadExact(r.text), -1);
    case Show::Double:
      return GermanDouble(std::strtod(r.text.c_str(), nullptr));
    case Show::Truth:
      return r.text == "t" || r.text == "1" ? "Wahr" : "Falsch";
    case Show::Date:
    case Show::Stamp:
      return GermanDate(r.text);
    case Show::Time:  // whole seconds: 23:59:59.99 stays 23:59:59
      return r.text.substr(0, 8);
    case Show::Bytes: {
      const size_t n = r.sqliteType == SQLITE_BLOB ? r.text.size() : (r.text.size() - 2) / 2;
      return "<Binärdaten, " + std::to_string(n) + (n == 1 ? " Byte>" : " Bytes>");
    }
    case Show::Mixed:
      if (r.sqliteType == SQLITE_BLOB) return Shown(r, Show::Bytes);
      if (r.sqliteType == SQLITE_FLOAT) return German(ReadExact(r.text), -1);
      return r.text;
    case Show::Interval: {
      static const std::map<std::string, std::string> kGerman = {
          {"1 day 02:03:04", "1 Tag 02:03:04"},
          {"00:00:00", "00:00:00"},
          {"-01:30:00", "-01:30:00"},
          {"1 year 2 mons 3 days 04:05:06.5", "1 Jahr 2 Monate 3 Tage 04:05:06,5"}};
      return kGerman.at(r.text);
    }
  }
  return "?";
}

std::string Total(const RawColumn& raws, Show show) {
  if (show == Show::Double || show == Show::Mixed) {
    // Mixed adds its numbers only; a double among them makes the total a double.
    double sum = 0;
    for (const Raw& r : raws) {
      const bool number = r.sqliteType == SQLITE_INTEGER || r.sqliteType == SQLITE_FLOAT;
      if (show == Show::Double ? !r.null : number) sum += std::strtod(r.text.c_str(), nullptr);
    }
    return show == Show::Double ? GermanDouble(sum) : German(ReadExact(std::to_string(sum)), -1);
  }
  Exact sum;
  for (const Raw& r : raws)
    if (!r.null) sum = Add(sum, ReadExact(r.text));
  if (show == Show::Whole) {  // "#########0": no digit groups
    const std::string digits = StripLeadingZeros(sum.digits);
    return (sum.negative && digits != "0" ? "-" : "") + digits;
  }
  return German(sum, show == Show::AllDecimals ? -1 : 2);
}

class TypesShown : public pgtest::EachProvider {
 protected:
  void SetUp() override {
    EachProvider::SetUp();
    if (IsSkipped()) return;
    for (const std::string& sql : typestable::Statements(pg_)) conn_->Execute(sql);
  }
};

TEST_P(TypesShown, EveryCellAndTotalIsWhatTheDatabaseHoldsInGermanForm) {
  // The table in the grid with a sum line, sorted by its first field.
  const auto columns = typestable::ColumnsOf(pg_);
  HeadlessGrid shown("grdTypen"), sums("grdSumme");
  VMGrid vm;
  vm.Init(0, "Test", "frmTypen");
  vm.grid(&shown);
  vm.SumGrid(&sums);
  vm.Connection(conn_);
  vm.RecordSource("Typen");
  for (const auto& c : columns)
    vm.AddField(
        {.name = c.name, .sumDatatype = Expectations().at(c.name).summed ? vmSUM : vmValue});
  vm.AddSortColumn(columns.front().name);
  vm.Requery();
  EXPECT_TRUE(platform_->messages.texts().empty());
  const auto raw = pg_ ? RawPostgres(db_->ConnInfo()) : RawSqlite(file_.string());
  ASSERT_EQ(shown.ColumnCount(), static_cast<int>(columns.size()));
  ASSERT_EQ(vm.RecordCount(), static_cast<int32_t>(typestable::Rows().size()));
  for (int c = 0; c < shown.ColumnCount(); ++c) {
    const std::string name = shown.Column(c).DataField();
    const Expectation& e = Expectations().at(name);
    const RawColumn& values = raw.at(name);
    for (int r = 0; r < vm.RecordCount(); ++r)
      EXPECT_EQ(shown.CellText(r, c), Shown(values[static_cast<size_t>(r)], e.show))
          << name << " row " << r + 1 << " raw \"" << values[static_cast<size_t>(r)].text << "\"";
    if (e.summed) {
      EXPECT_EQ(sums.CellText(0, c), Total(values, e.show)) << name << " total";
    }
  }
}

VMBGRID_ON_EACH_PROVIDER(TypesShown);

}  // namespace
}  // namespace vmbgrid
