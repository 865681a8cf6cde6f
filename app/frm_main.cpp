#include "app/frm_main.h"
#include "app/user_guide.h"
#include "app_core/command_line.h"

#include "app_core/chart_setup.h"

#include <QAction>
#include <QBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <iterator>

#include "app/form_hilfe.h"
#include "app/message_boxes.h"
#include "app_core/chart_setup.h"
#include "app_core/data_axes.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/panel.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"

using platform_qt::DispatchEvent;
using platform_qt::SpeedButton;

namespace {

constexpr int kPanel3Height = 41;
constexpr int kPanel1Height = 64;
constexpr int kPanel2Width = 270;
// Top of the table controls at the design size; they keep their distance from the bottom.
constexpr int kGridTop = 245;
constexpr int kGridHeight = 212;
constexpr int kTableButtonsTop = 462;

QFont PixelFont(const char* family, int pixels) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixels);
  return font;
}

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
  auto* label = Named(new QLabel(caption, parent), name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

SpeedButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& caption, int group,
                             QRect bounds) {
  auto* button = Named(new SpeedButton(parent), name);
  button->setText(caption);
  button->SetGroupIndex(group);
  button->SetAllowAllUp(group != 0);
  button->setGeometry(bounds);
  // Tab reaches the button and Space presses it, while a mouse click leaves the focus in the
  // edit the user was typing in.
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

void SetHint(QWidget* control, const QString& hint) {
  control->setToolTip(hint);
  control->setAccessibleDescription(hint);
}

void Describe(QWidget* control, const QString& name, const QString& description) {
  control->setAccessibleName(name);
  control->setAccessibleDescription(description);
}

// The glyphs are drawn anew for each pixel ratio, so that they stay sharp on dense screens.
QIcon Glyph(void (*draw)(QPainter&)) {
  constexpr int kSide = SpeedButton::kGlyphSide;
  QIcon icon;
  for (int ratio = 1; ratio <= 3; ++ratio) {
    QPixmap glyph(kSide * ratio, kSide * ratio);
    glyph.setDevicePixelRatio(ratio);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    draw(p);
    p.end();
    icon.addPixmap(glyph);
  }
  return icon;
}

// The two 21 x 21 glyphs of the chart buttons: a data point under a cross for entering points,
// a struck-out frame for clearing.
void DrawEntryGlyph(QPainter& p) {
  p.setPen(QColor(0, 0, 128));
  p.drawLine(10, 1, 10, 7);
  p.drawLine(10, 13, 10, 19);
  p.drawLine(1, 10, 7, 10);
  p.drawLine(13, 10, 19, 10);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 0));
  p.drawEllipse(QRect(8, 8, 5, 5));
}

void DrawClearGlyph(QPainter& p) {
  p.setPen(QColor(128, 128, 128));
  p.setBrush(Qt::white);
  p.drawRect(2, 3, 16, 14);
  p.setPen(QPen(QColor(192, 0, 0), 2));
  p.drawLine(4, 5, 16, 15);
  p.drawLine(16, 5, 4, 15);
}

// The spin edit's parts are named after it: its text field and its two arrow buttons.
void NameSpinEdit(platform_qt::SpinEdit* spin, const QString& name) {
  spin->setAccessibleName(name);
  for (auto* part : spin->findChildren<QWidget*>()) {
    auto* arrow = qobject_cast<QToolButton*>(part);
    if (!arrow)
      part->setAccessibleName(name);
    else
      part->setAccessibleName(name + (arrow->arrowType() == Qt::UpArrow ? QStringLiteral(" up")
                                                                        : QStringLiteral(" down")));
  }
}

}  // namespace

TFrmMain::TFrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FrmMain"));
  // One comparison at a time; a later one waits for the one running.
  comparisonThread_.setMaxThreadCount(1);
  setWindowTitle(QString::fromStdString(CaptionText("")));
  setFont(PixelFont("Arial", 13));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, platform_qt::ToQColor(platform::clBtnFace));
  // Disabled captions must stay readable on the button face.
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(QPalette::Disabled, role, platform_qt::ToQColor(platform::clGrayText));
  setPalette(pal);
  resize(kDesignWidth, kDesignHeight);
  setMinimumSize(kDesignWidth, kDesignHeight);

  platform_qt::SetErrorReporter([](const std::exception& e) { ShowErrorBox(e); });

  CreateMenu();
  CreatePanels();
  CreatePanel3Controls();
  CreatePanel1Controls();
  CreatePanel2Controls();
  WireChartCommands();
  WireModelCommands();
  AcceptDroppedFiles();
  FormHilfe = Named(new TFormHilfe(this), "FormHilfe");
}

TFrmMain::~TFrmMain() = default;

void TFrmMain::CreatePanels() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setAutoFillBackground(true);
  setCentralWidget(client);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  Panel3 = Named(new platform_qt::Panel(client), "Panel3");
  Panel3->setFixedHeight(kPanel3Height);
  Panel1 = Named(new platform_qt::Panel(client), "Panel1");
  Panel1->setFixedHeight(kPanel1Height);
  Panel1->SetColor(platform::clWhite);
  client->setAccessibleName(QStringLiteral("Univariante Regression"));
  Panel3->setAccessibleName(QStringLiteral("Chart tools"));
  Panel1->setAccessibleName(QStringLiteral("Result"));
  column->addWidget(Panel3);
  column->addWidget(Panel1);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  SetUpChart(client);
  Panel2 = Named(new platform_qt::Panel(client), "Panel2");
  Panel2->setFixedWidth(kPanel2Width);
  Panel2->setAccessibleName(QStringLiteral("Models and values"));
  row->addWidget(VArori1Host, 1);
  row->addWidget(Panel2);
  column->addLayout(row, 1);

  designPanel2Height_ =
      kDesignHeight - menuBar()->sizeHint().height() - kPanel3Height - kPanel1Height;
  Panel2->OnResize = [this] { AnchorTableControls(); };
}

void TFrmMain::CreatePanel3Controls() {
  const QFont tahoma = PixelFont("Tahoma", 13);
  SBNewPnts = MakeSpeedButton(Panel3, "SBNewPnts", QStringLiteral("Test-Eingabe"), 98,
                              QRect(19, 1, 125, 39));
  SetHint(SBNewPnts, QStringLiteral("Enter data points"));
  SBNewPnts->setFont(tahoma);
  SBNewPnts->SetGlyph(Glyph(DrawEntryGlyph));
  SBClear =
      MakeSpeedButton(Panel3, "SBClear", QStringLiteral("Grafik Clear"), 0, QRect(144, 1, 125, 39));
  SetHint(SBClear, QStringLiteral("Clear all data"));
  SBClear->setFont(tahoma);
  SBClear->SetGlyph(Glyph(DrawClearGlyph));
  SetUpFitQualityLabel();
}

void TFrmMain::SetUpFitQualityLabel() {
  TNumLab& lab = NLabFitQual;
  lab.SetBounds(608, 8, 193, 22);
  lab.SetLeftSpace(120);
  lab.SetLabelWidth(60);
  lab.SetLeftText("Anpassungsgrad:  ");
  lab.SetLeftTextAlignment(taRightJustify);
  // The value's text settings are shared with the command-line fit.
  const NumLabTextSettings text = FitQualityTextSettings();
  lab.SetDisplayType(text.DisplayType);
  lab.SetPrecision(text.Precision);
  lab.SetAlignment(taCenter);
  lab.SetFrameStyle(fsLowered);
  lab.SetColorScheme(csBWG);
  lab.SetColorLabBakG(platform::clSilver);
  lab.SetColorOutBakG(platform::clBtnFace);
  lab.SetColorLabText(platform::clBlack);
  lab.SetColorOutText(platform::clBlack);
  lab.SetComma(text.Comma);
  lab.SetForcePlusSign(text.ForcePlusSign);
  lab.SetTransparent(false);
  lab.SetEmpty(false);
  lab.SetStateText(text.StateText);
  lab.SetOverflowIndicator(text.OverflowIndicator);
  lab.SetDTFormat(text.DTFormat);
  nLabFitQualHost_ = std::make_unique<platform_qt::ControlHostWidget>(lab, Panel3);
  nLabFitQualHost_->setObjectName(QStringLiteral("NLabFitQual"));
  Describe(nLabFitQualHost_.get(), QStringLiteral("Anpassungsgrad"),
           QStringLiteral("Goodness of fit of the fitted model"));
}

void TFrmMain::SetUpChart(QWidget* parent) {
  TVArori& c = VArori1;
  SetUpMainChart(c);
  varori1Host_ = std::make_unique<platform_qt::ControlHostWidget>(c, parent);
  VArori1Host = Named(varori1Host_.get(), "VArori1");
  VArori1Host->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  VArori1Host->setMinimumSize(1, 1);
  Describe(VArori1Host, QStringLiteral("Chart"),
           QStringLiteral("The data points and the fitted curve"));
}

void TFrmMain::CreatePanel1Controls() {
  Label1 = Named(new QLabel(QStringLiteral("Result:"), Panel1), "Label1");
  Label1->setFont(PixelFont("Arial", 20));
  Label1->move(17, 17);
  Label1->adjustSize();
  LblFormula = Named(new QLabel(QStringLiteral("y = kx + d"), Panel1), "LblFormula");
  LblFormula->setFont(PixelFont("Tahoma", 17));
  LblFormula->setGeometry(99, 6, 726, 22);
  LblFormula->setVisible(false);
  // Named by their text, which the commands change; the description says what they hold.
  LblFormula->setAccessibleDescription(QStringLiteral("Formula of the fitted model"));
  LblParams = Named(new QLabel(Panel1), "LblParams");
  LblParams->setFont(PixelFont("Tahoma", 13));
  LblParams->setGeometry(99, 41, 726, 16);
  LblParams->setAccessibleDescription(QStringLiteral("Parameters of the fitted model"));
}

void TFrmMain::CreatePanel2Controls() {
  BButLinFit = MakeSpeedButton(Panel2, "BButLinFit", QStringLiteral("Lin"), 99, {8, 10, 80, 26});
  BButLogFit = MakeSpeedButton(Panel2, "BButLogFit", QStringLiteral("Log"), 99, {92, 10, 80, 26});
  BButParabolFit =
      MakeSpeedButton(Panel2, "BButParabolFit", QStringLiteral("Parabolic"), 99, {176, 10, 80, 26});
  BButCalcReciprLine = MakeSpeedButton(Panel2, "BButCalcReciprLine", QStringLiteral("Reciproc"), 99,
                                       {8, 40, 80, 26});
  SBRecipLog =
      MakeSpeedButton(Panel2, "SBRecipLog", QStringLiteral("Recip.Log."), 99, {92, 40, 80, 26});
  SBExpo = MakeSpeedButton(Panel2, "SBExpo", QStringLiteral("Expon."), 99, {177, 40, 80, 26});
  BButPolynomial =
      MakeSpeedButton(Panel2, "BButPolynomial", QStringLiteral("Polynom"), 99, {8, 86, 80, 26});

  SEPolyOrder = Named(new platform_qt::SpinEdit(Panel2), "SEPolyOrder");
  SEPolyOrder->setGeometry(100, 87, 57, 26);
  SEPolyOrder->SetMinValue(1);
  SEPolyOrder->SetMaxValue(9);
  SEPolyOrder->SetValue(1);
  SEPolyOrder->setEnabled(false);
  NameSpinEdit(SEPolyOrder, QStringLiteral("Poly.-Order"));
  SEPolyOrder->OnChange = [this] {
    if (PolynomialCommand) PolynomialCommand();
  };

  LblPolyOrder = Named(new QLabel(QStringLiteral("Poly.-Order"), Panel2), "LblPolyOrder");
  LblPolyOrder->setAlignment(Qt::AlignRight | Qt::AlignTop);
  LblPolyOrder->adjustSize();
  LblPolyOrder->move(229 - LblPolyOrder->width(), 92);
  LblPolyOrder->setEnabled(false);

  BButSpline =
      MakeSpeedButton(Panel2, "BButSpline", QStringLiteral("Spline"), 99, {9, 128, 80, 26});
  SBarSmoothSpline = Named(new platform_qt::ScrollBar(Panel2), "SBarSmoothSpline");
  SBarSmoothSpline->setGeometry(100, 130, 109, 24);
  SBarSmoothSpline->SetPosition(1000);
  SBarSmoothSpline->setAccessibleName(QStringLiteral("Smoothing factor"));
  // Like the speed buttons: reached by Tab, moved by the arrow keys, no focus taken by a click.
  SBarSmoothSpline->setFocusPolicy(Qt::TabFocus);
  LblSmoothSpline = MakeLabel(Panel2, "LblSmoothSpline", QStringLiteral("Smoot\nFactor"), 212, 126);
  LblSmoothSpline->setEnabled(false);

  // Edits with their caption above the left edge, three pixels apart.
  auto floatEdit = [this](const char* name, const char* labelName, const QString& caption, int left,
                          QLabel*& label) {
    auto* edit = Named(new platform_qt::FloatEdit(Panel2), name);
    edit->setGeometry(left, 192, 80, 24);
    label = MakeLabel(Panel2, labelName, caption, left, 0);
    label->move(left, 192 - 3 - label->height());
    label->setBuddy(edit);
    return edit;
  };
  GraphXmaxEdit = floatEdit("GraphXmaxEdit", "GraphXmaxEditLabel", QStringLiteral("Graph Xmax"), 8,
                            GraphXmaxEditLabel);
  GraphYmaxEdit = floatEdit("GraphYmaxEdit", "GraphYmaxEditLabel", QStringLiteral("Graph Ymax"),
                            102, GraphYmaxEditLabel);

  ResetAxisButton =
      Named(new QPushButton(QStringLiteral("Reset\nAxis"), Panel2), "ResetAxisButton");
  ResetAxisButton->setGeometry(192, 178, 65, 41);

  Label2 = MakeLabel(Panel2, "Label2", QStringLiteral("Wertetabelle (manuelle Eingabe)"), 8, 226);

  WerteTabelleGrid = Named(new platform_qt::ValueGrid(2, 25, Panel2), "WerteTabelleGrid");
  WerteTabelleGrid->SetCell(0, 0, "X");
  WerteTabelleGrid->SetCell(1, 0, "Y");
  QFont headerFont = PixelFont("Tahoma", 13);
  headerFont.setBold(true);
  WerteTabelleGrid->SetFixedFont(headerFont);
  WerteTabelleGrid->setColumnWidth(0, 116);
  WerteTabelleGrid->setGeometry(8, kGridTop, 249, kGridHeight);
  Describe(WerteTabelleGrid, QStringLiteral("Wertetabelle"),
           QStringLiteral("X and Y of the points, entered by hand"));

  BitBtn2 = Named(new QPushButton(QStringLiteral("Clear Table"), Panel2), "BitBtn2");
  BitBtn2->setGeometry(10, kTableButtonsTop, 89, 25);
  connect(BitBtn2, &QPushButton::clicked, this,
          [this] { DispatchEvent([this] { WerteTabelleGrid->ClearCells(); }); });
  WerteUebernehmenBtn =
      Named(new QPushButton(QStringLiteral("Werte übernehmen"), Panel2), "WerteUebernehmenBtn");
  WerteUebernehmenBtn->setGeometry(112, kTableButtonsTop, 145, 25);

  // Tab follows the reading order: the chart tools, then the panel row by row.
  QWidget* const order[] = {SBNewPnts,        SBClear,        BButLinFit,
                            BButLogFit,       BButParabolFit, BButCalcReciprLine,
                            SBRecipLog,       SBExpo,         BButPolynomial,
                            SEPolyOrder,      BButSpline,     SBarSmoothSpline,
                            GraphXmaxEdit,    GraphYmaxEdit,  ResetAxisButton,
                            WerteTabelleGrid, BitBtn2,        WerteUebernehmenBtn};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

std::string CaptionText(const std::string& fileName) {
  std::string caption = "      Ravelon V" + ProgramVersion() + "    -    Univariante Regression";
  if (!fileName.empty()) caption += " - " + fileName;
  return caption;
}

void TFrmMain::CreateMenu() {
  menuBar()->setAccessibleName(QStringLiteral("Menu bar"));
  Datei1 = Named(menuBar()->addMenu(QStringLiteral("&Datei")), "Datei1");
  Datei1->setAccessibleName(QStringLiteral("Datei"));
  const auto command = [this](QAction* action, QKeySequence keys, void (TFrmMain::*run)()) {
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this,
            [this, run] { DispatchEvent([this, run] { (this->*run)(); }); });
    return action;
  };
  ErgebnisAnClipboard =
      Named(command(Datei1->addAction(QStringLiteral("Ergebnis an Clipboard")),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &TFrmMain::CopyResultCommand),
            "ErgebnisAnClipboard");
  WerteTabellespeichern1 =
      Named(command(Datei1->addAction(QStringLiteral("Werte-Tabelle speichern")),
                    QKeySequence::Save, &TFrmMain::SavePointsCommand),
            "WerteTabellespeichern1");
  WerteTabelleladen1 = Named(command(Datei1->addAction(QStringLiteral("Werte-Tabelle laden")),
                                     QKeySequence::Open, &TFrmMain::OpenFileCommand),
                             "WerteTabelleladen1");
  ZuletztGeoeffnet1 =
      Named(Datei1->addMenu(QStringLiteral("Zuletzt geöffnet")), "ZuletztGeoeffnet1");
  ZuletztGeoeffnet1->setAccessibleName(QStringLiteral("Zuletzt geöffnet"));
  FillRecentMenu();
  BildSpeichern1 =
      Named(command(Datei1->addAction(QStringLiteral("Bild speichern …")),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &TFrmMain::SavePictureCommand),
            "BildSpeichern1");
  Ende1 = Named(Datei1->addAction(QStringLiteral("Ende")), "Ende1");
  connect(Ende1, &QAction::triggered, this, [this] { close(); });
  Auswertung1 = Named(menuBar()->addMenu(QStringLiteral("&Auswertung")), "Auswertung1");
  Auswertung1->setAccessibleName(QStringLiteral("Auswertung"));
  Statistik1 = Named(command(Auswertung1->addAction(QStringLiteral("Statistik")),
                             QKeySequence(Qt::CTRL | Qt::Key_R), &TFrmMain::ShowStatisticsWindow),
                     "Statistik1");
  BaenderZeigen1 = Named(command(Auswertung1->addAction(QStringLiteral("Bänder zeigen")),
                                 QKeySequence(Qt::CTRL | Qt::Key_B), &TFrmMain::ToggleBands),
                         "BaenderZeigen1");
  BaenderZeigen1->setCheckable(true);
  Residuen1 = Named(command(Auswertung1->addAction(QStringLiteral("Residuen")),
                            QKeySequence(Qt::CTRL | Qt::Key_E), &TFrmMain::ShowResidualWindow),
                    "Residuen1");
  Modellvergleich1 =
      Named(command(Auswertung1->addAction(QStringLiteral("Modellvergleich")),
                    QKeySequence(Qt::CTRL | Qt::Key_M), &TFrmMain::ShowComparisonWindow),
            "Modellvergleich1");
  Hilfe1 = Named(menuBar()->addAction(QStringLiteral("&Hilfe")), "Hilfe1");
  Hilfe1->setShortcut(QKeySequence::HelpContents);
  connect(Hilfe1, &QAction::triggered, this, [this] {
    DispatchEvent([this] {
      if (!Guide) Guide = Named(new UserGuideWindow(this), "Guide");
      Guide->ShowAndRaise();
    });
  });
  Info1 = Named(menuBar()->addAction(QStringLiteral("&Info")), "Info1");
  connect(Info1, &QAction::triggered, this,
          [this] { DispatchEvent([this] { FormHilfe->ShowModal(); }); });
}

void TFrmMain::FillRecentMenu() {
  ZuletztGeoeffnet1->clear();
  for (const std::string& file : RecentFiles()) {
    QAction* action = ZuletztGeoeffnet1->addAction(QString::fromStdString(file));
    connect(action, &QAction::triggered, this,
            [this, file] { DispatchEvent([this, file] { OpenRecentFile(file); }); });
  }
  ZuletztGeoeffnet1->setEnabled(!ZuletztGeoeffnet1->isEmpty());
}

void TFrmMain::AnchorTableControls() {
  const int dy = std::max(Panel2->height() - designPanel2Height_, 0);
  // The label stays above the table, whose top edge does not move.
  WerteTabelleGrid->setGeometry(8, kGridTop, 249, kGridHeight + dy);
  BitBtn2->move(10, kTableButtonsTop + dy);
  WerteUebernehmenBtn->move(112, kTableButtonsTop + dy);
}

std::array<std::pair<SpeedButton*, ModelKind>, 6> TFrmMain::FitButtons() const {
  return {{{BButLinFit, ModelKind::Lin},
           {BButParabolFit, ModelKind::Parabolic},
           {BButCalcReciprLine, ModelKind::Reciproc},
           {BButLogFit, ModelKind::Log},
           {SBRecipLog, ModelKind::RecipLog},
           {SBExpo, ModelKind::Expon}}};
}

void TFrmMain::WireModelCommands() {
  for (const auto& [button, model] : FitButtons())
    button->OnClick = [this, m = model] { RunFitCommand(m); };
  PolynomialCommand = [this] { RunPolynomialCommand(); };
  BButPolynomial->OnClick = [this] {
    if (PolynomialCommand) PolynomialCommand();
  };
  BButSpline->OnClick = [this] { RunSplineCommand(); };
  SBarSmoothSpline->OnChange = [this] { DrawSmoothSpline(); };
  connect(WerteUebernehmenBtn, &QPushButton::clicked, this,
          [this] { DispatchEvent([this] { TakeOverTable(); }); });
}

std::array<SpeedButton*, 8> TFrmMain::ModelButtons() const {
  return {BButLinFit, BButParabolFit, BButPolynomial, BButCalcReciprLine,
          BButLogFit, SBRecipLog,     SBExpo,         BButSpline};
}

void TFrmMain::PrepareModelControls() {
  SBarSmoothSpline->setEnabled(false);
  LblSmoothSpline->setEnabled(false);
  LblPolyOrder->setEnabled(false);
  SEPolyOrder->setEnabled(false);
}

void TFrmMain::UpdateOrderLimit() {
  const int points = Stats1.NumPoints();
  if (points <= 9) SEPolyOrder->SetMaxValue(points - 1);
  if (SEPolyOrder->Value() > SEPolyOrder->MaxValue())
    SEPolyOrder->SetValue(SEPolyOrder->MaxValue());
}
