#include "app/user_guide.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The guide lives in a static library; a program that links it without naming one of its symbols
// would otherwise lose the resource's registration.
static void InitGuideResource() {
  Q_INIT_RESOURCE(guide);
}

namespace {

// Wide enough for the model table without a horizontal scroll bar, tall enough for a section.
constexpr int kDefaultWidth = 720;
constexpr int kDefaultHeight = 640;

}  // namespace

UserGuideWindow::UserGuideWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      Browser(new QTextBrowser(this)),
      BackButton(new QPushButton(QStringLiteral("Zurück"), this)),
      ContentsButton(new QPushButton(QStringLiteral("Inhalt"), this)) {
  InitGuideResource();
  setObjectName(QStringLiteral("UserGuide"));
  setWindowTitle(QStringLiteral("Ravelon – Anleitung"));
  setAccessibleName(QStringLiteral("Anleitung"));
  resize(kDefaultWidth, kDefaultHeight);

  Browser->setObjectName(QStringLiteral("GuideBrowser"));
  Browser->setOpenLinks(true);
  Browser->setOpenExternalLinks(true);
  Browser->setSource(QUrl(QString::fromLatin1(kGuideUrl)));

  BackButton->setObjectName(QStringLiteral("GuideBack"));
  BackButton->setEnabled(false);
  BackButton->setToolTip(QStringLiteral("Zur vorher gelesenen Stelle (Alt+Links)"));
  connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
  connect(BackButton, &QPushButton::clicked, Browser, &QTextBrowser::backward);

  ContentsButton->setObjectName(QStringLiteral("GuideContents"));
  ContentsButton->setToolTip(QStringLiteral("Zum Inhaltsverzeichnis"));
  connect(ContentsButton, &QPushButton::clicked, this, [this] {
    // Through the link, not a bare scroll, so that "Zurück" leads back to where the reader was.
    Browser->setSource(QUrl(QString::fromLatin1(kGuideUrl) + QStringLiteral("#inhalt")));
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BackButton);
  buttons->addWidget(ContentsButton);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(6);
  layout->addLayout(buttons);
  layout->addWidget(Browser);
}

void UserGuideWindow::ShowAndRaise() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void UserGuideWindow::keyPressEvent(QKeyEvent* event) {
  // Escape reaches here from any child that does not use it, as it closes a dialog.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
    close();
  else
    QWidget::keyPressEvent(event);
}
