#include "apps/browser/browser_window.h"

#include <QAbstractItemModel>
#include <QActionGroup>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <new>

#include "adapters/common/component_registry.h"
#include "adapters/postgres/postgres_provider.h"
#include "adapters/qt/qt_dropdown.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_menu.h"
#include "adapters/qt/qt_platform.h"
#include "adapters/sqlite/sqlite_provider.h"
#include "apps/browser/grid_stack.h"
#include "apps/browser/search_help.h"
#include "core/strings.h"
#include "grid/vmgrid.h"
#include "host/error.h"
#include "menus/menu_controller.h"
#include "menus/menu_tree.h"
#include "search/search_row.h"
#include "search/sum_row.h"

namespace vmbgrid::browser {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Columns of the sample customer table, in display order, with their captions and
// widths in twips. The key Nr joins hidden, as the key restriction adds it.
struct SampleColumn {
  const char* name;
  const char* caption;
  int width;
};
constexpr SampleColumn kSampleColumns[] = {
    {"Name", "Name", 2000},
    {"Vorname", "Vorname", 1600},
    {"Strasse", "Straße", 2900},
    {"PLZ", "PLZ", 800},
    {"Ort", "Ort", 2500},
    {"Umsatz", "Umsatz", 1800},
    {"Geburtstag", "Geburtstag", 1400},
    {"Aktiv", "Aktiv", 800},
    {"Status", "Status", 1600},
};

// Defaults of a server connection that names none: a lock held by another session
// is waited for this long, a statement may run this long.
constexpr int kLockTimeoutSeconds = 10;
constexpr int kStatementTimeoutSeconds = 300;

constexpr const char* kHint =
    "Suchkriterium in die Zeile über den Spaltenköpfen eintippen, z. B. Mei* oder "
    "1000-2000 – F1 zeigt alle Möglichkeiten.";

std::string Describe(const std::exception& e) {
  if (auto* vm = dynamic_cast<const VMError*>(&e)) return vm->Description();
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "Nicht genug Arbeitsspeicher.";
  return e.what();
}

}  // namespace

// ---------------------------------------------------------------- application

BrowserApplication::BrowserApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("VMBGrid-Browser"));
  setOrganizationName(QStringLiteral("Velmar"));
}

bool BrowserApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    // Qt cannot unwind through its event loop; the user gets the message and the
    // window goes on.
    Platform::Messages().ShowMessage("Unerwarteter Fehler: " + Describe(e), kMessageError);
  } catch (...) {
    Platform::Messages().ShowMessage("Unerwarteter Fehler.", kMessageError);
  }
  return false;
}

// ---------------------------------------------------------------- services

// Every message the library shows goes through the window: status bar, history
// and (interactive only) a message box.
class BrowserWindow::MessageRelay : public MessageService {
 public:
  explicit MessageRelay(BrowserWindow& w) : window_(w) {}
  // What the library shows is an error or a refusal.
  void ShowMessage(const std::string& text, int) override { window_.ShowProblem(text); }
  void MessageBox(const std::string& text) override { window_.ShowProblem(text); }
  void StatusText(const std::string& text) override { window_.ShowMessage(text, false); }
  bool Confirm(const std::string& question) override { return window_.Ask(question); }

 private:
  BrowserWindow& window_;
};

// The library shows the hourglass while it loads: a new load starts, and the
// message of the last one no longer stands beside the new record count.
class BrowserWindow::BusyRelay : public Screen {
 public:
  BusyRelay(BrowserWindow& w, Screen& screen) : window_(w), screen_(screen) {}
  int MousePointer() const override { return screen_.MousePointer(); }
  void MousePointer(int pointer) override {
    if (pointer == kPointerHourglass && screen_.MousePointer() != kPointerHourglass)
      window_.ClearMessage();
    screen_.MousePointer(pointer);
  }
  double TwipsPerPixelX() const override { return screen_.TwipsPerPixelX(); }
  double TwipsPerPixelY() const override { return screen_.TwipsPerPixelY(); }
  void ClientToScreen(intptr_t window, int& x, int& y) const override {
    screen_.ClientToScreen(window, x, y);
  }

 private:
  BrowserWindow& window_;
  Screen& screen_;
};

class BrowserWindow::Events : public VMGridEvents {
 public:
  explicit Events(BrowserWindow& w) : window_(w) {}
  void SearchChanged() override { window_.UpdateCount(); }
  // A layout from the database builds the columns anew, without the host's look.
  void AfterLayoutLoad(const std::string&) override { window_.AlignWordColumns(); }

 private:
  BrowserWindow& window_;
};

// The controls of one table and their controller. The controller goes first: it
// saves its options while the controls still exist.
struct BrowserWindow::View {
  std::unique_ptr<QtGrid> search, data, sum;
  std::unique_ptr<QtDropDown> dropDown;
  std::unique_ptr<Events> events;
  std::unique_ptr<VMGrid> grid;
  bool sample = false;  // the customer table, with its captions and formats
  ~View() { grid.reset(); }
};

// ---------------------------------------------------------------- window

BrowserWindow::BrowserWindow(Options options, bool unattended)
    : options_(std::move(options)), unattended_(unattended) {
  relay_ = std::make_unique<MessageRelay>(*this);
  orientation_ = options_.landscape ? 2 : 1;
  stack_ = new GridStack(this);
  setCentralWidget(stack_);
  messageLabel_ = new QLabel(this);
  messageLabel_->setObjectName(QStringLiteral("lblMeldung"));
  messageLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  countLabel_ = new QLabel(Q(RecordCountText(0)), this);
  countLabel_->setObjectName(QStringLiteral("lblAnzahl"));
  countLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  countLabel_->setMinimumWidth(160);
  countLabel_->setContentsMargins(0, 0, 10, 0);
  messageLabel_->setText(QString::fromUtf8(kHint));
  statusBar()->addWidget(messageLabel_, 1);
  // Shown while the rows of a large table still load; Esc in the grid does the same.
  cancelButton_ = new QPushButton(QStringLiteral("Abbrechen"), this);
  cancelButton_->setObjectName(QStringLiteral("btnAbbrechen"));
  cancelButton_->setToolTip(
      QStringLiteral("Beendet das Laden; die bis jetzt gelesenen Datensätze bleiben (Esc)"));
  cancelButton_->setVisible(false);
  QObject::connect(cancelButton_, &QPushButton::clicked, this, [this] {
    if (QtGrid* grid = DataGrid()) grid->CancelLoading();
  });
  statusBar()->addPermanentWidget(cancelButton_);
  statusBar()->addPermanentWidget(countLabel_);
  statusBar()->setSizeGripEnabled(!unattended_);
  BuildMenus();
  UpdateTitle();
  resize(1100, 640);
}

BrowserWindow::~BrowserWindow() {
  view_.reset();
  if (QtPlatform* qt = InstalledQtPlatform()) qt->wait.OnWaiting(nullptr);
  if (&Platform::Components() == static_cast<ComponentFactory*>(components_.get()))
    Platform::Install(static_cast<ComponentFactory*>(nullptr));
  // Nothing may reach this window once it is gone.
  if (&Platform::Messages() == relay_.get())
    Platform::Install(static_cast<MessageService*>(nullptr));
  if (busy_ && &Platform::ScreenService() == static_cast<Screen*>(busy_.get()))
    Platform::Install(static_cast<Screen*>(nullptr));
}

void BrowserWindow::InstallMessages() {
  Platform::Install(relay_.get());
  // A statement behind another session's lock: the window says so and Esc ends it.
  if (QtPlatform* qt = InstalledQtPlatform()) {
    qt->wait.OnWaiting([this, shown = QString()](bool waiting) mutable {
      if (waiting) {
        shown = messageLabel_->text();
        messageLabel_->setText(
            QStringLiteral("Die Datenbank antwortet noch nicht (gesperrte Daten "
                           "oder eine lange Abfrage) … Esc bricht ab."));
      } else {
        messageLabel_->setText(shown);
      }
    });
  }
  Screen& screen = Platform::ScreenService();
  if (&screen == busy_.get()) return;
  busy_ = std::make_unique<BusyRelay>(*this, screen);
  Platform::Install(static_cast<Screen*>(busy_.get()));
}

void BrowserWindow::ClearMessage() {
  messageLabel_->setText(QString::fromUtf8(kHint));
  messageLabel_->setToolTip(QString());
}

bool BrowserWindow::Ask(const std::string& question) {
  messages_.push_back(question);
  if (unattended_) return true;  // nobody to ask: as a host without questions
  QMessageBox box(QMessageBox::Question, QStringLiteral("Rückfrage"), Q(question),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
  box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void BrowserWindow::Settle() {
  // Posted messages may post further ones (re-bind after re-layout); a few rounds
  // drain them.
  for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents);
}

QtGrid* BrowserWindow::DataGrid() const { return view_ ? view_->data.get() : nullptr; }
QtGrid* BrowserWindow::SearchLine() const { return view_ ? view_->search.get() : nullptr; }
QtGrid* BrowserWindow::SumLine() const { return view_ ? view_->sum.get() : nullptr; }
VMGrid* BrowserWindow::Controller() const { return view_ ? view_->grid.get() : nullptr; }
std::string BrowserWindow::LastMessage() const { return messageLabel_->text().toStdString(); }
std::string BrowserWindow::RecordCountLabel() const { return countLabel_->text().toStdString(); }

void BrowserWindow::ShowMessage(const std::string& text, bool modal) {
  messages_.push_back(text);
  // One line in the status bar; the box shows all of it.
  QString line = Q(text).simplified();
  messageLabel_->setText(line);
  messageLabel_->setToolTip(Q(text));
  if (modal && !unattended_) QMessageBox::information(this, QStringLiteral("VMBGrid"), Q(text));
}

void BrowserWindow::ShowProblem(const std::string& text, bool modal) {
  ++problems_;
  ShowMessage(text, modal);
}

bool BrowserWindow::FinishLoading(const std::function<void(const std::string&)>& progress) {
  const int before = problems_;
  QElapsedTimer clock;
  clock.start();
  qint64 told = 0;
  while (QtGrid* data = DataGrid()) {
    if (!data->Loading()) break;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (clock.elapsed() - told >= 1000 && DataGrid() && DataGrid()->Loading()) {
      told = clock.elapsed();
      auto rs = DataGrid()->DataSource();
      progress("Lädt … " + RecordCountText(rs ? rs->RecordCount() : 0));
    }
  }
  Settle();  // the end of the load reaches the controller as a posted message
  return problems_ == before && problems_ == 0;
}

template <class F>
void BrowserWindow::Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    ShowProblem("Fehler: " + Describe(e));
  }
  UpdateCount();
}

void BrowserWindow::GuardedCall(const std::function<void()>& f) { Guarded(f); }

void BrowserWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
  QAction* reload = file->addAction(QStringLiteral("&Neu laden"));
  reload->setShortcut(QKeySequence(Qt::Key_F5));
  connect(reload, &QAction::triggered, this, [this] {
    if (VMGrid* g = Controller()) Guarded([g] { g->Requery(); });
  });
  file->addSeparator();
  BuildOutputMenu(file);
  file->addSeparator();
  QAction* quit = file->addAction(QStringLiteral("&Beenden"));
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QWidget::close);

  BuildEditMenu(menuBar()->addMenu(QStringLiteral("&Bearbeiten")));

  QMenu* search = menuBar()->addMenu(QStringLiteral("&Suche"));
  QAction* focus = search->addAction(QStringLiteral("In die &Suchzeile"));
  focus->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  connect(focus, &QAction::triggered, this, [this] {
    if (QtGrid* s = SearchLine()) s->SetFocus();
  });
  QAction* clear = search->addAction(QStringLiteral("Suchbedingungen &löschen"));
  clear->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));
  connect(clear, &QAction::triggered, this, [this] {
    if (VMGrid* g = Controller()) Guarded([g] { g->ClearSearch(true); });
  });
  search->addSeparator();
  // The saved filters of the user and the shared ones, and "Filter verwalten" to
  // save the current search or delete one; the same as Ctrl+Shift+F in the grid.
  filterMenu_ = search->addMenu(QStringLiteral("Gespeicherte &Filter"));
  connect(filterMenu_, &QMenu::aboutToShow, this,
          [this] { FillControllerMenu(*filterMenu_, true); });

  tableMenu_ = menuBar()->addMenu(QStringLiteral("&Tabelle"));
  sumMenu_ = new QMenu(QStringLiteral("&Summen"), tableMenu_);
  connect(sumMenu_, &QMenu::aboutToShow, this, [this] { FillSumMenu(*sumMenu_); });
  tableGroup_ = new QActionGroup(this);
  tableGroup_->setExclusive(true);

  propertiesMenu_ = menuBar()->addMenu(QStringLiteral("Tabellen&eigenschaften"));
  connect(propertiesMenu_, &QMenu::aboutToShow, this,
          [this] { FillControllerMenu(*propertiesMenu_, false); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
  QAction* syntax = help->addAction(QStringLiteral("&Suchkriterien…"));
  syntax->setShortcut(QKeySequence(Qt::Key_F1));
  connect(syntax, &QAction::triggered, this, &BrowserWindow::ShowSearchHelp);
  QAction* about = help->addAction(QStringLiteral("Ü&ber VMBGrid…"));
  connect(about, &QAction::triggered, this, [this] {
    QMessageBox::about(this, QStringLiteral("Über VMBGrid"),
                       QStringLiteral("<b>VMBGrid-Browser</b><br>Velmar Basis Grid: Suchzeile, "
                                      "Summenzeile und Sortieren per Spaltenkopf."));
  });
}

void BrowserWindow::BuildEditMenu(QMenu* edit) {
  // While a cell editor is open it takes these keys itself; otherwise they act on
  // the current cell of the grid that has the focus.
  auto add = [this, edit](const char* text, QKeySequence keys, void (VMGrid::*command)()) {
    QAction* a = edit->addAction(QString::fromUtf8(text));
    if (!keys.isEmpty()) a->setShortcut(keys);
    connect(a, &QAction::triggered, this, [this, command] {
      if (VMGrid* g = Controller()) Guarded([g, command] { (g->*command)(); });
    });
    return a;
  };
  add("&Rückgängig", QKeySequence::Undo, &VMGrid::Undo);
  edit->addSeparator();
  add("A&usschneiden", QKeySequence::Cut, &VMGrid::Cut);
  add("&Kopieren", QKeySequence::Copy, &VMGrid::Copy);
  add("E&infügen", QKeySequence::Paste, &VMGrid::Paste);
  edit->addSeparator();
  add("&Zeilen kopieren", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &VMGrid::CopyRows);
  edit->addSeparator();
  QAction* one = edit->addAction(QStringLiteral("Spaltenbreite &anpassen"));
  connect(one, &QAction::triggered, this, [this] {
    if (VMGrid* g = Controller()) Guarded([g] { g->AutoSizeColumn(); });
  });
  add("&Alle Spaltenbreiten anpassen", QKeySequence(), &VMGrid::AutoSizeColumns);
}

void BrowserWindow::ShowSearchHelp() {
  QMessageBox box(this);
  box.setWindowTitle(QStringLiteral("Suchkriterien"));
  box.setTextFormat(Qt::RichText);
  box.setText(Q(SearchHelpHtml()));
  if (!unattended_) box.exec();
}

void BrowserWindow::FillTableMenu() {
  tableMenu_->clear();
  for (QAction* a : tableGroup_->actions()) tableGroup_->removeAction(a);
  if (tables_.empty()) {
    tableMenu_->addAction(QStringLiteral("(keine Tabellen)"))->setEnabled(false);
    return;
  }
  for (const auto& t : tables_) {
    QAction* a = tableMenu_->addAction(Q(t));
    a->setCheckable(true);
    a->setChecked(core::EqualsNoCase(t, table_));
    tableGroup_->addAction(a);
    connect(a, &QAction::triggered, this, [this, t] { LoadTable(t); });
  }
  if (!sumMenu_) return;
  tableMenu_->addSeparator();
  tableMenu_->addAction(sumMenu_->menuAction());
}

void BrowserWindow::FillControllerMenu(QMenu& target, bool filterMenu) {
  target.clear();
  auto menuOf = [filterMenu](VMGrid& g) {
    return filterMenu ? g.Menus().QueryMenu() : g.Menus().LayoutMenu();
  };
  VMGrid* g = Controller();
  auto* menu = g ? dynamic_cast<QtMenuControl*>(menuOf(*g)) : nullptr;
  if (!menu) {
    target.addAction(QStringLiteral("(keine Tabelle)"))->setEnabled(false);
    return;
  }
  Guarded([&] {
    if (filterMenu)
      g->Menus().PrepareFilterMenu();
    else
      g->Menus().PrepareTableMenu();
  });
  menu->FillMenu(target, filterMenu ? menus::kPopFilter : menus::kPopTable,
                 [this, menuOf](const MenuTool& tool) {
                   // After the menu has closed, on the controller shown then, like a
                   // popup's choice.
                   QTimer::singleShot(0, this, [this, tool, menuOf] {
                     VMGrid* shown = Controller();
                     MenuControl* m = shown ? menuOf(*shown) : nullptr;
                     if (m) Guarded([&] { shown->Menus().ToolClick(*m, tool); });
                   });
                 });
}

void BrowserWindow::UpdateTitle() {
  const QString file = QFileInfo(Q(postgres::WithoutPassword(options_.db))).fileName();
  QString title = QStringLiteral("VMBGrid-Browser");
  if (!table_.empty()) title = Q(table_) + QStringLiteral(" – ") + title;
  if (!file.isEmpty()) title += QStringLiteral(" [") + file + QStringLiteral("]");
  setWindowTitle(title);
}

void BrowserWindow::UpdateCount() {
  QtGrid* data = DataGrid();
  const bool loading = data && data->Loading();
  cancelButton_->setVisible(loading);
  if (loading) {
    auto rs = data->DataSource();
    countLabel_->setText(QStringLiteral("Lädt … ") +
                         Q(RecordCountText(rs ? rs->RecordCount() : 0)));
    return;
  }
  VMGrid* g = Controller();
  countLabel_->setText(Q(RecordCountText(g ? g->RecordCount() : 0, g ? g->MaxRecords() : 0)));
  countLabel_->setToolTip(g && g->MaxRecords() > 0
                              ? Q("Es werden höchstens " + RecordCountText(g->MaxRecords()) +
                                  " gelesen (Tabelleneigenschaften ▸ Spalteneinstellungen "
                                  "verwalten …, 0 = alle).")
                              : QString());
}

bool BrowserWindow::Open() {
  connection_.reset();
  tables_.clear();
  try {
    auto conn = Platform::Data().CreateConnection();
    // A server is named by its connection string (postgresql://..., host=... dbname=...),
    // a file by its path.
    std::string connectionString = postgres::ConnectionStringFor(options_.db);
    if (connectionString.empty()) {
      connectionString = sqlite::ConnectionStringForFile(options_.db);
    } else {
      // A window must not hang behind another session's lock or a runaway query.
      connectionString =
          postgres::WithTimeouts(connectionString, kLockTimeoutSeconds, kStatementTimeoutSeconds);
    }
    conn->ConnectionString(connectionString);
    conn->Open();
    // Every table, view and materialized view the login may read, in every schema.
    tables_ = conn->TableNames();
    connection_ = conn;
  } catch (const std::exception& e) {
    ShowProblem("Verbindung mit Datenbank konnte nicht hergestellt werden.\n" +
                    postgres::WithoutPassword(options_.db) + ": " + Describe(e),
                true);
    view_.reset();
    stack_->SetWidgets(nullptr, nullptr, nullptr);
    FillTableMenu();
    UpdateCount();
    return false;
  }
  // Layouts, options and filters live in the database: where the server keeps them
  // under its own rules, the login is the user unless --user names another, and a
  // store the login cannot use is said at once, with what the administrator runs.
  storeProblem_.clear();
  if (StoreRules* rules = connection_->Store()) {
    Guarded([&] {
      if (options_.user.empty()) options_.user = rules->Login();
      storeProblem_ = rules->Problem();
    });
    if (!storeProblem_.empty()) ShowProblem(storeProblem_);
  }
  LoadTable(options_.table);
  return true;
}

bool BrowserWindow::LoadTable(const std::string& requested) {
  if (!connection_) return false;
  // The table in the database's own spelling, found by the rules every statement
  // follows ("verkauf.auftraege", "[verkauf].[auftraege]", exact letter case first).
  // The name goes into the statement between brackets and must not close them.
  std::string table;
  try {
    table = connection_->TableName(requested);
  } catch (const std::exception& e) {
    ShowProblem(Describe(e));
    FillTableMenu();
    return false;
  }
  if (table.find(']') != std::string::npos) {
    ShowProblem("Die Tabelle \"" + table +
                "\" kann wegen des Zeichens ] im Namen nicht angezeigt werden.");
    FillTableMenu();
    return false;
  }

  std::vector<std::string> columns;
  try {
    auto probe = Platform::Data().CreateRecordset();
    probe->Open("SELECT * FROM " + core::QuoteFieldName(table) + " WHERE 0 = 1", connection_,
                adOpenStatic, adLockReadOnly, adCmdText);
    for (int i = 0; i < probe->FieldCount(); ++i) columns.push_back(probe->FieldName(i));
    probe->Close();
  } catch (const std::exception& e) {
    ShowProblem("Die Tabelle \"" + table + "\" kann nicht gelesen werden.\n" + Describe(e));
    FillTableMenu();
    return false;
  }

  view_.reset();
  table_ = table;
  auto v = std::make_unique<View>();
  v->search = std::make_unique<QtGrid>("grdSuche", stack_);
  // The data grid is named after its table, so that layouts, options and saved
  // filters are kept per table, as a host with one form per table keeps them.
  v->data = std::make_unique<QtGrid>(table, stack_);
  v->data->OnLoadProgress([this] {
    UpdateCount();
    // The controller takes the final count from a message it posted at the end of
    // the load; the label follows once that has run.
    if (DataGrid() && !DataGrid()->Loading())
      QMetaObject::invokeMethod(
          this, [this] { UpdateCount(); }, Qt::QueuedConnection);
  });
  v->sum = std::make_unique<QtGrid>("grdSumme", stack_);
  v->dropDown = std::make_unique<QtDropDown>("ddSuche", this);
  // The one-row lines carry no header of their own: the data grid's header sits
  // between them and names the columns of all three.
  v->search->HeaderLines(0);
  v->sum->HeaderLines(0);
  // The sum line in the colour of a tooltip, its totals bold.
  QTableView* sumView = v->sum->View();
  QPalette pal = sumView->palette();
  pal.setColor(QPalette::Base, QApplication::palette().color(QPalette::ToolTipBase));
  sumView->setPalette(pal);
  QFont bold = sumView->font();
  bold.setBold(true);
  sumView->setFont(bold);
  // The search line in a faint blue, so that it reads as an input line.
  QTableView* searchView = v->search->View();
  pal = searchView->palette();
  pal.setColor(QPalette::Base, QColor(0xf2, 0xf6, 0xfc));
  searchView->setPalette(pal);
  v->search->View()->setToolTip(
      QStringLiteral("Suchzeile: Kriterium eingeben, z. B. Mei*, 1000-2000, A:M, \"Meier-Schulz\" "
                     "(F1: Hilfe)"));
  v->events = std::make_unique<Events>(*this);
  v->grid = std::make_unique<VMGrid>();
  VMGrid& g = *v->grid;
  view_ = std::move(v);
  stack_->SetWidgets(view_->search->View(), view_->data->View(), view_->sum->View());

  auto has = [&](const char* name) {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const std::string& n) { return core::EqualsNoCase(n, name); });
  };
  // The customer table gets its captions and formats only when it has all the
  // columns they name; any other table shows its columns as they are.
  const bool sample = core::EqualsNoCase(table, "Kunden") && has("Nr") &&
                      std::all_of(std::begin(kSampleColumns), std::end(kSampleColumns),
                                  [&](const SampleColumn& c) { return has(c.name); });
  view_->sample = sample;
  Guarded([&] {
    g.Events(view_->events.get());
    g.Init(0, "VMBGrid-Browser", "frmBrowser");
    g.grid(view_->data.get());
    g.SearchGrid(view_->search.get());
    g.SumGrid(view_->sum.get());
    g.DropDown(view_->dropDown.get());
    // Layouts live in the database, per user; "Standard" is shared.
    g.SaveMode(velmDB);
    g.user(options_.user.empty() ? DefaultUser() : options_.user);
    g.Connection(connection_);
    g.RecordSource(table);
    if (options_.max) g.MaxRecords(*options_.max);
    // The first click on a header sorts A to Z, as users of a browser expect (the
    // library's own default is descending).
    g.SortAscending(true);
    ConfigureFields(g, columns, sample);
    g.Requery(sample ? "Nr" : "");
  });
  Settle();

  // Widths after the first load, when the columns exist; the lines follow.
  QtGrid& data = *view_->data;
  for (int i = 0; i < data.ColumnCount(); ++i) {
    QtGridColumn& c = data.Column(i);
    if (sample) {
      for (const auto& s : kSampleColumns)
        if (core::EqualsNoCase(c.DataField(), s.name)) c.Width(s.width);
    } else {
      c.SetProperty(QtGridColumn::kAutoSizeProperty, true);
      c.Width(std::clamp(c.Width(), 600.0, 3600.0));
    }
  }
  AlignWordColumns();
  Guarded([&] {
    g.SearchRowState().SyncColumnSizes();
    g.SumRowState().SyncColumnSizes();
  });
  stack_->Relayout();
  Settle();
  FillTableMenu();
  UpdateTitle();
  return true;
}

void BrowserWindow::AlignWordColumns() {
  if (!view_ || !view_->sample || !view_->data) return;
  // Status holds a code but shows a word: left, as words stand.
  if (GridColumn* status = view_->data->ColumnByField("Status")) status->Alignment(dbgLeft);
}

void BrowserWindow::ConfigureFields(VMGrid& g, const std::vector<std::string>& columns,
                                    bool sample) {
  if (!sample) {
    for (const auto& c : columns) g.AddField(c);
    return;
  }
  g.AddField({.name = "Name", .caption = "Name", .sumvalue = "Summe"});
  g.AddField({.name = "Vorname", .caption = "Vorname"});
  g.AddField({.name = "Strasse", .caption = "Straße"});
  g.AddField({.name = "PLZ", .caption = "PLZ"});
  g.AddField({.name = "Ort", .caption = "Ort", .combosearch = true});
  g.AddField({.name = "Umsatz",
              .caption = "Umsatz",
              .FormatString = "#,##0.00",
              .sumDatatype = vmSUM,
              .sumalignment = dbgRight});
  g.AddField({.name = "Geburtstag", .caption = "Geburtstag", .FormatString = "dd.mm.yyyy"});
  g.AddField({.name = "Aktiv", .caption = "Aktiv"});
  g.AddField({.name = "Status", .caption = "Status"});
  g.AddPrimaryKeyRestriction("Nr", "");
  g.AddSortColumn("Name");

  // Status codes are shown as their texts; the search line takes the texts too.
  if (auto status = g.GridFields().Find("Status")) {
    try {
      auto rs = Platform::Data().CreateRecordset();
      // Bracket names: the database's own spelling is found on every provider.
      rs->Open("SELECT [Code], [Text] FROM [Status] ORDER BY [Code]", connection_, adOpenStatic,
               adLockReadOnly, adCmdText);
      for (int32_t i = 0; i < rs->RecordCount(); ++i)
        status->AddValue(rs->ValueAt(i, 0), rs->ValueAt(i, 1));
      rs->Close();
    } catch (const std::exception& e) {
      // Without the texts the codes show; the table stays usable.
      ShowProblem("Die Statustexte können nicht gelesen werden: " + Describe(e), false);
    }
  }
}

void BrowserWindow::ApplySearches(
    const std::vector<std::pair<std::string, std::string>>& searches) {
  VMGrid* g = Controller();
  if (!g || searches.empty()) return;
  Guarded([&] {
    search::SearchRow& row = g->SearchRowState();
    // The criteria replace what the search line held.
    row.ClearArray();
    bool any = false;
    for (const auto& [column, criterion] : searches) {
      // A column may be named by its field name or by its caption.
      std::string field = column;
      for (const auto& f : g->GridFields())
        if (core::EqualsNoCase(f->caption, column)) field = f->fieldname;
      if (row.SetCell(field, Variant(criterion)))
        any = true;
      else
        ShowProblem("Die Spalte \"" + column + "\" gibt es in der Suchzeile nicht.");
    }
    if (QtGrid* s = SearchLine()) s->Refresh();
    if (!any) return;
    row.Dirty(true);
    row.ApplySearchRow(false, false);
    row.SearchApplied();
  });
  Settle();
}

}  // namespace vmbgrid::browser
