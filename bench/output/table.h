// The table both output benchmarks print or export: 11 columns of the kinds a
// customer table has (numbers, texts, a currency amount, a date, a Boolean),
// fabricated in memory so that no database time is measured.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "data/provider.h"
#include "grid/vmgrid.h"

namespace vmbgrid::bench {

inline int64_t BenchRows(int64_t fallback) {
  const char* env = std::getenv("VMBGRID_BENCH_ROWS");
  return env && *env ? std::atoll(env) : fallback;
}

inline std::shared_ptr<Recordset> CustomerRows(int64_t rows) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger);
  rs->AppendField("Name", adVarWChar, 40);
  rs->AppendField("Vorname", adVarWChar, 40);
  rs->AppendField("Strasse", adVarWChar, 60);
  rs->AppendField("PLZ", adVarWChar, 5);
  rs->AppendField("Ort", adVarWChar, 40);
  rs->AppendField("Umsatz", adDouble);
  rs->AppendField("Geburtstag", adDate);
  rs->AppendField("Aktiv", adBoolean);
  rs->AppendField("Status", adInteger);
  rs->AppendField("Notiz", adVarWChar, 80);
  rs->OpenFabricated();
  const char* names[] = {"Müller", "Meier", "Schulz", "Özdemir", "Becker", "Weiß"};
  const char* towns[] = {"Köln", "Berlin", "München", "Düsseldorf", "Hamburg"};
  for (int64_t i = 0; i < rows; ++i) {
    rs->AddNew();
    rs->SetValue(0, Variant(static_cast<int32_t>(i + 1)));
    rs->SetValue(1, Variant(names[i % 6]));
    rs->SetValue(2, Variant(i % 2 ? "Anna" : "Jürgen"));
    rs->SetValue(3, Variant("Hauptstraße " + std::to_string(i % 200 + 1)));
    rs->SetValue(4, Variant(std::to_string(10000 + i % 89999)));
    rs->SetValue(5, Variant(towns[i % 5]));
    rs->SetValue(6, Variant(static_cast<double>(i % 100000) * 1.25));
    rs->SetValue(7, Variant::Date(20000.0 + static_cast<double>(i % 20000)));
    rs->SetValue(8, Variant(i % 3 == 0));
    rs->SetValue(9, Variant(static_cast<int32_t>(i % 4)));
    rs->SetValue(10, i % 7 ? Variant("Stammkunde; seit \"2001\"") : Variant::Null());
    rs->Update();
  }
  if (rows > 0) rs->MoveFirst();
  return rs;
}

// A controller over the rows, with the formats a host gives such columns.
inline void ConfigureCustomerGrid(VMGrid& g) {
  g.Init(0, "Bench", "frmBench");
  g.RecordSource("");
  g.AddField("Nr", "Nr", false, false, adInteger);
  g.AddField("Name", "Name", false, false, adVarWChar);
  g.AddField("Vorname", "Vorname", false, false, adVarWChar);
  g.AddField("Strasse", "Straße", false, false, adVarWChar);
  g.AddField("PLZ", "PLZ", false, false, adVarWChar);
  g.AddField("Ort", "Ort", false, false, adVarWChar);
  g.AddField({.name = "Umsatz", .caption = "Umsatz", .datatype = adDouble, .FormatString = "#,##0.00"});
  g.AddField({.name = "Geburtstag",
              .caption = "Geburtstag",
              .datatype = adDate,
              .FormatString = "dd.mm.yyyy"});
  g.AddField("Aktiv", "Aktiv", false, false, adBoolean);
  g.AddField("Status", "Status", false, false, adInteger);
  g.AddField("Notiz", "Notiz", false, false, adVarWChar);
}

}  // namespace vmbgrid::bench
