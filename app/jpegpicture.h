#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <QWidget>

namespace app {

// Either a decoded image or, when the data is not a complete JPEG, the
// decoder's reason and a null image.
struct JpegDecoding {
    QImage image;
    QString error;
};

// Decodes with TurboJPEG into RGB888. Damaged data the library would only
// warn about (a truncated scan, stray bytes) counts as an error too: showing
// half a picture grey would hide the fault.
JpegDecoding decodeJpeg(QByteArrayView jpeg);

// Shows a JPEG file (usually a resource) unscaled at its top-left corner; the
// rest of the widget is left to the parent's background. The file is read and
// decoded on the first paint; when that fails the area stays empty and one
// line goes to stderr.
class JpegPicture : public QWidget {
    Q_OBJECT
public:
    explicit JpegPicture(const QString& path, QWidget* parent = nullptr);

signals:
    // A left-button press and release, both inside the widget.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void load();

    QString path_;
    QImage image_;
    bool loaded_ = false;
    bool pressed_ = false;
};

}  // namespace app
