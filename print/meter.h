// TVMETER: a progress bar drawn with colour gradients. It shows how far a
// value has come towards a total, with an optional caption and percentage
// over the bar, growing left to right (horizontal) or bottom to top
// (vertical). A new value redraws the bar only when its whole percentage
// changes.
#pragma once

#include <QFont>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

namespace pr {

class TVMETER : public QWidget {
  Q_OBJECT
 public:
  // Reads the current value (no argument) or stores a new one.
  using SetGet = std::function<double(std::optional<double>)>;

  struct Options {
    double nRow = 0, nCol = 0;  // position: pixels, or character cells of 14 x 8 pixels
    SetGet bSetGet;             // none: always 1
    double nTotal = 10;
    int nWidth = 300, nHeight = 20;
    bool lPixel = false;
    std::optional<QFont> oFont;  // none: the parent's
    std::string cText = " ";
    bool lNoPercentage = false;
    std::optional<int> nClrPane, nClrText;  // packed RGB; none: the parent's
    int nClrBar1 = 8388608, nClrBar2 = 16776960;  // navy to cyan
    bool lDesign = false;
    std::optional<int> nTipo;  // 2 mirrored gradient, other values linear; none: 2 (ReDefine: 3)
    bool lVertical = false;
  };

  // A meter on oWnd with the given options (New).
  TVMETER(QWidget* oWnd, const Options& o);
  // Binds the control with ID nId of a dialog (its place and size); the
  // defaults are those of New except pane and text black and kind 3. Null
  // when the dialog has no such control.
  static TVMETER* ReDefine(QWidget* dialog, int nId, Options o);

  // Sets the value (nActual, or the callback's when none), clamped to
  // 0 … total, and redraws when the whole percentage changed.
  void Set(std::optional<double> nActual = std::nullopt);
  // Sets the total and redraws.
  void SetTotal(double nTotal);
  // Re-reads the value and redraws (Paint).
  void Paint();

  double nTotal() const { return nTotal_; }
  int nPerAnt() const { return nPerAnt_; }
  double value() const { return value_; }
  // The filled width (horizontal) or the unfilled height at the top
  // (vertical), in pixels.
  int filledSize() const { return filled_; }
  // The text written over the bar.
  std::string text() const;
  // Redraws requested by Set since the meter was made.
  int redraws() const { return redraws_; }
  bool lVertical() const { return lVertical_; }
  int nClrBar1() const { return nClrBar1_; }
  int nClrBar2() const { return nClrBar2_; }
  int nTipo() const { return nTipo_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  void Default();
  double readValue() const;
  void recompute();
  void paintGradient(QPainter& p, const QRect& r, const QColor& c1, const QColor& c2) const;
  void paintText(QPainter& p, const QRect& r, const QColor& c) const;

  double nTotal_ = 10;
  int nRefresh_ = 0;
  int nClrBar1_ = 8388608, nClrBar2_ = 16776960;
  int nClrBText_ = 0xFFFFFF;
  int nTipo_ = 2;
  std::string cText_;
  bool lPercentage_ = true;
  bool lPrimeiro_ = true;
  QRect aArra_;
  bool lVertical_ = false;
  int nPerAnt_ = 0;
  SetGet bSetGet_;
  double value_ = 0;
  double percent_ = 0;
  int filled_ = 0;
  int redraws_ = 0;
};

}  // namespace pr
