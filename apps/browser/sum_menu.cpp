// The browser's totals on any table: the number columns offered in the Tabelle menu
// as "Summen" to switch on and off, and the same for --sum. The library computes
// and fits the totals; the window only sets which fields are summed.
#include <QAction>
#include <QMenu>

#include "adapters/qt/qt_grid.h"
#include "apps/browser/browser_window.h"
#include "core/services.h"
#include "core/strings.h"
#include "grid/vmgrid.h"
#include "search/sum_row.h"

namespace vmbgrid::browser {

std::vector<std::string> BrowserWindow::SummableColumns() const {
  std::vector<std::string> names;
  VMGrid* g = Controller();
  auto rows = g ? g->CurrentRecordset() : nullptr;
  if (!rows) return names;
  for (int i = 0; i < rows->FieldCount(); ++i) {
    const std::string name = rows->FieldName(i);
    auto field = g->GridFields().Find(name);
    if (field && !field->Hidden() && core::IsNumberType(rows->FieldType(i))) names.push_back(name);
  }
  return names;
}

bool BrowserWindow::ShowSum(const std::string& column, bool on) {
  VMGrid* g = Controller();
  if (!g) return false;
  std::string name;
  for (const auto& c : SummableColumns())
    if (core::EqualsNoCase(c, column)) name = c;
  if (name.empty()) {
    ShowProblem("Die Summe der Spalte „" + column +
                    "“ kann nicht gezeigt werden: Die Tabelle hat keine Zahlenspalte dieses "
                    "Namens.",
                false);
    return false;
  }
  auto field = g->GridFields().Find(name);
  field->sumDatatype = on ? vmSUM : vmValue;
  if (on && field->sumalignment < 0) field->sumalignment = dbgRight;
  GuardedCall([g] { g->SumRowState().ComputeSums(); });
  return true;
}

void BrowserWindow::FillSumMenu(QMenu& target) {
  target.clear();
  VMGrid* g = Controller();
  const std::vector<std::string> columns = SummableColumns();
  if (!g || columns.empty()) {
    target.addAction(QStringLiteral("(keine Zahlenspalten)"))->setEnabled(false);
    return;
  }
  for (const auto& name : columns) {
    auto field = g->GridFields().Find(name);
    const std::string caption = field->caption.empty() ? name : field->caption;
    QAction* a = target.addAction(QString::fromStdString(caption));
    a->setCheckable(true);
    a->setChecked(field->sumDatatype == vmSUM);
    connect(a, &QAction::toggled, this, [this, name](bool on) { ShowSum(name, on); });
  }
}

}  // namespace vmbgrid::browser
