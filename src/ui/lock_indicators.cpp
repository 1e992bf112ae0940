#include "ui/lock_indicators.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

#if defined(VORPEX_HAVE_XKB) && QT_CONFIG(xcb)
#define VORPEX_READS_XKB 1
#include <X11/XKBlib.h>
#endif

namespace vpx::ui {
namespace {

// The lock state changes without an event Qt passes on: it is polled.
constexpr int kPollMs = 300;

struct IndicatorSpec {
  const char* shown;    // status bar text while on
  const char* xkbName;  // XKB indicator name
};

constexpr IndicatorSpec kSpecs[CLockIndicators::kLockCount] = {
    {"カナ", "Kana"}, {"CAP", "Caps Lock"}, {"NUM", "Num Lock"}, {"SCRL", "Scroll Lock"}};

}  // namespace

CLockIndicators::CLockIndicators(QStatusBar* bar) : QObject(bar) {
#if defined(VORPEX_READS_XKB)
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (display == nullptr) {
    reason_ =
        QStringLiteral("not an X11 display (platform %1)").arg(QGuiApplication::platformName());
  } else if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
    reason_ = QStringLiteral("the X server has no keyboard extension");
  } else {
    display_ = display;
    for (int i = 0; i < kLockCount; ++i) atoms_[i] = XInternAtom(display, kSpecs[i].xkbName, False);
  }
#else
  reason_ = QStringLiteral("built without X11's keyboard extension");
#endif
  if (!Available()) return;
  for (int i = 0; i < kLockCount; ++i) {
    auto* label = new QLabel(bar);
    const QString text = QString::fromUtf8(kSpecs[i].shown);
    // Fixed width: the bar does not jump when a lock turns on.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) + 8);
    label->setAlignment(Qt::AlignCenter);
    label->setProperty("lockText", text);
    bar->addPermanentWidget(label);
    labels_[i] = label;
  }
  connect(&poll_, &QTimer::timeout, this, &CLockIndicators::Refresh);
  poll_.start(kPollMs);
  Refresh();
}

CLockIndicators::~CLockIndicators() = default;

void CLockIndicators::Refresh() {
#if defined(VORPEX_READS_XKB)
  if (display_ == nullptr) return;
  auto* display = static_cast<Display*>(display_);
  for (int i = 0; i < kLockCount; ++i) {
    Bool on = False;
    const bool known = XkbGetNamedIndicator(display, atoms_[i], nullptr, &on, nullptr, nullptr);
    labels_[i]->setText(known && on ? labels_[i]->property("lockText").toString() : QString());
  }
#endif
}

}  // namespace vpx::ui
