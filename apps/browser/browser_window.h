// The browser's main window: search line, data grid and sum line of one table of a
// SQLite database, driven by one VMGrid, with menus and a status bar showing the
// record count and the last message the library showed.
#pragma once

#include <QApplication>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/browser/browser_options.h"
#include "host/data_access.h"
#include "host/platform.h"

class QLabel;
class QPushButton;
class QMenu;
class QActionGroup;
class QAction;

namespace vmbgrid {
class QtGrid;
class QtDropDown;
class QtMessages;
class VMGrid;
class ComponentRegistry;
}  // namespace vmbgrid

namespace vmbgrid::browser {

class GridStack;

// A QApplication that turns an exception escaping an event handler into a message
// instead of ending the program.
class BrowserApplication : public QApplication {
 public:
  BrowserApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

class BrowserWindow : public QMainWindow {
 public:
  // With unattended set no modal box opens: messages are recorded and shown in the
  // status bar only (offscreen runs, screenshots, tests).
  BrowserWindow(Options options, bool unattended);
  ~BrowserWindow() override;

  // Opens the database and loads the table of the options; false when the database
  // cannot be opened. Every failure is shown; the window stays usable.
  bool Open();
  // Shows another table of the open database; false when it cannot be shown.
  bool LoadTable(const std::string& table);
  // The number columns whose totals the sum line can show, by field name.
  std::vector<std::string> SummableColumns() const;
  // Shows or hides the total of a number column in the sum line; a column that is
  // none is refused with a message (and counted as a problem).
  bool ShowSum(const std::string& column, bool on);
  // Puts the criteria into the search line and applies them (one requery).
  void ApplySearches(const std::vector<std::pair<std::string, std::string>>& searches);
  // Routes the library's messages through this window; call after the platform is
  // installed (InstallQtPlatform installs its own message boxes).
  void InstallMessages();
  // Runs the posted messages and pending window events until none are left.
  static void Settle();

  // Shows a message in the status bar and, unless unattended, in a message box.
  void ShowMessage(const std::string& text, bool modal);
  // The status bar's message goes (a new load starts).
  void ClearMessage();
  // Ja or Nein in a box; unattended the answer is Ja. The question is recorded.
  bool Ask(const std::string& question);
  // The same for an error or a refusal, which is also counted: a run without a
  // window ends with status 1 once there was one.
  void ShowProblem(const std::string& text, bool modal = true);
  int Problems() const { return problems_; }
  // Without a window: waits until the rows of a progressive load are all there,
  // telling `progress` the count so far about once a second. False when the load
  // ended early (cancelled, failed) or anything else went wrong before.
  bool FinishLoading(const std::function<void(const std::string&)>& progress);

  QtGrid* DataGrid() const;
  QtGrid* SearchLine() const;
  QtGrid* SumLine() const;
  VMGrid* Controller() const;
  const std::string& CurrentTable() const { return table_; }
  // The tables of the Tabelle menu: every table and view the login may read.
  const std::vector<std::string>& Tables() const { return tables_; }
  std::string LastMessage() const;
  // What keeps the layout store of the open database from being used ("" when
  // nothing does); the unattended program then ends with status 1.
  const std::string& StoreProblem() const { return storeProblem_; }
  std::string RecordCountLabel() const;
  // Every message shown, in order (also those the library showed).
  const std::vector<std::string>& Messages() const { return messages_; }

  // Output of the current rows (Datei menu, --export, --pdf); false when nothing
  // was written, the reason shown as a message.
  bool ExportTo(const std::string& path);
  bool SavePdf(const std::string& path);
  // Page orientation of printing, preview and PDF: 1 portrait, 2 landscape.
  void Orientation(int orientation) { orientation_ = orientation; }
  int Orientation() const { return orientation_; }
  // The browser's own office link for mail merge; its files go below the folder.
  void OfficeFolder(const std::string& folder);
  // Offers the browser's components (office link) to the library; call after the
  // platform is installed.
  void InstallComponents();

 private:
  class MessageRelay;
  class BusyRelay;
  class Events;
  struct View;

  void BuildMenus();
  void BuildEditMenu(QMenu* edit);
  void BuildOutputMenu(QMenu* file);
  void AskPdf();
  void FillTableMenu();
  void FillSumMenu(QMenu& target);
  // The menu bar's copies of the table's context menu and of the filter menu,
  // built afresh on opening.
  void FillControllerMenu(QMenu& target, bool filterMenu);
  void UpdateCount();
  void UpdateTitle();
  void ConfigureFields(VMGrid& grid, const std::vector<std::string>& columns, bool sample);
  // The customer table's Status column left-aligned, after the first load and after
  // every layout load.
  void AlignWordColumns();
  void ShowSearchHelp();
  // Runs a controller call; an error it raises becomes a message.
  template <class F>
  void Guarded(F&& f);
  // Guarded for the window's other source files.
  void GuardedCall(const std::function<void()>& f);

  Options options_;
  bool unattended_;
  std::shared_ptr<Connection> connection_;
  std::vector<std::string> tables_;
  std::string table_;
  std::string storeProblem_;
  std::unique_ptr<View> view_;
  GridStack* stack_ = nullptr;
  QLabel* messageLabel_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QMenu* tableMenu_ = nullptr;
  QMenu* sumMenu_ = nullptr;
  QMenu* propertiesMenu_ = nullptr;
  QMenu* filterMenu_ = nullptr;
  QActionGroup* tableGroup_ = nullptr;
  std::unique_ptr<MessageRelay> relay_;
  std::unique_ptr<BusyRelay> busy_;
  std::unique_ptr<ComponentRegistry> components_;
  std::string officeFolder_;
  int orientation_ = 1;
  QAction* landscape_ = nullptr;
  std::vector<std::string> messages_;
  int problems_ = 0;
};

}  // namespace vmbgrid::browser
