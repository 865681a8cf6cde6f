#include "app/form_hilfe.h"

#include <QLabel>
#include <QPushButton>

#include "app_core/command_line.h"
#include "platform/qt/event_dispatch.h"

namespace {

QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

TFormHilfe::TFormHilfe(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      Label3(new QLabel(this)),
      Button1(new QPushButton(this)) {
  setObjectName(QStringLiteral("FormHilfe"));
  setWindowTitle(QStringLiteral("FormHilfe"));
  // The caption is the form's name; assistive technology hears what the box is.
  setAccessibleName(QStringLiteral("About Ravelon"));
  setFixedSize(325, 374);
  setFont(PixelFont("MS Sans Serif", 13));

  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(40, 16, 249, 57);
  Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label1->setFont(PixelFont("Arial", 20, true));
  Label1->setText(QStringLiteral("Ravelon\nUnivariante Regression"));

  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(56, 88, 217, 209);
  Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label3->setWordWrap(true);
  Label3->setText(QString::fromStdString("Version " + ProgramVersion() + "\n") +
                  QStringLiteral("\n"
                                 "Fits a model to (x, y) points\n"
                                 "entered in the chart or\n"
                                 "in the value table:\n"
                                 "line, parabola, polynomial,\n"
                                 "reciprocal line, logarithm,\n"
                                 "reciprocal logarithm,\n"
                                 "exponential, smoothing spline.\n"
                                 "\n"
                                 "The points are saved to\n"
                                 "\"veda.asc\" on exit."));

  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setText(QStringLiteral("Close"));
  Button1->setGeometry(128, 312, 75, 25);
  connect(Button1, &QPushButton::clicked, this, [this] { accept(); });
}

void TFormHilfe::ShowModal() {
  platform_qt::NestedEventLoopScope scope;
  exec();
}
