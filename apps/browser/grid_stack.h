// The search line, the data grid and the sum line stacked without gaps and with one
// left edge and one width, so that their columns line up. The one-row grids keep
// the height the controller gave them; the data grid takes the rest.
#pragma once

#include <QPointer>
#include <QWidget>

namespace vmbgrid::browser {

class GridStack : public QWidget {
 public:
  explicit GridStack(QWidget* parent = nullptr);
  // Any of them may be null; the widgets stay owned by their grids.
  void SetWidgets(QWidget* searchLine, QWidget* data, QWidget* sumLine);
  void Relayout();
  QSize sizeHint() const override { return {900, 480}; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int SnappedHeight(int available) const;

  QPointer<QWidget> search_, data_, sum_;
  bool laying_ = false;
};

}  // namespace vmbgrid::browser
