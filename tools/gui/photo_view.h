// One photo in a window of its own: as the camera took it, and at twice its
// size, sharp (each pixel a square) and smooth. The window fits the screen;
// what does not fit scrolls, and Close stays in view.
#pragma once

#include <QDialog>
#include <QImage>

namespace pixavon::gui {

class PhotoView : public QDialog {
    Q_OBJECT

public:
    // `position` counts from 0.
    PhotoView(const QImage& photo, int position, QWidget* parent = nullptr);
};

// `wanted` made to fit inside the available area of the screen `widget` is on.
QSize fit_to_screen(const QWidget* widget, QSize wanted);

}  // namespace pixavon::gui
