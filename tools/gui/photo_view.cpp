#include "photo_view.h"

#include "desktop/window.h"
#include "phrases.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pixavon::gui {

QSize fit_to_screen(const QWidget* widget, QSize wanted) {
    const QScreen* screen = widget->screen();
    if (screen == nullptr) return wanted;
    // Room for the window's frame, which the available area does not count.
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    return wanted.boundedTo(room).expandedTo(QSize(320, 240));
}

PhotoView::PhotoView(const QImage& photo, int position, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("photo-view"));
    setWindowTitle(qt(desktop::photo_view_title(static_cast<uint32_t>(position))));
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    const QSize twice = photo.size() * 2;
    const struct {
        QString caption;
        QImage image;
    } views[] = {
        {qt(desktop::photo_as_taken(static_cast<uint32_t>(photo.width()), static_cast<uint32_t>(photo.height()))),
         photo},
        {qt(desktop::photo_twice_sharp()), photo.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation)},
        {qt(desktop::photo_twice_smooth()), photo.scaled(twice, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)},
    };
    int column = 0;
    for (const auto& view : views) {
        grid->addWidget(new QLabel(view.caption), 0, column, Qt::AlignLeft);
        auto* picture = new QLabel;
        picture->setObjectName(QStringLiteral("view-%1").arg(column));
        picture->setPixmap(QPixmap::fromImage(view.image));
        picture->setAccessibleName(view.caption);
        grid->addWidget(picture, 1, column, Qt::AlignTop | Qt::AlignLeft);
        ++column;
    }
    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    resize(fit_to_screen(this, content->sizeHint() + QSize(48, 96)));
}

}  // namespace pixavon::gui
