#include "adapters/qt/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTranslator>
#include <cctype>

#include "adapters/qt/key_codes.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_windows.h"

namespace vmbgrid {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

std::unique_ptr<QtPlatform>& Installed() {
  static std::unique_ptr<QtPlatform> p;
  return p;
}
}  // namespace

// --- Messages.

void QtMessages::ShowMessage(const std::string& text, int kind) {
  if (record_) {
    entries_.push_back({text, kind});
    return;
  }
  QWidget* parent = QApplication::activeWindow();
  if (kind == kMessageError)
    QMessageBox::critical(parent, QStringLiteral("Fehler"), Q(text));
  else
    QMessageBox::information(parent, QStringLiteral("Hinweis"), Q(text));
}

void QtMessages::MessageBox(const std::string& text) {
  if (record_) {
    entries_.push_back({text, 0});
    return;
  }
  QMessageBox::information(QApplication::activeWindow(), QString(), Q(text), QMessageBox::Ok);
}

void QtMessages::StatusText(const std::string& text) {
  if (record_) {
    statuses.push_back(text);
    return;
  }
  if (auto* main = qobject_cast<QMainWindow*>(QApplication::activeWindow()))
    main->statusBar()->showMessage(Q(text), 10000);
}

bool QtMessages::Confirm(const std::string& question) {
  if (record_) {
    questions.push_back(question);
    return answer;
  }
  return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("Rückfrage"),
                               Q(question), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// --- Screen.

QtScreen::~QtScreen() {
  if (overridden_ && qApp) QApplication::restoreOverrideCursor();
}

void QtScreen::MousePointer(int pointer) {
  pointer_ = pointer;
  const bool busy = pointer == kPointerHourglass;
  if (busy == overridden_ || !qApp) return;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
  overridden_ = busy;
}

static double TwipsPerPixel(bool horizontal) {
  QScreen* s = QGuiApplication::primaryScreen();
  double dpi = s ? (horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY()) : 0;
  return dpi > 1 ? 1440.0 / dpi : 15.0;
}
double QtScreen::TwipsPerPixelX() const { return TwipsPerPixel(true); }
double QtScreen::TwipsPerPixelY() const { return TwipsPerPixel(false); }

void QtScreen::ClientToScreen(intptr_t window, int& x, int& y) const {
  QWidget* w = qt::WindowOf(window);
  if (!w) return;
  QPoint p = w->mapToGlobal(QPoint(x, y));
  x = p.x();
  y = p.y();
}

// --- Keys.

int QtKeySender::KeyCodeOf(const std::string& token) {
  std::string t;
  for (char c : token) t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const std::pair<const char*, int> table[] = {
      {"%", 18},      {"+", 16},        {"^", 17},        {"{BACKSPACE}", 8}, {"{BS}", 8},
      {"{BKSP}", 8},  {"{BREAK}", 19},  {"{DELETE}", 46}, {"{DEL}", 46},      {"{DOWN}", 40},
      {"{END}", 35},  {"{ENTER}", 13},  {"~", 13},        {"{ESC}", 27},      {"{HELP}", 47},
      {"{HOME}", 36}, {"{INSERT}", 45}, {"{INS}", 45},    {"{LEFT}", 37},     {"{NUMLOCK}", 144},
      {"{PGDN}", 34}, {"{PGUP}", 33},   {"{PRTSC}", 42},  {"{RIGHT}", 39},    {"{SCROLLLOCK}", 145},
      {"{TAB}", 9},   {"{UP}", 38},
  };
  for (const auto& [name, code] : table) {
    if (t == name) return code;
  }
  if (t.size() >= 4 && t.rfind("{F", 0) == 0 && t.back() == '}') {
    const std::string n = t.substr(2, t.size() - 3);
    if (n.find_first_not_of("0123456789") == std::string::npos && n.size() <= 2) {
      int f = std::stoi(n);
      if (f >= 1 && f <= 12) return 111 + f;
    }
  }
  if (t.size() == 1 && t[0] >= '0' && t[0] <= '9') return t[0];
  if (t.size() == 1 && t[0] >= 'A' && t[0] <= 'Z') return t[0];
  return 0;
}

void QtKeySender::SendKeys(const std::string& keys, bool) {
  int codes[3] = {0, 0, 0};
  size_t pos = 0;
  for (int& code : codes) {
    if (pos >= keys.size()) break;
    size_t end = pos + 1;
    if (keys[pos] == '{') {
      size_t close = keys.find('}', pos + 1);
      end = close == std::string::npos ? keys.size() : close + 1;
    }
    code = KeyCodeOf(keys.substr(pos, end - pos));
    pos = end;
  }
  SendKey(static_cast<int16_t>(codes[0]), static_cast<int16_t>(codes[1]),
          static_cast<int16_t>(codes[2]));
}

namespace {
// The next or previous widget that takes the Tab focus, leaving the grid (or
// widget) that has the focus now.
void MoveFocus(bool next) {
  QWidget* focus = QApplication::focusWidget();
  if (!focus) return;
  QWidget* start = focus;
  if (QtGrid* grid = QtGrid::FromWidget(focus)) start = grid->View();
  QWidget* w = start;
  for (int guard = 0; guard < 10000; ++guard) {
    w = next ? w->nextInFocusChain() : w->previousInFocusChain();
    if (!w || w == start) return;
    if (start->isAncestorOf(w) || w->window() != start->window()) continue;
    if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) {
      w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

void DeliverKeys(int first, int second, int third) {
  const int codes[3] = {first, second, third};
  int shift = 0;
  std::vector<int> keys;
  for (int c : codes) {
    if (c == 16)
      shift |= 1;
    else if (c == 17)
      shift |= 2;
    else if (c == 18)
      shift |= 4;
    else if (c != 0)
      keys.push_back(c);
  }
  if (keys.size() == 1 && keys[0] == 9 && (shift == 0 || shift == 1)) return MoveFocus(shift == 0);
  if (keys.size() == 1 && shift == 0 && (keys[0] == 37 || keys[0] == 39)) {
    if (QtGrid* grid = QtGrid::FromWidget(QApplication::focusWidget())) {
      grid->StepColumn(keys[0] == 37 ? -1 : 1);
      return;
    }
  }
  for (int k : keys) {
    QWidget* target = QApplication::focusWidget();
    int qtKey = qt::QtKeyOf(k);
    if (!target || qtKey == 0) continue;
    QKeyEvent press(QEvent::KeyPress, qtKey, qt::ModifiersOf(shift));
    QKeyEvent release(QEvent::KeyRelease, qtKey, qt::ModifiersOf(shift));
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
  }
}
}  // namespace

void QtKeySender::SendKey(int16_t first, int16_t second, int16_t third) {
  codes_.push_back({first, second, third});
  if (!qApp) return;
  QMetaObject::invokeMethod(
      qApp, [first, second, third] { DeliverKeys(first, second, third); }, Qt::QueuedConnection);
}

// --- Form, clipboard, files, event loop.

std::string QtHostForm::Name() const { return form_ ? form_->objectName().toStdString() : ""; }

std::string QtHostForm::ActiveControlName() const {
  QWidget* focus = QApplication::focusWidget();
  if (!focus || !form_ || !(focus == form_ || form_->isAncestorOf(focus))) return "";
  if (QtGrid* grid = QtGrid::FromWidget(focus)) return grid->Name();
  for (QWidget* w = focus; w && w != form_; w = w->parentWidget()) {
    if (!w->objectName().isEmpty()) return w->objectName().toStdString();
  }
  return "";
}

std::string QtClipboard::GetText() const {
  QClipboard* c = QGuiApplication::clipboard();
  return c ? c->text().toStdString() : "";
}

void QtClipboard::SetText(const std::string& text) {
  if (QClipboard* c = QGuiApplication::clipboard()) c->setText(Q(text));
}

std::string QtFileDialog::QtFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t bar = filter.find('|', start);
    parts.push_back(
        filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::string out;
  auto add = [&](const std::string& description, const std::string& pattern) {
    if (!out.empty()) out += ";;";
    out += description.find('(') == std::string::npos ? description + " (" + pattern + ")"
                                                      : description;
  };
  if (parts.size() == 1) {
    size_t colon = filter.find(':');
    if (colon == std::string::npos) return filter;
    add(filter.substr(0, colon), filter.substr(colon + 1));
    return out;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) add(parts[i], parts[i + 1]);
  return out;
}

std::optional<std::string> QtFileDialog::Show(const FileDialogRequest& request) {
  QString proposed = Q(request.initialDir);
  if (!request.fileName.empty()) {
    proposed = proposed.isEmpty() ? Q(request.fileName) : proposed + "/" + Q(request.fileName);
  }
  QWidget* parent = QApplication::activeWindow();
  QString filter = Q(QtFilter(request.filter));
  QString path = request.save
                     ? QFileDialog::getSaveFileName(parent, Q(request.title), proposed, filter)
                     : QFileDialog::getOpenFileName(parent, Q(request.title), proposed, filter);
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void QtEventLoop::ProcessPendingEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool InstallGermanQtTexts() {
  // One translator for the application's life; installed once, however often the
  // platform is.
  static QTranslator* translator = nullptr;
  if (translator) return true;
  auto* t = new QTranslator(qApp);
  if (!t->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
               QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete t;
    return false;
  }
  QCoreApplication::installTranslator(t);
  translator = t;
  return true;
}

QtPlatform& InstallQtPlatform(QWidget* form, DataAccess* data) {
  InstallGermanQtTexts();
  auto& installed = Installed();
  Platform::Reset();
  if (installed && installed->data) installed->data->SetStatementWait(nullptr);
  installed = std::make_unique<QtPlatform>();
  QtPlatform& p = *installed;
  if (form) p.form = std::make_unique<QtHostForm>(form);
  Platform::Install(&p.messages);
  Platform::Install(&p.screen);
  Platform::Install(&p.keys);
  Platform::Install(&p.clipboard);
  Platform::Install(&p.files);
  Platform::Install(&p.events);
  Platform::Install(static_cast<DialogFactory*>(&p.dialogs));
  if (p.form) Platform::Install(p.form.get());
  if (data) {
    Platform::Install(data);
    data->SetStatementWait(&p.wait);
    p.data = data;
  }
  return p;
}

void ResetQtPlatform() {
  Platform::Reset();
  if (auto& installed = Installed(); installed && installed->data)
    installed->data->SetStatementWait(nullptr);
  Installed().reset();
}

QtPlatform* InstalledQtPlatform() { return Installed().get(); }

}  // namespace vmbgrid
