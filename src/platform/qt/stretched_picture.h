#pragma once

#include <QImage>
#include <QWidget>

namespace md5z {

// The image control: the background picture stretched to the control's box.
// It keeps one copy of the picture, stretched to the pixels it covers, made
// as the control is, while the program holds little else; it reads the
// picture again only when the screen's pixel ratio changes that size.
class StretchedPicture final : public QWidget {
  public:
    StretchedPicture(const QRect& box, QWidget* parent);

    // The picture as the control draws it.
    const QImage& stretched() const { return stretched_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void stretchToCover();

    QImage stretched_;
};

}  // namespace md5z
