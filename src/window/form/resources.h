// The program's named pictures, embedded with Qt's resource system as :/pictures/<kind>/<name>.<kind>
// in lower case, and found by name and kind without regard to case.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace zur {

// The bytes of the named resource, or empty when there is none.
QByteArray ResourceData(const QString& name, const QString& kind);

// Loads a complete bitmap file resource into `bitmap`. Any failure leaves `bitmap` as it was.
void LoadBitmapResource(QPixmap& bitmap, const QString& name, const QString& kind = QStringLiteral("bmp"));

// Decodes a JPEG resource with libjpeg and makes `picture` a bitmap copy of it. Any failure leaves
// `picture` as it was.
void LoadJpegResource(QPixmap& picture, const QString& name, const QString& kind = QStringLiteral("jpg"));

// JPEG bytes decoded with libjpeg; a null image when they are not a readable JPEG.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace zur
