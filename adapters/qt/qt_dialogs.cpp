#include "adapters/qt/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <cmath>

#include "host/platform.h"

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

// Twips to whole pixels at the given resolution; an unknown resolution counts as
// 15 twips per pixel, and nonsense sizes end as 0.
int Pixels(double twips, double twipsPerPixel) {
  if (!(twipsPerPixel > 0)) twipsPerPixel = 15.0;
  const double px = std::round(twips / twipsPerPixel);
  return std::isfinite(px) ? static_cast<int>(std::clamp(px, 0.0, 1e5)) : 0;
}

int CountPlaceholders(const std::string& s) {
  return static_cast<int>(
      std::count_if(s.begin(), s.end(), [](char c) { return c == '#' || c == '0'; }));
}

// German number text as typed: a leading "-", digits with "." between groups of
// three, one "," before the decimals. The display format sets the limits it states
// simply: "#####,00" five whole places and two decimals; a grouped format such as
// "###.###.###.###" limits neither, and without "," the decimals are free.
class GermanNumberValidator final : public QValidator {
 public:
  GermanNumberValidator(const std::string& format, QObject* parent) : QValidator(parent) {
    const size_t comma = format.find(',');
    const std::string whole = format.substr(0, comma);
    if (whole.find('.') == std::string::npos && CountPlaceholders(whole) > 0)
      maxWhole_ = CountPlaceholders(whole);
    if (comma != std::string::npos) maxDecimals_ = CountPlaceholders(format.substr(comma + 1));
  }

  State validate(QString& input, int&) const override {
    int whole = 0, lead = 0, decimals = 0;
    int group = -1;  // digits after the last ".", -1 before the first
    bool comma = false;
    for (qsizetype i = 0; i < input.size(); ++i) {
      const QChar c = input[i];
      if (c == u'-' && i == 0) continue;
      if (c >= u'0' && c <= u'9') {
        if (comma) {
          ++decimals;
        } else {
          ++whole;
          if (group >= 0 && ++group > 3) return Invalid;
          if (group < 0) ++lead;
        }
      } else if (c == u'.' && !comma) {
        // A separator follows a first group of one to three digits or a full group.
        if (group < 0 ? (lead == 0 || lead > 3) : group != 3) return Invalid;
        group = 0;
      } else if (c == u',' && !comma) {
        comma = true;
      } else {
        return Invalid;
      }
    }
    if (maxWhole_ > 0 && whole > maxWhole_) return Invalid;
    if (maxDecimals_ >= 0 && decimals > maxDecimals_) return Invalid;
    if (comma && maxDecimals_ == 0) return Invalid;
    if (input.isEmpty()) return Acceptable;
    if (whole + decimals == 0 || (group >= 0 && group < 3)) return Intermediate;
    return Acceptable;
  }

 private:
  int maxWhole_ = 0;      // 0: any number of whole places
  int maxDecimals_ = -1;  // -1: any number of decimals
};

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
  else if (formName == "frmSimpleQuery")
    BuildParameterDialog();
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

QHBoxLayout* QtDialogView::BuildNameRow(const std::string& comboName, const char* label) {
  auto* combo = Add(new QComboBox, comboName);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumWidth(260);
  // Every input has its label; Alt and the marked letter reach it.
  auto* name = Add(new QLabel(QString::fromUtf8(label)), "lblName");
  name->setBuddy(combo);
  auto* field = new QVBoxLayout;
  field->addWidget(name);
  field->addWidget(combo);
  field->addStretch();
  auto* save = Add(new QPushButton(QStringLiteral("&Speichern")), "btnSave");
  auto* del = Add(new QPushButton(QStringLiteral("&Löschen")), "btnDelete");
  auto* row = new QHBoxLayout;
  row->addLayout(field, 1);
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
  frame->setLayout(BuildNameRow("cboLayouts", "&Name des Layouts:"));

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
  layout->addLayout(BuildNameRow("cboQueries", "&Name des Filters:"));
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

void QtDialogView::BuildParameterDialog() {
  // A fixed client area with absolutely placed controls; the inputs come with
  // AddInput, the height with "ClientHeight".
  auto* ok = Add(new QPushButton(QStringLiteral("OK"), dialog_), "btnOK");
  auto* cancel = Add(new QPushButton(QStringLiteral("Abbrechen"), dialog_), "btnCancel");
  ok->setGeometry(PixelsX(4200), PixelsY(60), PixelsX(1125), PixelsY(375));
  cancel->setGeometry(PixelsX(4200), PixelsY(480), PixelsX(1125), PixelsY(375));
  ok->setDefault(true);
  Connect(ok, "btnOK", Fallback::Accept);
  Connect(cancel, "btnCancel", Fallback::Reject);
  FitParameterDialog();
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
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    // A masked input reads with its blanks ("__.__.____" when empty), as the
    // library expects of a date.
    const QString text = edit->inputMask().isEmpty() ? edit->text() : edit->displayText();
    return Variant(text.toStdString());
  }
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

int QtDialogView::PixelsX(double twips) {
  return Pixels(twips, Platform::ScreenService().TwipsPerPixelX());
}
int QtDialogView::PixelsY(double twips) {
  return Pixels(twips, Platform::ScreenService().TwipsPerPixelY());
}

void QtDialogView::AddInput(const DialogInput& input) {
  if (!dialog_) return;
  if (QWidget* old = Control(input.name)) {
    // The form's own controls keep their names; an input added again replaces the
    // earlier one.
    if (!old->property("vmbgridInput").toBool()) return;
    delete old;
    controls_.erase(input.name);
  }
  QWidget* widget = nullptr;
  switch (input.kind) {
    case DialogInput::Kind::Label: {
      auto* label = new QLabel(Q(input.caption), dialog_);
      label->setTextFormat(Qt::PlainText);  // captions come from saved filters
      pendingLabel_ = label;
      pendingLabelTag_ = input.tag;
      widget = label;
      break;
    }
    case DialogInput::Kind::Date:
    case DialogInput::Kind::Text:
    case DialogInput::Kind::Number: {
      auto* edit = new QLineEdit(dialog_);
      if (input.kind == DialogInput::Kind::Date) edit->setInputMask(QStringLiteral("99.99.9999;_"));
      if (input.kind == DialogInput::Kind::Number)
        edit->setValidator(new GermanNumberValidator(input.format, edit));
      edit->setText(Q(input.initial));
      widget = edit;
      break;
    }
    case DialogInput::Kind::List: {
      auto* combo = new QComboBox(dialog_);
      for (const auto& item : input.items) combo->addItem(Q(item));
      const int initial = combo->findText(Q(input.initial));
      if (initial >= 0) combo->setCurrentIndex(initial);
      widget = combo;
      break;
    }
    case DialogInput::Kind::Check:
      widget = new QCheckBox(Q(input.caption), dialog_);
      break;
  }
  if (!widget) return;
  widget->setProperty("vmbgridInput", true);
  if (!input.name.empty()) Add(widget, input.name);
  widget->setGeometry(PixelsX(input.left), PixelsY(input.top), PixelsX(input.width),
                      PixelsY(input.height));
  if (input.kind != DialogInput::Kind::Label) {
    // The label just before names this input: its mnemonic and a click focus it.
    if (pendingLabel_ && pendingLabelTag_ == input.tag) pendingLabel_->setBuddy(widget);
    pendingLabel_ = nullptr;
    tabStops_.push_back({input.tabIndex, widget});
  }
  if (dialog_->isVisible()) widget->show();
}

void QtDialogView::ApplyInputTabOrder() {
  std::vector<QWidget*> chain;
  std::stable_sort(tabStops_.begin(), tabStops_.end(),
                   [](const TabStop& a, const TabStop& b) { return a.tabIndex < b.tabIndex; });
  for (const auto& stop : tabStops_)
    if (stop.widget) chain.push_back(stop.widget);
  if (chain.empty()) return;
  for (const char* button : {"btnOK", "btnCancel"})
    if (QWidget* w = Control(button)) chain.push_back(w);
  ChainTabOrder(chain);
}

void QtDialogView::FitParameterDialog() {
  if (formName_ != "frmSimpleQuery") return;
  int height = 0;
  auto it = values_.find("ClientHeight");
  if (it != values_.end() && it->second.IsNumberType() && !it->second.IsBoolean())
    height = PixelsY(it->second.ToDouble());
  // Never cut a control off: a missing height fits the controls, a too small one
  // grows to show them all.
  QRect used;
  for (QWidget* child : dialog_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) used |= child->geometry();
  const int bottom = used.isValid() ? used.bottom() + 1 : 0;
  height = height > 0 ? std::max(height, bottom) : bottom + PixelsY(120);
  const int right = used.isValid() ? used.right() + 1 : 0;
  dialog_->setFixedSize(std::max(PixelsX(5385), right), height);
}

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
  FitParameterDialog();
  FitTitle();
  ApplyInputTabOrder();
  QWidget* focus = Control(focus_);
  for (const char* name : {"cboLayouts", "cboQueries"})
    if (!focus) focus = Control(name);
  if (focus && focus->isEnabled()) focus->setFocus();
  const int result = dialog_->exec();
  return result == QDialog::Accepted;
}

// The title bar shows the whole title: beside it the window manager puts its
// buttons, about 140 pixels of them.
void QtDialogView::FitTitle() {
  const int needed = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                         .horizontalAdvance(dialog_->windowTitle()) +
                     140;
  if (dialog_->minimumWidth() == dialog_->maximumWidth() && dialog_->maximumWidth() < needed)
    dialog_->setFixedWidth(needed);
  else if (dialog_->minimumWidth() < needed)
    dialog_->setMinimumWidth(needed);
}

void QtDialogView::EndModal(bool ok) {
  if (dialog_) dialog_->done(ok ? QDialog::Accepted : QDialog::Rejected);
}

void QtDialogView::Hide() {
  if (dialog_) dialog_->hide();
}

}  // namespace vmbgrid
