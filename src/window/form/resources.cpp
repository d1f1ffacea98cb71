#include "window/form/resources.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace zur {
namespace {

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

}  // namespace

QByteArray ResourceData(const QString& name, const QString& kind) {
  const QString k = kind.toLower();
  QFile file(QStringLiteral(":/pictures/%1/%2.%1").arg(k, name.toLower()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void LoadBitmapResource(QPixmap& bitmap, const QString& name, const QString& kind) {
  QImage image;
  if (image.loadFromData(ResourceData(name, kind), "BMP")) bitmap = QPixmap::fromImage(image);
}

void LoadJpegResource(QPixmap& picture, const QString& name, const QString& kind) {
  QImage image = DecodeJpeg(ResourceData(name, kind));
  if (!image.isNull()) picture = QPixmap::fromImage(image);
}

namespace {

// The decoder's output lives in the caller's frame, so a longjmp out of libjpeg leaves it intact.
struct JpegJob {
  const QByteArray* bytes = nullptr;
  QImage image;
};

bool RunJpegDecoder(JpegJob* job) {
  jpeg_decompress_struct info{};
  JpegError error{};
  info.err = jpeg_std_error(&error.base);
  error.base.error_exit = OnJpegError;
  error.base.output_message = IgnoreJpegMessage;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(job->bytes->constData()),
               static_cast<unsigned long>(job->bytes->size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  job->image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = job->image.scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  JpegJob job;
  job.bytes = &bytes;
  if (!RunJpegDecoder(&job)) return {};
  return job.image;
}

}  // namespace zur
