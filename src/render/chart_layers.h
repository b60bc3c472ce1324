#pragma once
// What the archive chart draws on layers of its own, besides QCustomPlot's
// axes and lines: the marks under the lines of every panel, the crosshair
// and the word shown in place of the panels.

#include <qcustomplot.h>

#include <optional>
#include <vector>

#include "core/output/chart_data.h"

namespace tkq::render {

// The panels of a chart as its layers draw over them (the archive chart's).
class CChartPanels {
 public:
  // The panels shown, from the top.
  virtual std::vector<QCPAxisRect*> Panels() const = 0;
  // The panels together, from the top of the first to the bottom of the
  // last, and the one that holds `pos`, if any.
  virtual QRect PlotArea() const = 0;
  virtual QCPAxisRect* PanelAt(QPoint pos) const = 0;

 protected:
  ~CChartPanels() = default;
};

// A layer's drawing over the chart's panels: not antialiased, each part
// cut to its own area as it is drawn.
class CChartOverlay : public QCPLayerable {
 public:
  // On `layer` of `plot`, over the panels `chart` lays out.
  CChartOverlay(QCustomPlot* plot, const CChartPanels& chart, const QString& layer);

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
    applyAntialiasingHint(painter, false, QCP::aeOther);
  }
  QRect clipRect() const override { return mParentPlot->viewport(); }

  const CChartPanels* m_chart;
};

// What is drawn under the lines of every panel: the bands of the
// situations, the marks of the intervals under 100% archiving time, the
// marked row.
class CChartMarks : public CChartOverlay {
 public:
  using CChartOverlay::CChartOverlay;

  std::vector<CChartBand> bands;
  std::vector<CChartBand> incomplete;
  double markedFrom = 0;
  double markedTo = 0;
  bool marked = false;

 protected:
  void draw(QCPPainter* painter) override;

 private:
  void DrawPanel(QCPPainter* painter, const QRect& area, const QCPAxis* x) const;
};

// The crosshair, on a layer of its own redrawn without the rest.
class CChartCrosshair : public CChartOverlay {
 public:
  using CChartOverlay::CChartOverlay;

  std::optional<QPoint> at;

 protected:
  void draw(QCPPainter* painter) override;
};

// A word in the middle of the chart in place of the panels.
class CChartMessage : public QCPLayerable {
 public:
  CChartMessage(QCustomPlot* plot, const QString& text) : QCPLayerable(plot), m_text(text) {}

 protected:
  void applyDefaultAntialiasingHint(QCPPainter*) const override {}
  QRect clipRect() const override { return mParentPlot->viewport(); }
  void draw(QCPPainter* painter) override;

 private:
  QString m_text;
};

}  // namespace tkq::render
