#include "shell/icons.h"

#include <QHash>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <utility>

#include "tree/kinds.h"

namespace zov::gui {

namespace {

struct Look {
  QColor fill;
  const char* letters;
  bool round;
};

// A colour, a shape and one or two letters per kind, so that kinds can be
// told apart at a glance.
Look LookOf(std::string_view kind) {
  static const QHash<QString, Look> looks = {
      {"actor", {QColor(230, 160, 40), "A", true}},
      {"chain", {QColor(200, 40, 40), "N", false}},
      {"usecaseRelrip", {QColor(120, 90, 200), "R", true}},
      {"collaboration", {QColor(40, 150, 150), "C", false}},
      {"packagereused", {QColor(150, 120, 60), "P", false}},
      {"package", {QColor(190, 150, 70), "P", false}},
      {"usecaserel", {QColor(120, 90, 200), "R", true}},
      {"choices", {QColor(90, 160, 90), "Ch", false}},
      {"usecaserip", {QColor(70, 110, 200), "U", true}},
      {"testcasegiallo", {QColor(230, 210, 40), "T", false}},
      {"usecasecic", {QColor(200, 60, 60), "U", true}},
      {"value", {QColor(90, 180, 90), "v", true}},
      {"entryactor", {QColor(230, 160, 40), "E", true}},
      {"entryusecase", {QColor(40, 120, 220), "E", true}},
      {"continua", {QColor(140, 140, 140), "L", true}},
      {"protectedAttr", {QColor(180, 140, 200), "a", false}},
      {"publicAttr", {QColor(120, 180, 220), "a", false}},
      {"sequence", {QColor(40, 120, 160), "S", false}},
      {"testcase", {QColor(220, 170, 40), "T", false}},
      {"categoria", {QColor(160, 100, 160), "K", false}},
      {"classdiag", {QColor(70, 140, 70), "O", false}},
      {"associazione", {QColor(120, 120, 120), "-", false}},
      {"messaggio", {QColor(60, 100, 180), "M", false}},
      {"rose", {QColor(200, 60, 110), "R", true}},
      {"scolle", {QColor(60, 140, 140), "s", false}},
      {"usecasediag", {QColor(90, 130, 190), "D", false}},
      {"usecase", {QColor(60, 110, 210), "U", true}},
      {"attributo", {QColor(140, 90, 170), "a", false}},
      {"statediagram", {QColor(170, 110, 60), "St", false}},
      {"protectedMess", {QColor(100, 120, 170), "m", false}},
      {"implementationAttr", {QColor(150, 150, 190), "a", false}},
      {"privateAttr", {QColor(190, 110, 110), "a", false}},
      {"cartellamain", {QColor(200, 170, 90), "F", false}},
      {"type", {QColor(110, 110, 110), "Ty", false}},
      {"initial", {QColor(110, 150, 110), "In", false}},
  };
  auto it = looks.find(QString::fromUtf8(kind.data(), static_cast<int>(kind.size())));
  return it == looks.end() ? Look{QColor(), "", false} : it.value();
}

QIcon Draw(const Look& look) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(look.fill.darker(150));
  p.setBrush(look.fill);
  if (look.round)
    p.drawEllipse(QRectF(1, 1, 14, 14));
  else
    p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
  QFont font = p.font();
  font.setPixelSize(look.letters[1] != '\0' ? 8 : 10);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QString::fromLatin1(look.letters));
  return QIcon(pixmap);
}

// The mark of the first state that has one, in the order a tester needs them.
QChar MarkOf(std::string_view state) {
  static const std::pair<std::string_view, QChar> kMarks[] = {{"weights to be checked", QLatin1Char('!')},
                                                              {"left out by the coverage", QChar(0x00D7)},
                                                              {"start or stop level", QChar(0x25B8)},
                                                              {"level selected", QChar(0x2713)},
                                                              {"leaf of the selection", QChar(0x2022)}};
  for (const auto& [words, mark] : kMarks)
    if (state.find(words) != std::string_view::npos) return mark;
  return {};
}

}  // namespace

QIcon IconForKindAndState(std::string_view kind, std::string_view state) {
  const QChar mark = MarkOf(state);
  if (mark.isNull()) return IconForKind(kind);
  static QHash<QString, QIcon> cache;
  const QString key = QString::fromUtf8(kind.data(), static_cast<int>(kind.size())) + QLatin1Char('/') + mark;
  if (auto it = cache.find(key); it != cache.end()) return it.value();
  QPixmap pixmap = IconForKind(kind).pixmap(16, 16);
  if (pixmap.isNull()) {
    pixmap = QPixmap(16, 16);
    pixmap.fill(Qt::transparent);
  }
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(7.5, 7.5, 8, 8));
  QFont font = p.font();
  font.setPixelSize(8);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(7.5, 7.5, 8, 8), Qt::AlignCenter, QString(mark));
  p.end();
  const QIcon icon(pixmap);
  cache.insert(key, icon);
  return icon;
}

QIcon IconForKind(std::string_view kind) {
  static QHash<QString, QIcon> cache;
  const QString key = QString::fromUtf8(kind.data(), static_cast<int>(kind.size()));
  auto it = cache.find(key);
  if (it != cache.end()) return it.value();
  const QIcon icon = ImageNumber(kind) == 0 ? QIcon() : Draw(LookOf(kind));
  cache.insert(key, icon);
  return icon;
}

}  // namespace zov::gui
