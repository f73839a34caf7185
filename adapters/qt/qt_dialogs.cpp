#include "adapters/qt/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vmbgrid {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string Box(int i) { return "chkSpalte(" + std::to_string(i) + ")"; }

// "Schließen" at the bottom right of a form.
QPushButton* AddCloseRow(QVBoxLayout* layout, QPushButton* close) {
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  layout->addLayout(bottom);
  // Esc and "Schließen" close; Enter stays with "Speichern".
  close->setAutoDefault(false);
  return close;
}

// Tab goes through the widgets in this order (all on one form already).
void ChainTabOrder(const std::vector<QWidget*>& chain) {
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

}  // namespace

QtDialogView::QtDialogView(const std::string& formName) : formName_(formName) {
  dialog_ = new QDialog();
  dialog_->setObjectName(Q(formName));
  dialog_->setModal(true);
  if (formName == "frmGridLayout")
    BuildLayoutDialog();
  else if (formName == "frmQueries")
    BuildQueryDialog();
  else if (formName == "frmCols")
    BuildColumnChooser();
  else
    BuildPlain();
}

QtDialogView::~QtDialogView() {
  // A parent window may have taken the dialog with it already.
  if (dialog_) delete dialog_.data();
}

template <class W>
W* QtDialogView::Add(W* widget, const std::string& name) {
  widget->setObjectName(Q(name));
  controls_[name] = widget;
  return widget;
}

void QtDialogView::Command(const std::string& control) {
  if (handler_) {
    CommandHandler h = handler_;  // the handler may replace itself
    h(control);
  }
}

void QtDialogView::Connect(QAbstractButton* button, const std::string& name, Fallback fallback) {
  QObject::connect(button, &QAbstractButton::clicked, dialog_, [this, name, fallback] {
    if (handler_)
      Command(name);
    else if (fallback == Fallback::Accept)
      dialog_->accept();
    else if (fallback == Fallback::Reject)
      dialog_->reject();
  });
}

QHBoxLayout* QtDialogView::BuildNameRow(const std::string& comboName) {
  auto* combo = Add(new QComboBox, comboName);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumWidth(260);
  auto* save = Add(new QPushButton(QStringLiteral("&Speichern")), "btnSave");
  auto* del = Add(new QPushButton(QStringLiteral("&Löschen")), "btnDelete");
  auto* row = new QHBoxLayout;
  row->addWidget(combo, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(save);
  buttons->addWidget(del);
  buttons->addStretch();
  row->addLayout(buttons);
  // Enter saves what the combo box holds.
  save->setDefault(true);
  Connect(save, "btnSave", Fallback::None);
  Connect(del, "btnDelete", Fallback::None);
  return row;
}

void QtDialogView::BuildLayoutDialog() {
  dialog_->setWindowTitle(QStringLiteral("Tabelleneinstellungen"));
  auto* frame = Add(new QGroupBox(QStringLiteral("Tabellenlayout")), "xxx");
  frame->setLayout(BuildNameRow("cboLayouts"));

  auto* label = Add(
      new QLabel(QStringLiteral("&maximale Anzahl angezeigter Datensätze (0 = alle)")), "Label1");
  auto* limit = Add(new QLineEdit, "txtMaxRecords");
  limit->setValidator(new QIntValidator(0, 2147483647, limit));
  limit->setMaximumWidth(120);
  label->setBuddy(limit);

  auto* layout = new QVBoxLayout(dialog_);
  layout->addWidget(frame);
  auto* limitRow = new QHBoxLayout;
  limitRow->addWidget(label);
  limitRow->addWidget(limit);
  limitRow->addStretch();
  layout->addLayout(limitRow);
  auto* close = AddCloseRow(layout, Add(new QPushButton(QStringLiteral("Schließen")), "btnCancel"));

  ChainTabOrder({Control("cboLayouts"), Control("btnSave"), Control("btnDelete"), limit, close});
  QObject::connect(limit, &QLineEdit::textEdited, dialog_, [this] { Command("txtMaxRecords"); });
  Connect(close, "btnCancel", Fallback::Reject);
}

void QtDialogView::BuildQueryDialog() {
  dialog_->setWindowTitle(QStringLiteral("Filter"));
  auto* layout = new QVBoxLayout(dialog_);
  layout->addLayout(BuildNameRow("cboQueries"));
  auto* close = AddCloseRow(layout, Add(new QPushButton(QStringLiteral("Schließen")), "btnCancel"));
  ChainTabOrder({Control("cboQueries"), Control("btnSave"), Control("btnDelete"), close});
  Connect(close, "btnCancel", Fallback::Reject);
}

void QtDialogView::BuildColumnChooser() {
  dialog_->setWindowTitle(QStringLiteral("Verwalten der Spalten"));
  auto* layout = new QVBoxLayout(dialog_);
  layout->addWidget(Add(new QLabel(QStringLiteral("Folgende Spalten werden angezeigt")), "Label1"));
  boxes_ = new QGridLayout;
  boxes_->setHorizontalSpacing(24);
  layout->addLayout(boxes_);
  auto* ok = Add(new QPushButton(QStringLiteral("Setzen")), "btnok(0)");
  auto* cancel = Add(new QPushButton(QStringLiteral("Abbrechen")), "btnok(1)");
  ok->setDefault(true);
  cancel->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  Connect(ok, "btnok(0)", Fallback::Accept);
  Connect(cancel, "btnok(1)", Fallback::Reject);
}

void QtDialogView::BuildPlain() {
  auto* layout = new QVBoxLayout(dialog_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog_, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog_, &QDialog::reject);
}

void QtDialogView::FillCheckBoxes(const std::vector<std::string>& captions) {
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (it->first.rfind("chkSpalte(", 0) == 0) {
      delete it->second.data();
      it = controls_.erase(it);
    } else {
      ++it;
    }
  }
  int perColumn = 1;
  auto rows = values_.find("RowsPerColumn");
  if (rows != values_.end() && rows->second.IsNumeric()) perColumn = rows->second.ToInt32();
  perColumn = std::max(perColumn, 1);
  QWidget* previous = nullptr;
  for (size_t i = 0; i < captions.size(); ++i) {
    const int index = static_cast<int>(i);
    auto* box = Add(new QCheckBox(Q(captions[i])), Box(index));
    // A column without caption has no box the user could see.
    box->setVisible(!captions[i].empty());
    boxes_->addWidget(box, index % perColumn, index / perColumn);
    QObject::connect(box, &QCheckBox::clicked, dialog_, [this, index] { Command(Box(index)); });
    if (previous) QWidget::setTabOrder(previous, box);
    previous = box;
  }
  if (previous) {
    QWidget::setTabOrder(previous, Control("btnok(0)"));
    QWidget::setTabOrder(Control("btnok(0)"), Control("btnok(1)"));
  }
}

QWidget* QtDialogView::Control(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.data();
}

void QtDialogView::Caption(const std::string& caption) {
  if (dialog_) dialog_->setWindowTitle(Q(caption));
}

void QtDialogView::SetControlValue(const std::string& control, const Variant& value) {
  QWidget* w = Control(control);
  const QString text = Q(value.IsNull() ? std::string() : value.ToTextOrEmpty());
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    combo->setEditText(text);
  } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
    box->setChecked(value.IsBoolean() ? value.ToBool() : false);
  } else if (auto* button = qobject_cast<QPushButton*>(w)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(text);
  } else {
    values_[control] = value;
  }
}

Variant QtDialogView::ControlValue(const std::string& control) const {
  QWidget* w = Control(control);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return Variant(edit->text().toStdString());
  if (auto* combo = qobject_cast<QComboBox*>(w)) return Variant(combo->currentText().toStdString());
  if (auto* box = qobject_cast<QCheckBox*>(w)) return Variant(box->isChecked());
  auto it = values_.find(control);
  return it == values_.end() ? Variant() : it->second;
}

void QtDialogView::SetControlItems(const std::string& control,
                                   const std::vector<std::string>& items) {
  if (control == "chkSpalte" && boxes_) {
    FillCheckBoxes(items);
    return;
  }
  if (auto* combo = qobject_cast<QComboBox*>(Control(control))) {
    // Refilling keeps the text the user typed.
    const QString text = combo->currentText();
    combo->clear();
    for (const auto& item : items) combo->addItem(Q(item));
    combo->setEditText(text);
  }
}

std::vector<std::string> QtDialogView::ControlItems(const std::string& control) const {
  std::vector<std::string> out;
  if (auto* combo = qobject_cast<QComboBox*>(Control(control))) {
    for (int i = 0; i < combo->count(); ++i) out.push_back(combo->itemText(i).toStdString());
  }
  return out;
}

void QtDialogView::AddInput(const DialogInput&) {}

void QtDialogView::EnableControl(const std::string& control, bool enabled) {
  if (QWidget* w = Control(control)) w->setEnabled(enabled);
}

bool QtDialogView::ShowModal() {
  if (!dialog_) return false;
  // Modal to the window the user works in, centred on it.
  QWidget* owner = QApplication::activeWindow();
  if (owner && owner != dialog_ && dialog_->parentWidget() != owner)
    dialog_->setParent(owner, dialog_->windowFlags() | Qt::Dialog);
  dialog_->setWindowModality(Qt::ApplicationModal);
  QWidget* focus = Control(focus_);
  for (const char* name : {"cboLayouts", "cboQueries"})
    if (!focus) focus = Control(name);
  if (focus && focus->isEnabled()) focus->setFocus();
  const int result = dialog_->exec();
  return result == QDialog::Accepted;
}

void QtDialogView::EndModal(bool ok) {
  if (dialog_) dialog_->done(ok ? QDialog::Accepted : QDialog::Rejected);
}

void QtDialogView::Hide() {
  if (dialog_) dialog_->hide();
}

}  // namespace vmbgrid
