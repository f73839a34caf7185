// Qt grid: printing on Qt Print Support (printer, PDF file, preview window). The
// pages are the core's, so they match what the headless grid records; they are
// painted one at a time, so a long table prints without holding more than one page.

#include <QAction>
#include <QFont>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <map>

#include "adapters/common/print_layout.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_grid_view.h"
#include "host/atomic_file.h"
#include "host/error.h"

namespace vmbgrid {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr double kDefaultLine = 240;  // twips of a row when the grid says "one line"
constexpr double kFontTwips = 170;    // about 8.5 pt
constexpr double kCellPadding =
    120;  // as the headless grid: a number never touches the next column

QtGrid::PreviewRunner& Runner() {
  static QtGrid::PreviewRunner runner;
  return runner;
}

void SetUpPage(QPagedPaintDevice& printer, int orientation) {
  const double marginMm = PrintGeometry::kMargin / 1440.0 * 25.4;
  printer.setPageLayout(QPageLayout(
      QPageSize(QPageSize::A4), orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait,
      QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter));
}

Qt::Alignment AlignmentOf(int alignment) {
  switch (alignment) {
    case dbgRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case dbgCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

[[noreturn]] void PrintFailed(const std::string& why) {
  throw VMError(errc::kPrinterError, "QtGrid", why);
}

// The PDF writer's output, handed to the safe writer as it comes: the file is
// checked before the first byte, a full disk is reported with its cause, and the
// target is replaced only once every page is written.
class SafeFileDevice : public QIODevice {
 public:
  explicit SafeFileDevice(AtomicFileWriter& out) : out_(out) { open(QIODevice::WriteOnly); }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    out_.Write(std::string_view(data, static_cast<size_t>(size)));
    return size;
  }

 private:
  AtomicFileWriter& out_;
};

// The preview's own texts in German: those the library sets by index where Qt has a
// counterpart, the rest fixed.
void GermanPreviewTexts(QPrintPreviewDialog& dialog, const std::map<int, std::string>& captions) {
  auto caption = [&](int index, const char* fallback) {
    auto it = captions.find(index);
    return it != captions.end() && !it->second.empty() ? Q(it->second)
                                                       : QString::fromUtf8(fallback);
  };
  const std::map<QString, QString> texts = {
      {QStringLiteral("Print"), caption(1, "Drucke")},
      {QStringLiteral("Close"), caption(2, "Beenden")},
      {QStringLiteral("Zoom in"), caption(4, "Vergrößern")},
      {QStringLiteral("Zoom out"), caption(5, "Verkleinern")},
      {QStringLiteral("Fit page"), caption(6, "An Fenstergröße anpassen")},
      {QStringLiteral("First page"), caption(7, "Erste Seite")},
      {QStringLiteral("Previous page"), caption(8, "Vorherige Seite")},
      {QStringLiteral("Next page"), caption(9, "Nächste Seite")},
      {QStringLiteral("Last page"), caption(10, "Letzte Seite")},
      {QStringLiteral("Show overview of all pages"), caption(14, "Seiten")},
      {QStringLiteral("Fit width"), QString::fromUtf8("An Seitenbreite anpassen")},
      {QStringLiteral("Portrait"), QStringLiteral("Hochformat")},
      {QStringLiteral("Landscape"), QStringLiteral("Querformat")},
      {QStringLiteral("Show single page"), QStringLiteral("Einzelne Seite")},
      {QStringLiteral("Show facing pages"), QStringLiteral("Doppelseiten")},
      {QStringLiteral("Page setup"), QStringLiteral("Seite einrichten")},
  };
  for (QAction* a : dialog.findChildren<QAction*>()) {
    QString plain = a->text();
    plain.remove(QLatin1Char('&'));
    auto it = texts.find(plain);
    if (it == texts.end()) continue;
    a->setText(it->second);
    a->setToolTip(it->second);
  }
  dialog.setWindowTitle(QString::fromUtf8("Druckvorschau"));
}

}  // namespace

void QtGrid::SetPreviewRunner(PreviewRunner runner) { Runner() = std::move(runner); }

int QtGrid::RenderPages(QPagedPaintDevice& printer, int resolution) {
  const double line = RowHeightSetting() > 0 ? RowHeightSetting() : kDefaultLine;
  const PrintPlan plan = PlanPages(line);
  const PrintGeometry geometry = PrintGeometry::For(PrintOrientation());

  QPainter p;
  if (!p.begin(&printer)) PrintFailed("Der Drucker kann nicht beginnen.");
  // Drawn in twips from the top left of the printable area.
  const double scale = resolution / 1440.0;
  p.scale(scale, scale);
  QFont plain(QStringLiteral("DejaVu Sans"));
  plain.setPixelSize(static_cast<int>(kFontTwips));
  QFont bold = plain;
  bold.setBold(true);
  const QPen rule(Qt::black, 10);

  auto drawCells = [&](const std::vector<int>& columns, double y,
                       const std::vector<std::string>& texts) {
    double x = 0;
    for (size_t i = 0; i < columns.size() && i < texts.size(); ++i) {
      const CoreColumn& column = Column(columns[i]);
      const double w = column.Width();
      const double clipped = std::min(w, geometry.width - x);
      QRectF cell(x + kCellPadding / 2, y, std::max(0.0, clipped - kCellPadding), line);
      const QString s =
          QFontMetricsF(p.font()).elidedText(Q(texts[i]), Qt::ElideRight, cell.width());
      p.drawText(cell, static_cast<int>(AlignmentOf(column.Alignment())), s);
      x += w;
    }
    return x;
  };

  // One page's texts at a time, so that a long table never sits in memory whole.
  for (int page = 0; page < plan.PageCount(); ++page) {
    if (page > 0 && !printer.newPage())
      PrintFailed("Die nächste Seite kann nicht gedruckt werden.");
    const PrintedPage texts = PageTexts(plan, page);
    p.setFont(bold);
    const double right = std::min(geometry.width, drawCells(texts.columns, 0, texts.captions));
    p.setPen(rule);
    p.drawLine(QLineF(0, line, right, line));
    p.setFont(plain);
    double y = line;
    for (const auto& row : texts.rows) {
      drawCells(texts.columns, y, row);
      y += line;
    }
    if (!texts.footer.empty()) {
      p.drawLine(QLineF(0, y, right, y));
      p.setFont(bold);
      drawCells(texts.columns, y, texts.footer);
      p.setFont(plain);
    }
    p.drawText(QRectF(0, geometry.height - line, geometry.width, line),
               Qt::AlignHCenter | Qt::AlignBottom, Q(texts.pageNumber));
  }
  if (!p.end()) PrintFailed("Der Druck konnte nicht abgeschlossen werden.");
  return plan.PageCount();
}

void QtGrid::PrintData() {
  lastPrintPages_ = 0;
  const std::string pdf = std::exchange(pdfTarget_, {});
  if (pdf.empty()) {
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty())
      PrintFailed("Es ist kein Drucker eingerichtet.");
    SetUpPage(printer, PrintOrientation());
    lastPrintPages_ = RenderPages(printer, printer.resolution());
    return;
  }
  // Through the safe writer: a target that may not be replaced, a folder that is
  // missing or read-only and a full disk are named as the text export names them,
  // and a failed print leaves no broken PDF. Pages count only once the file is in
  // place.
  AtomicFileWriter out(pdf);
  SafeFileDevice device(out);
  int pages = 0;
  {
    QPdfWriter writer(&device);
    writer.setResolution(1200);
    writer.setCreator(QStringLiteral("VMBGrid"));
    SetUpPage(writer, PrintOrientation());
    pages = RenderPages(writer, writer.resolution());
  }
  device.close();
  out.Commit();
  lastPrintPages_ = pages;
}

void QtGrid::PrintPreview() {
  lastPrintPages_ = 0;
  QPrinter printer(QPrinter::HighResolution);
  SetUpPage(printer, PrintOrientation());
  QPrintPreviewDialog dialog(&printer, view_ ? view_->window() : nullptr);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [this](QPrinter* target) {
                     try {
                       RenderPages(*target, target->resolution());
                     } catch (const std::exception&) {
                       // The preview stays empty; Qt cannot carry the error out of its paint call.
                     }
                   });
  GermanPreviewTexts(dialog, PreviewCaptions());
  if (Runner())
    Runner()(dialog);
  else
    dialog.exec();
}

}  // namespace vmbgrid
