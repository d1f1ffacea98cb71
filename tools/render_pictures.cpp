// Draws every picture of the program: the button faces with their labels, the tab strip, the file
// list header, the logo, the update banner and the program's icon at the desktop's sizes (PNG). Usage: render_pictures <resources folder>.
// Bitmaps are written as 24-bit BMP files, JPEG pictures with libjpeg. The output is committed.
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

#include <jpeglib.h>

#include "window/form/tabstrip.h"

namespace {

enum class Icon { None, Magnifier, Folder, Disk };

const QColor kInk(27, 63, 107);

// The sizes of the program's icon in the desktop's icon theme.
const int kIconSizes[] = {16, 32, 48, 64, 128, 256};

QFont LabelFont(int pixels, bool bold = false) {
  QFont f;
  f.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

void DrawMagnifier(QPainter& p, QRectF box) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double d = box.height() * 0.62;
  QRectF lens(box.left(), box.top() + (box.height() - d) / 2 - 1, d, d);
  p.setPen(QPen(QColor(40, 90, 150), 1.6));
  p.setBrush(QColor(210, 232, 250));
  p.drawEllipse(lens);
  p.setPen(QPen(QColor(120, 80, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(lens.bottomRight() - QPointF(d * 0.15, d * 0.15), lens.bottomRight() + QPointF(d * 0.28, d * 0.28));
  p.restore();
}

void DrawFolder(QPainter& p, QRectF box) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double h = box.height() * 0.56, w = h * 1.35;
  QRectF body(box.left(), box.top() + (box.height() - h) / 2 + 1, w, h);
  QPainterPath tab;
  tab.addRoundedRect(QRectF(body.left(), body.top() - 2.5, w * 0.45, 4), 1, 1);
  p.setPen(QPen(QColor(180, 130, 30), 1));
  p.setBrush(QColor(250, 205, 90));
  p.drawPath(tab);
  p.drawRoundedRect(body, 1.5, 1.5);
  p.restore();
}

void DrawDisk(QPainter& p, QRectF box) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double s = box.height() * 0.7;
  QRectF disk(box.left(), box.top() + (box.height() - s) / 2, s, s);
  p.setPen(QPen(QColor(30, 60, 110), 1));
  p.setBrush(QColor(70, 120, 190));
  p.drawRoundedRect(disk, 1.5, 1.5);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(disk.left() + s * 0.22, disk.top() + 1, s * 0.56, s * 0.34));
  p.setBrush(QColor(220, 230, 245));
  p.drawRect(QRectF(disk.left() + s * 0.25, disk.bottom() - s * 0.38, s * 0.5, s * 0.3));
  p.restore();
}

// A flat button face: a soft gradient, a thin rounded border, an optional icon and the label.
void DrawFace(QPainter& p, QRectF r, const QString& label, Icon icon, int fontPx) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(253, 254, 255));
  g.setColorAt(1, QColor(214, 230, 246));
  p.setBrush(g);
  p.setPen(QPen(QColor(143, 178, 214), 1));
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  p.restore();

  QFont font = LabelFont(fontPx);
  QFontMetricsF fm(font);
  const double iconW = icon == Icon::None ? 0 : r.height() * 0.85 + 3;
  const double textW = fm.horizontalAdvance(label);
  double x = r.left() + (r.width() - iconW - textW) / 2;
  QRectF iconBox(x, r.top(), iconW, r.height());
  if (icon == Icon::Magnifier) DrawMagnifier(p, iconBox);
  if (icon == Icon::Folder) DrawFolder(p, iconBox);
  if (icon == Icon::Disk) DrawDisk(p, iconBox);
  p.setFont(font);
  p.setPen(kInk);
  p.drawText(QRectF(x + iconW, r.top(), textW + 2, r.height()), Qt::AlignVCenter | Qt::AlignLeft, label);
}

QImage Blank(int w, int h, const QColor& fill = QColor(245, 250, 254)) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(fill);
  return img;
}

bool SaveBmp(const QImage& img, const QString& path) {
  return img.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

bool SaveJpeg(const QImage& source, const QString& path) {
  QImage img = source.convertToFormat(QImage::Format_RGB888);
  FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!out) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(img.width());
  info.image_height = static_cast<JDIMENSION>(img.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = img.scanLine(static_cast<int>(info.next_scanline));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
  return true;
}

struct Face {
  const char* name;
  int w, h;
  const char* label;
  Icon icon;
};

const Face kFaces[] = {
    {"opendir", 122, 25, "打开所在文件夹", Icon::Folder},
    {"selectpath", 87, 25, "选择路径", Icon::Folder},
    {"btnopenoutputdir", 122, 25, "打开输出文件夹", Icon::Folder},
    {"btnreplacefile", 122, 25, "代替整个文件", Icon::None},
    {"btnsave", 57, 25, "保存", Icon::None},
    {"btntextreplace", 80, 25, "文本代替", Icon::None},
    {"BtnDirTextReplace", 122, 25, "文本代替文件夹", Icon::None},
    {"BtnBatchReturn", 79, 25, "操作恢复", Icon::None},
    {"BtnPipeiReplace", 79, 25, "匹配代替", Icon::None},
    {"BtnPiPeiDir", 90, 25, "匹配文件夹", Icon::None},
    {"BtnDefaultExt", 80, 25, "缺省后缀", Icon::None},
    {"BtnReplaceFileName", 122, 25, "代替所选文件名", Icon::None},
    {"BtnRplaceNameOfDIR", 122, 25, "代替整个文件夹", Icon::None},
    {"BtnSearchFile", 54, 18, "查找", Icon::Magnifier},
    {"BtnReplaceFile2", 90, 18, "逐个代替", Icon::Magnifier},
    {"btnreplacefileall", 90, 18, "全部代替", Icon::Magnifier},
    {"BtnSaveDirectory", 54, 18, "保存", Icon::Disk},
    {"btnopenbakupdir", 122, 25, "打开备份文件夹", Icon::Folder},
    {"BtnSearch", 62, 25, "查找", Icon::None},
    {"BtnHelp", 122, 25, "帮 助", Icon::None},
    {"BtnOnlineUpdate", 122, 25, "在 线 更 新", Icon::None},
    {"BtnExit", 122, 25, "退 出", Icon::None},
    {"BtnClose", 56, 25, "关闭", Icon::None},
};

QImage TabStrip() {
  QImage img = Blank(zur::kTabPictureWidth, zur::kTabPictureHeight);
  QPainter p(&img);
  const char* labels[] = {"内容代替", "文件名代替", "内容查询"};
  int x = 0;
  for (int i = 0; i < 3; ++i) {
    QRectF r(x + 1, 3, zur::kTabWidths[i] - 3, zur::kTabPictureHeight - 3);
    DrawFace(p, r, QString::fromUtf8(labels[i]), Icon::Magnifier, 14);
    x += zur::kTabWidths[i];
  }
  p.setPen(QColor(143, 178, 214));
  p.drawLine(0, zur::kTabPictureHeight - 1, zur::kTabPictureWidth, zur::kTabPictureHeight - 1);
  return img;
}

QImage FileListHeader() {
  QImage img = Blank(126, 19, QColor(232, 241, 251));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 100, 160), 1.4));
  for (int i = 0; i < 3; ++i) {
    p.setBrush(QColor(60, 100, 160));
    p.drawEllipse(QPointF(6, 5.5 + i * 4), 1, 1);
    p.drawLine(QPointF(9, 5.5 + i * 4), QPointF(17, 5.5 + i * 4));
  }
  p.setFont(LabelFont(13, true));
  p.setPen(kInk);
  p.drawText(QRectF(22, 0, 100, 19), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("文件列表"));
  return img;
}

QImage Logo() {
  QImage img(120, 55, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 120, 55);
  g.setColorAt(0, QColor(34, 98, 170));
  g.setColorAt(1, QColor(18, 52, 104));
  p.fillRect(img.rect(), g);
  p.setPen(QPen(QColor(255, 200, 60), 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(8, 9, 26, 26));
  p.setFont(LabelFont(15, true));
  p.setPen(QColor(255, 200, 60));
  p.drawText(QRectF(8, 9, 26, 26), Qt::AlignCenter, QStringLiteral("Z"));
  p.setFont(LabelFont(20, true));
  p.setPen(Qt::white);
  p.drawText(QRectF(40, 6, 78, 30), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("ZUR"));
  p.setFont(LabelFont(11));
  p.drawText(QRectF(0, 36, 120, 17), Qt::AlignCenter, QStringLiteral("软件工作室"));
  return img;
}

QImage UpdateBanner() {
  QImage img(651, 110, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 110);
  g.setColorAt(0, QColor(236, 245, 255));
  g.setColorAt(1, QColor(196, 222, 248));
  p.fillRect(img.rect(), g);
  p.drawImage(20, 27, Logo());
  p.setFont(LabelFont(24, true));
  p.setPen(kInk);
  p.drawText(QRectF(160, 20, 470, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("ZUR软件在线升级"));
  p.setFont(LabelFont(14));
  p.drawText(QRectF(160, 62, 470, 26), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("ZUR文本代替助手 · 检查新版本并自动下载"));
  return img;
}

// The program's icon for the desktop: a page whose middle line is being replaced, on the blue of the
// logo, with the logo's gold ring. Drawn on a 256 grid and scaled to each size.
QImage ProgramIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);
  QLinearGradient g(0, 0, 256, 256);
  g.setColorAt(0, QColor(34, 98, 170));
  g.setColorAt(1, QColor(18, 52, 104));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(12, 12, 232, 232), 40, 40);
  // The page, with a folded corner.
  QPainterPath page;
  page.moveTo(54, 36);
  page.lineTo(160, 36);
  page.lineTo(202, 78);
  page.lineTo(202, 220);
  page.lineTo(54, 220);
  page.closeSubpath();
  p.setBrush(QColor(250, 252, 255));
  p.drawPath(page);
  p.setBrush(QColor(200, 220, 242));
  QPainterPath fold;
  fold.moveTo(160, 36);
  fold.lineTo(160, 78);
  fold.lineTo(202, 78);
  fold.closeSubpath();
  p.drawPath(fold);
  // Text lines; the middle one is the replaced text, in the logo's gold.
  p.setBrush(QColor(120, 150, 190));
  for (int y : {66, 94, 178, 200}) p.drawRoundedRect(QRectF(74, y, y == 66 ? 70 : 108, 10), 5, 5);
  p.setBrush(QColor(255, 200, 60));
  p.drawRoundedRect(QRectF(66, 122, 124, 34), 8, 8);
  p.setBrush(kInk);
  p.drawRoundedRect(QRectF(78, 134, 100, 10), 5, 5);
  // The ring of the logo, holding the Z.
  p.setBrush(QColor(18, 52, 104));
  p.setPen(QPen(QColor(255, 200, 60), 10));
  p.drawEllipse(QPointF(186, 188), 44, 44);
  QFont font = LabelFont(60, true);
  p.setFont(font);
  p.setPen(QColor(255, 200, 60));
  p.drawText(QRectF(142, 144, 88, 88), Qt::AlignCenter, QStringLiteral("Z"));
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_pictures <resources folder>\n");
    return 2;
  }
  QDir root(QString::fromLocal8Bit(argv[1]));
  root.mkpath(QStringLiteral("bmp"));
  root.mkpath(QStringLiteral("jpg"));
  bool ok = true;
  auto bmp = [&](const char* name) { return root.filePath(QStringLiteral("bmp/%1.bmp").arg(QString::fromLatin1(name).toLower())); };
  auto jpg = [&](const char* name) { return root.filePath(QStringLiteral("jpg/%1.jpg").arg(QString::fromLatin1(name).toLower())); };
  for (const Face& f : kFaces) {
    QImage img = Blank(f.w, f.h);
    QPainter p(&img);
    DrawFace(p, QRectF(0, 0, f.w, f.h), QString::fromUtf8(f.label), f.icon, f.h >= 25 ? 13 : 12);
    p.end();
    ok &= SaveBmp(img, bmp(f.name));
  }
  ok &= SaveBmp(TabStrip(), bmp("toolbuttons"));
  ok &= SaveJpeg(FileListHeader(), jpg("filelist"));
  ok &= SaveJpeg(Logo(), jpg("Tavimex"));
  ok &= SaveJpeg(UpdateBanner(), jpg("UpdateBanner"));
  root.mkpath(QStringLiteral("icons"));
  for (int size : kIconSizes) {
    ok &= ProgramIcon(size).save(root.filePath(QStringLiteral("icons/%1.png").arg(size)), "PNG");
  }
  std::printf("%s\n", ok ? "pictures written" : "some pictures could not be written");
  return ok ? 0 : 1;
}
