// What the controller benchmarks drive: a host form with the three headless grids
// and a VMGrid set up on the sample customer table the way a host sets it up, and
// the data-access-layer work that each controller operation is compared with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adapters/headless/headless.h"
#include "grid/vmgrid.h"
#include "host/data_access.h"

namespace vmbgrid::bench {

// Columns of the sample customer table whose totals the sum line shows.
inline const std::vector<std::string> kSumColumns = {"Nr", "Umsatz", "Status"};

// CPU seconds used by the calling thread: the machine is shared, and the load of
// others should not count as ours.
double ThreadSeconds();

// Installs the headless platform over the default data-access layer with the
// SQLite provider registered. Call once per process before anything else.
HeadlessPlatform& InstallPlatform();

// A host form: data grid, search line and sum line on one controller over the
// customer table. Every statement sent through the connection is logged.
class KundenHost {
 public:
  // `layoutFolder` receives the controller's layout file (it saves a temporary
  // layout when it goes away).
  KundenHost(const std::string& databasePath, const std::string& layoutFolder);
  ~KundenHost();
  KundenHost(const KundenHost&) = delete;
  KundenHost& operator=(const KundenHost&) = delete;

  VMGrid& Grid() { return *grid_; }
  HeadlessGrid& DataGrid() { return dataGrid_; }
  HeadlessGrid& SumGrid() { return sumGrid_; }
  const std::string& ConnectionString() const { return connectionString_; }

  // Requery as the host calls it, then the deferred messages the host's event loop
  // would deliver.
  void Requery();
  // The last row-returning statement sent (type probes left out); "" when none.
  std::string LastSelect() const;
  // Statements sent since the last ClearLog.
  const std::vector<std::string>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }

 private:
  std::string connectionString_;
  std::shared_ptr<Connection> connection_;
  std::vector<std::string> log_;
  HeadlessGrid dataGrid_{"grdKunden"};
  HeadlessGrid searchGrid_{"grdKundenSuche"};
  HeadlessGrid sumGrid_{"grdKundenSumme"};
  std::unique_ptr<VMGrid> grid_;
};

// The data-access layer alone: the statement through a command into a client
// recordset, with the cursor and lock type the controller uses.
std::shared_ptr<Recordset> OpenThroughDataLayer(const std::string& statement,
                                                const std::string& connectionString);

// Totals of the named columns over the visible rows: one loop per column over
// Recordset::NumberAt, the cheapest cell access the data-access layer offers.
std::vector<double> PlainTotals(Recordset& rs, const std::vector<std::string>& columns);

// A search line of 20 criteria of mixed types (text with wildcards, ranges,
// alternatives, quoted literals, numbers, decimals, dates, Booleans and "ODER "
// alternatives), as restrictions with resolved types on a controller without
// database access. Returns the number of restrictions added.
int AddTwentyCriteria(VMGrid& grid);

}  // namespace vmbgrid::bench
