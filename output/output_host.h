// What printing, export and mail merge need of the controller: the grids, the
// identity of the table and user, the print set-up handed to Init, the settings
// store and the message line. The controller implements it; nothing in output/
// sees the controller itself.
#pragma once

#include <memory>
#include <string>

#include "host/data_access.h"
#include "host/grid_control.h"
#include "host/platform.h"

namespace vmbgrid::core {
class SettingsStore;
}

namespace vmbgrid::output {

// Values of Init that only the print component uses.
struct PrintSetup {
  std::shared_ptr<Component> reportObject;  // pDrLL80; nullptr: built-in printing
  std::string appExeDir;
  std::string reportTemplateDir;
  std::string defaultTitle;
};

class OutputHost {
 public:
  virtual ~OutputHost() = default;
  virtual GridControl* DataGrid() const = 0;
  virtual GridControl* SumLine() const = 0;
  virtual std::string User() const = 0;
  virtual std::string Table() const = 0;  // RecordSource
  virtual std::string ConnectionText() const = 0;
  virtual std::shared_ptr<Connection> HostConnection() const = 0;
  // The connection a component handed back in place of the one it was given.
  virtual void AdoptConnection(std::shared_ptr<Connection> connection) = 0;
  virtual std::string LayoutFilePath() const = 0;
  virtual std::string SortField() const = 0;
  virtual bool SortAscending() const = 0;
  // True after a header click sorted the rows, until the next column resize or move.
  virtual bool HeaderClickSorted() const = 0;
  virtual PrintSetup Print() const = 0;
  virtual core::SettingsStore& Settings() = 0;
  // The grid's settings section; "" without a grid.
  virtual std::string SettingsSection() const = 0;
  // A German message through the core message service (kind 3).
  virtual void ShowMessage(const std::string& text) const = 0;
};

}  // namespace vmbgrid::output
