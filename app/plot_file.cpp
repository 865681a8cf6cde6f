#include "app/plot_file.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <cstdio>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "app_core/chart_setup.h"
#include "app_core/fit_analysis.h"
#include "app_core/fit_command.h"
#include "app_core/model_curve.h"
#include "app_core/model_table.h"
#include "app_core/whole_file.h"
#include "chart/varori.h"
#include "fit/rovav_aza.h"
#include "io/data_file.h"
#include "platform/qt/image_host.h"
#include "platform/qt/painter_canvas.h"
#include "platform/qt/qt_canvas.h"

namespace {

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Room above and below the caption's text.
constexpr int kCaptionPadding = 4;

struct Picture {
  int width, chartHeight, captionHeight;
  double scale;
  std::string caption;
  QFont font;
  QColor background;
  int Height() const { return captionHeight + chartHeight; }
};

constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap;

QRectF CaptionTextRect(const Picture& picture) {
  return QRectF(kCaptionPadding, kCaptionPadding, picture.width - 2 * kCaptionPadding,
                picture.captionHeight - 2 * kCaptionPadding);
}

// The band's height: the caption's lines, wrapped at blanks where the chart is narrower.
int CaptionHeight(const Picture& picture) {
  const QFontMetrics metrics(picture.font);
  const QRect lines =
      metrics.boundingRect(QRect(0, 0, std::max(picture.width - 2 * kCaptionPadding, 1), 100000),
                           kCaptionFlags, FromStd(picture.caption));
  return lines.height() + 2 * kCaptionPadding;
}

void DrawCaption(QPainter& p, const Picture& picture) {
  p.fillRect(QRectF(0, 0, picture.width, picture.captionHeight), picture.background);
  p.setFont(picture.font);
  p.setPen(Qt::black);
  p.drawText(CaptionTextRect(picture), kCaptionFlags, FromStd(picture.caption));
}

// The chart as the window's host draws it, at the picture's scale.
QImage ChartImage(TVArori& chart, const Picture& picture) {
  platform_qt::ImageHost host(chart, picture.scale);
  return host.Render().copy();
}

// The caption above the chart image, each at device resolution: the chart's pixels are copied,
// never resampled, so they are the window's at the same ratio.
QImage Composed(const QImage& chart, const Picture& picture) {
  const int captionPixels = int(std::ceil(picture.captionHeight * picture.scale));
  QImage image(chart.width(), captionPixels + chart.height(), QImage::Format_RGB32);
  image.fill(picture.background);
  {
    QPainter p(&image);
    p.scale(picture.scale, picture.scale);
    DrawCaption(p, picture);
    p.resetTransform();
    QImage pixels = chart;
    pixels.setDevicePixelRatio(1);
    p.drawImage(QPoint(0, captionPixels), pixels);
  }
  image.setDevicePixelRatio(picture.scale);
  return image;
}

// Draws the picture onto `device` (a vector surface): the caption, then the chart's shapes.
void DrawVector(QPaintDevice& device, TVArori& chart, const Picture& picture) {
  QPainter p(&device);
  DrawCaption(p, picture);
  p.translate(0, picture.captionHeight);
  platform_qt::PainterCanvas canvas(p);
  chart.PaintTo(canvas);
}

// The picture through Qt's writers onto the whole file's descriptor.
void WritePicture(const std::string& path, const std::function<bool(QFile&)>& write) {
  WriteFileWhole(path, [&write](int fd) {
    QFile file;
    bool ok = file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) && write(file);
    ok = ok && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    return ok;
  });
}

}  // namespace

int RunPlot(const CommandLine& request, std::ostream& err) {
  const DataFileResult file = ReadDataFile(request.File, request.Columns);
  if (!file.Ok()) {
    err << file.error << '\n';
    return 1;
  }
  try {
    TRovavAza store;
    if (!StorePoints(request, file, store, err)) return 1;

    // The chart as an open leaves it: the window's set-up, the marks, axes around the points.
    TVArori chart;
    SetUpMainChart(chart);
    chart.SetBounds(0, 0, request.Width ? request.Width : kDefaultPictureWidth,
                    request.Height ? request.Height : kDefaultPictureHeight);
    chart.HoldPainting(true);
    ShowPointsOnChart(chart, file.points);

    // Then the model's button.
    std::optional<FittedModel> fitted;
    std::vector<SampledBand> band;
    if (request.Model.what == ModelArgument::What::One) {
      const CurveSampling samples(chart.Scale1X().RangeLow(), chart.Scale1X().RangeHigh());
      const ModelRow row(request.Model.model);
      if (request.Band || request.TiesMerge) {
        FitAnalysis a = AnalyseFit(store, file.points, row, request.Level, request.TiesMerge,
                                   samples, request.Band);
        fitted = FittedModel{a.report.formula, a.report.params, a.report.fitQual, {}};
        if (request.Band) band = a.curve;
        if (request.TiesMerge)
          for (const SampledBand& p : a.curve) fitted->curve.push_back({p.x, p.y, p.move});
      }
      if (!request.TiesMerge) fitted = FitModelCurveOrThrow(store, row, &samples);
      if (!band.empty()) ShowBand(chart, band);
      AddCurve(chart, fitted->curve);
    }

    const std::string caption = request.Model.what == ModelArgument::What::None
                                    ? QFileInfo(FromStd(request.File)).fileName().toStdString()
                                    : ModelCaption(ModelRow(request.Model.model), fitted->formula,
                                                   fitted->params, fitted->fitQual);
    WriteChartPicture(chart, caption, request.Output, request.Scale);
  } catch (const std::exception& e) {
    err << WithRepeatedX(e.what(), request, file) << '\n';
    return 1;
  }
  return 0;
}

std::string ModelCaption(const ModelRow& row, const std::string& formula, const std::string& params,
                         double fitQual) {
  // Kept on one line where the caption wraps.
  const std::string quality = "Anpassungsgrad:\u00A0" + FitQualityText(fitQual);
  if (row.IsSpline()) {
    char factor[32];
    std::snprintf(factor, sizeof factor, "%g", row.Choice().factor);
    return std::string("Spline, Glättungsfaktor ") + factor + "    " + quality;
  }
  return Trimmed(formula) + "    " + Trimmed(params) + "    " + quality;
}

namespace {

Picture PictureOf(TVArori& chart, const std::string& caption, double scale) {
  Picture picture{chart.Width(), chart.Height(), 0, scale, caption, {}, {}};
  // In the scales' font, which fits more of a long polynomial on a line.
  picture.font = platform_qt::ToQFont(chart.Scale1X().Font());
  picture.font.setStyleStrategy(QFont::PreferAntialias);
  picture.captionHeight = CaptionHeight(picture);
  picture.background = platform_qt::ToQColor(chart.WindColor());
  return picture;
}

}  // namespace

QImage ChartPictureImage(TVArori& chart, const std::string& caption, double scale) {
  chart.HoldPainting(false);
  const Picture picture = PictureOf(chart, caption, scale);
  return Composed(ChartImage(chart, picture), picture);
}

void WriteChartPicture(TVArori& chart, const std::string& caption, const std::string& path,
                       double scale) {
  const std::optional<PictureFormat> format = PictureFormatOf(path);
  if (!format)
    throw std::invalid_argument("Die Datei \"" + path +
                                "\" konnte nicht geschrieben werden: Bilder werden als .png, "
                                ".svg oder .pdf gespeichert");
  const Picture picture = PictureOf(chart, caption, scale);
  WritePicture(path, [&](QFile& out) {
    switch (*format) {
      case PictureFormat::Png:
        return ChartPictureImage(chart, caption, scale).save(&out, "PNG");
      case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(QSize(picture.width, picture.Height()));
        svg.setViewBox(QRect(0, 0, picture.width, picture.Height()));
        svg.setResolution(96);
        svg.setTitle(QStringLiteral("Ravelon"));
        svg.setDescription(FromStd(picture.caption));
        DrawVector(svg, chart, picture);
        return true;
      }
      case PictureFormat::Pdf: {
        QPdfWriter pdf(&out);
        pdf.setResolution(96);
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setPageSize(QPageSize(QSizeF(picture.width, picture.Height()) * 72.0 / 96,
                                  QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setTitle(QStringLiteral("Ravelon"));
        pdf.setCreator(QStringLiteral("Ravelon"));
        DrawVector(pdf, chart, picture);
        return true;
      }
    }
    return false;
  });
}
